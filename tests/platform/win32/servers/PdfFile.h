#pragma once

#include <string>

namespace calvenor::stand_in {

// Writes a one-page PDF file that shows `text`; false when the file cannot be written.
bool writePdf(const std::wstring& path, const std::wstring& text);

}  // namespace calvenor::stand_in
