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

// Whether part occurs in text, letter case ignored. An empty text contains nothing, not even the
// empty part; any other text contains the empty part.
bool containsIgnoringCase(std::string_view text, std::string_view part);

}  // namespace calvenor
