#include "platform/jet/render/ReportRegion.h"

#include <QRegularExpression>
#include <QString>
#include <optional>

namespace platform::jet::render {
namespace {

// Text a format shows as it is: quoted where it holds anything but spaces.
QString literal(const QString& text) {
    if (text.trimmed().isEmpty()) return text;
    return "\"" + QString(text).remove('"') + "\"";
}

// A Qt date or time pattern in Access's notation: M months, m minutes (n), H 24-hour and h with AP
// 12-hour hours (AMPM decides which), quoted literals kept, the time zone dropped; the separators become "/"
// and ":", which Access replaces with the region's.
QString accessPattern(const QString& pattern, const QString& dateSeparator, const QString& timeSeparator) {
    QString result;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        if (c == '\'') {
            const qsizetype end = pattern.indexOf('\'', i + 1);
            const QString quoted = pattern.mid(i + 1, end < 0 ? -1 : end - i - 1);
            result += quoted.isEmpty() ? QString("'") : literal(quoted);
            i = end < 0 ? pattern.size() : end + 1;
            continue;
        }
        if (c == 'M' || c == 'L') {
            result += QString(run, 'm');
        } else if (c == 'm') {
            result += QString(run, 'n');
        } else if (c == 'H' || c == 'h') {
            result += QString(run, 'h');
        } else if (c == 'A' || c == 'a') {
            if (run == 1 && i + 1 < pattern.size() && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
                result += "AMPM";
                i += 2;
                continue;
            }
            result += literal(QString(run, c));
        } else if (c == 't') {
            // No time zone: Access shows none, and the space before it goes too.
            while (result.endsWith(' ')) result.chop(1);
        } else if (c == 'd' || c == 'y' || c == 's') {
            result += QString(c == 'y' && run == 2 ? 4 : run, c);  // Windows' short dates have 4-digit years
        } else if (!dateSeparator.isEmpty() && pattern.mid(i, dateSeparator.size()) == dateSeparator) {
            result += '/';
            i += dateSeparator.size();
            continue;
        } else if (!timeSeparator.isEmpty() && pattern.mid(i, timeSeparator.size()) == timeSeparator) {
            result += ':';
            i += timeSeparator.size();
            continue;
        } else if (c.isLetter()) {
            result += literal(QString(run, c));
        } else {
            result += QString(run, c);
        }
        i += run;
    }
    return result.trimmed();
}

// The first run of non-letters between two number fields of a pattern ("M/d/yy" → "/").
QString separatorOf(const QString& pattern, const QString& fields) {
    const auto match =
        QRegularExpression("[" + fields + "]+([^" + fields + "'A-Za-z]+)[" + fields + "]").match(pattern);
    return match.hasMatch() ? match.captured(1) : QString();
}

// The Currency format's sections from how the locale writes an amount and its negative.
std::string currencyFormat(const QLocale& locale) {
    const auto section = [&](double amount) {
        const QString written = locale.toCurrencyString(amount);
        const QString number = locale.toString(1234.5, 'f', 2);
        const qsizetype at = written.indexOf(number);
        if (at < 0) return QString();
        QString before = written.left(at), after = written.mid(at + number.size());
        return literal(before) + "#,##0.00" + literal(after);
    };
    const QString positive = section(1234.5), negative = section(-1234.5);
    if (positive.isEmpty()) return query::kUnitedStates.currency;
    return (negative.isEmpty() ? positive : positive + ";" + negative).toStdString();
}

// The Americas' Letter countries; the rest of the world prints on A4.
bool usesLetterPaper(QLocale::Territory territory) {
    switch (territory) {
        case QLocale::UnitedStates:
        case QLocale::Canada:
        case QLocale::Mexico:
        case QLocale::Chile:
        case QLocale::Colombia:
        case QLocale::Venezuela:
        case QLocale::Philippines:
        case QLocale::PuertoRico:
            return true;
        default:
            return false;
    }
}

}  // namespace

query::Region regionOf(const QLocale& locale) {
    query::Region region;
    region.decimal = locale.decimalPoint().toStdString();
    region.thousands = locale.groupSeparator().toStdString();
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    const QString dateSeparator = separatorOf(shortDate, "dMy");
    const QString timeSeparator = separatorOf(longTime, "hHms");
    if (!dateSeparator.isEmpty()) region.dateSeparator = dateSeparator.toStdString();
    if (!timeSeparator.isEmpty()) region.timeSeparator = timeSeparator.toStdString();
    region.shortDate = accessPattern(shortDate, dateSeparator, timeSeparator).toStdString();
    region.longDate =
        accessPattern(locale.dateFormat(QLocale::LongFormat), dateSeparator, timeSeparator).toStdString();
    region.longTime = accessPattern(longTime, dateSeparator, timeSeparator).toStdString();
    region.am = locale.amText().toStdString();
    region.pm = locale.pmText().toStdString();
    region.currency = currencyFormat(locale);
    region.paperSize = usesLetterPaper(locale.territory()) ? 1 : 9;
    for (int month = 1; month <= 12; ++month) {
        region.months[static_cast<std::size_t>(month - 1)] = locale.monthName(month).toStdString();
        region.shortMonths[static_cast<std::size_t>(month - 1)] =
            locale.monthName(month, QLocale::ShortFormat).toStdString();
    }
    // Qt counts days from Monday (1) to Sunday (7); Access from Sunday.
    for (int day = 1; day <= 7; ++day) {
        const std::size_t fromSunday = static_cast<std::size_t>(day % 7);
        region.weekdays[fromSunday] = locale.dayName(day).toStdString();
        region.shortWeekdays[fromSunday] = locale.dayName(day, QLocale::ShortFormat).toStdString();
    }
    return region;
}

query::Region reportRegion(std::uint16_t codePage) {
    auto region = query::windowsRegion(codePage);
    if (!region) return query::kUnitedStates;
    // Windows' own settings; the names of months and days from Qt's data of the language.
    const query::Region named = regionOf(QLocale(QString::fromStdString(region->language)));
    region->months = named.months;
    region->shortMonths = named.shortMonths;
    region->weekdays = named.weekdays;
    region->shortWeekdays = named.shortWeekdays;
    return *region;
}

}  // namespace platform::jet::render
