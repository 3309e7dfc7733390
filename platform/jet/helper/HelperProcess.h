#pragma once

#include <string_view>

namespace platform::jet::helper {

// Limits a helper process before it touches a file: no core dumps, bounded memory and processor
// time, and it dies with the program that started it.
void prepareHelperProcess();

// Writes the helper's whole result to the result descriptor; false when it could not.
bool writeResult(std::string_view result);

}  // namespace platform::jet::helper
