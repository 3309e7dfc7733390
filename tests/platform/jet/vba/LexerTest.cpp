#include <gtest/gtest.h>

#include "platform/jet/vba/Lexer.h"

namespace platform::jet::vba {
namespace {

TEST(VbaLexer, EmptySourceEnds) { EXPECT_EQ(tokenize("").back().kind, TokenKind::EndOfFile); }

}  // namespace
}  // namespace platform::jet::vba
