#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::jet {

// The helpers answer in lines of tab-separated fields. Fields are escaped so that any bytes a damaged
// file yields (tabs, line breaks, backslashes) cannot shift a field or a line.
std::string escapeField(std::string_view text);
std::string joinFields(const std::vector<std::string>& fields);  // one line, with its "\n"

// Splits the text into lines and each line into unescaped fields. A last line without "\n" is
// dropped: a helper that died while writing must not pass for one that finished.
std::vector<std::vector<std::string>> splitLines(std::string_view text);

// The text as one line of printable UTF-8 of at most maxBytes (at least 4): control characters become
// blanks, bytes that are not UTF-8 '?', and a longer text is cut at a character's end, with "...".
// For texts a helper read from a file, which may hold anything, on their way to a user.
std::string printableLine(std::string_view text, std::size_t maxBytes);

}  // namespace platform::jet
