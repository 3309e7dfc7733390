#pragma once

#include <QString>
#include <string>
#include <string_view>

// Texts are UTF-8 inside the program and UTF-16 inside Qt; positions the program passes count
// characters (code points), so a character outside the Basic Multilingual Plane is one, not two.
namespace platform::qt {

QString toQString(std::string_view text);
std::string toUtf8(const QString& text);

// The UTF-16 offset of the character at the given character position (clamped to the text's end).
int utf16Offset(const QString& text, int characters);
// The number of characters in the text's first utf16 code units.
int characterPosition(const QString& text, int utf16);
int characterCount(const QString& text);

// Message texts break lines with "\r\n" and with a bare "\r"; Qt breaks only at "\n".
QString withLineFeeds(const QString& text);

}  // namespace platform::qt
