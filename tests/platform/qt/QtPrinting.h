#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <ostream>

// Readable Qt strings in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& color, std::ostream* out) {
    *out << color.name(QColor::HexArgb).toStdString();
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (const QString& text : list) *out << " \"" << text.toStdString() << '"';
    *out << " }";
}
