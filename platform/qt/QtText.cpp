#include "platform/qt/QtText.h"

namespace platform::qt {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string toUtf8(const QString& text) {
    return text.toStdString();
}

namespace {

// A surrogate pair counts once; a lone surrogate counts as a character of its own.
bool startsPair(const QString& text, qsizetype i) {
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
}

}  // namespace

int utf16Offset(const QString& text, int characters) {
    qsizetype i = 0;
    for (int seen = 0; seen < characters && i < text.size(); ++seen) i += startsPair(text, i) ? 2 : 1;
    return int(i);
}

int characterPosition(const QString& text, int utf16) {
    int characters = 0;
    for (qsizetype i = 0; i < utf16 && i < text.size(); ++characters) i += startsPair(text, i) ? 2 : 1;
    return characters;
}

int characterCount(const QString& text) {
    return characterPosition(text, int(text.size()));
}

QString withLineFeeds(const QString& text) {
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

}  // namespace platform::qt
