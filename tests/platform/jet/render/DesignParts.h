#pragma once

#include <string>

#include "platform/jet/design/ReportDesign.h"

// Designs built in code for the renderer's tests: the parts with only what a test sets.
namespace render_tests {

inline platform::jet::design::Control control(platform::jet::design::ControlKind kind, int top, int height,
                                              const std::string& name = {}, const std::string& source = {}) {
    platform::jet::design::Control c;
    c.kind = kind;
    c.name = name;
    c.controlSource = source;
    c.top = top;
    c.height = height;
    c.width = 1440;
    return c;
}

}  // namespace render_tests
