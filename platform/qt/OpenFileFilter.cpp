#include "platform/qt/OpenFileFilter.h"

#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

// Windows reads "*.*" as every file, with or without an extension.
QString qtPattern(const QString& pattern) {
    return pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
}

}  // namespace

QStringList openFileNameFilters(std::string_view filter) {
    const QStringList parts = toQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns += qtPattern(pattern.trimmed());
        }
        if (description.isEmpty() && patterns.isEmpty()) continue;
        if (patterns.isEmpty()) patterns += QStringLiteral("*");
        filters += description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

}  // namespace platform::qt
