#pragma once

#include <cstddef>
#include <string_view>

namespace calvenor {

// Texts are UTF-8 inside the program; these count and cut them by characters, not bytes.
std::size_t characterCount(std::string_view text);
std::string_view firstCharacters(std::string_view text, std::size_t count);

}  // namespace calvenor
