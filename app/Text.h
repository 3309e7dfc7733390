#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace calvenor {

// Texts are UTF-8 inside the program; these count and cut them by characters, not bytes.
std::size_t characterCount(std::string_view text);
std::string_view firstCharacters(std::string_view text, std::size_t count);

// Each character in its lower-case form, by Unicode's one-to-one mappings ("Ä" becomes "ä"); bytes
// that are not UTF-8 stay as they are.
std::string lowerCase(std::string_view text);

// A text looked for in others, letter case ignored; lower-cased once for any number of searches.
class CaseInsensitiveSearch {
  public:
    explicit CaseInsensitiveSearch(std::string_view part) : part_(lowerCase(part)) {}
    // An empty text contains nothing, not even the empty part; any other text contains the empty part.
    bool foundIn(std::string_view text) const;

  private:
    std::string part_;
};

// A name as one line of text: a backslash becomes \\, a tab \t, a carriage return \r and a line feed
// \n; everything else stays as it is, so that names read back unambiguously.
std::string printableName(std::string_view name);

}  // namespace calvenor
