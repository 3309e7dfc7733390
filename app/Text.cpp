#include "app/Text.h"

namespace calvenor {
namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += isContinuationByte(c) ? 0 : 1;
    return count;
}

std::string_view firstCharacters(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isContinuationByte(text[i])) continue;
        if (seen++ == count) return text.substr(0, i);
    }
    return text;
}

}  // namespace calvenor
