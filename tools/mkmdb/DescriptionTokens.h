#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Model.h"

// The words of a description's line, and what the statements' readers share to take them apart.
namespace mkmdb {

// A blank-separated word, or a text in double quotes with its escapes resolved.
struct Token {
    bool quoted = false;
    std::string text;
};

inline const std::string& quotedArgument(const std::vector<Token>& tokens, std::size_t index,
                                         const char* what) {
    if (index >= tokens.size() || !tokens[index].quoted)
        throw Error(std::string("expected ") + what + " in double quotes");
    return tokens[index].text;
}

inline void expectCount(const std::vector<Token>& tokens, std::size_t count) {
    if (tokens.size() > count) throw Error("unexpected \"" + tokens[count].text + "\"");
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace mkmdb
