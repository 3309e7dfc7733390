#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

// Types as a keyboard does, one key event per character (QTest's helpers know ASCII only); a
// character outside the Basic Multilingual Plane comes as one event with both of its UTF-16 units.
inline void typeText(QWidget& widget, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, units);
        i += units;
        QKeyEvent press{QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character};
        QKeyEvent release{QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character};
        QApplication::sendEvent(&widget, &press);
        QApplication::sendEvent(&widget, &release);
    }
}
