#include "platform/jet/vba/Lexer.h"

namespace platform::jet::vba {

std::vector<Token> tokenize(std::string_view) { return {Token{}}; }

}  // namespace platform::jet::vba
