#pragma once

#include <set>
#include <string>

namespace platform::jet::render {

// The PDF document with its document information replaced by an appended update: the title, and when
// the drawing left things out, a subject saying it approximates the report and keywords naming what.
// A document whose end it cannot read is returned as it is.
std::string withDocumentInfo(std::string pdf, const std::string& title,
                             const std::set<std::string>& omissions);

// The subject such a document states; empty when nothing was left out.
std::string approximationNote(const std::set<std::string>& omissions);

}  // namespace platform::jet::render
