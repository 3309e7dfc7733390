#include "platform/jet/query/Region.h"

#include "base/Utf8.h"

namespace platform::jet::query {
namespace {

// One per process: a helper serves one database, whose region holds for every value it formats.
Region& region() {
    static Region current;
    return current;
}

// A region as Windows sets it up, in Access's notation ("/" and ":" the separators, n minutes, AMPM the
// region's am and pm texts); the currency format's symbol quoted where it holds more than one character.
struct WindowsSettings {
    std::uint16_t codePage;
    const char *language, *decimal, *thousands, *dateSeparator, *shortDate, *longDate, *longTime, *am, *pm,
        *currency, *currencySymbol;
};

// Dates are Gregorian in each: Windows' Arabic (Saudi Arabia) and Thai regions default to the Hijri and
// the Buddhist calendar, which are not drawn here.
constexpr WindowsSettings kWindowsRegions[] = {
    {874, "th-TH", ".", ",", "/", "d/m/yyyy", "d mmmm yyyy", "h:nn:ss", "AM", "PM",
     "\"\u0E3F\"#,##0.00;-\"\u0E3F\"#,##0.00", "\u0E3F"},
    {932, "ja-JP", ".", ",", "/", "yyyy/mm/dd", "yyyy\"\u5E74\"m\"\u6708\"d\"\u65E5\"", "h:nn:ss",
     "\u5348\u524D", "\u5348\u5F8C", "\"\u00A5\"#,##0;-\"\u00A5\"#,##0", "\u00A5"},
    {936, "zh-CN", ".", ",", "/", "yyyy/m/d", "yyyy\"\u5E74\"m\"\u6708\"d\"\u65E5\"", "h:nn:ss",
     "\u4E0A\u5348", "\u4E0B\u5348", "\"\u00A5\"#,##0.00;-\"\u00A5\"#,##0.00", "\u00A5"},
    {949, "ko-KR", ".", ",", "-", "yyyy/mm/dd", "yyyy\"\uB144\" m\"\uC6D4\" d\"\uC77C\" dddd", "AMPM h:nn:ss",
     "\uC624\uC804", "\uC624\uD6C4", "\"\u20A9\"#,##0;-\"\u20A9\"#,##0", "\u20A9"},
    {950, "zh-TW", ".", ",", "/", "yyyy/m/d", "yyyy\"\u5E74\"m\"\u6708\"d\"\u65E5\"", "AMPM hh:nn:ss",
     "\u4E0A\u5348", "\u4E0B\u5348", "\"NT$\"#,##0.00;-\"NT$\"#,##0.00", "NT$"},
    {1250, "pl-PL", ",", "\u00A0", ".", "dd/mm/yyyy", "d mmmm yyyy", "hh:nn:ss", "AM", "PM",
     "#,##0.00 \"z\u0142\";-#,##0.00 \"z\u0142\"", "z\u0142"},
    {1251, "ru-RU", ",", "\u00A0", ".", "dd/mm/yyyy", "d mmmm yyyy \"\u0433.\"", "h:nn:ss", "AM", "PM",
     "#,##0.00 \"\u20BD\";-#,##0.00 \"\u20BD\"", "\u20BD"},
    {1252, "en-US", ".", ",", "/", "m/d/yyyy", "dddd, mmmm d, yyyy", "h:nn:ss AMPM", "AM", "PM",
     "$#,##0.00;($#,##0.00)", "$"},
    {1253, "el-GR", ",", ".", "/", "d/m/yyyy", "dddd, d mmmm yyyy", "h:nn:ss AMPM", "\u03C0\u03BC",
     "\u03BC\u03BC", "#,##0.00 \"\u20AC\";-#,##0.00 \"\u20AC\"", "\u20AC"},
    {1254, "tr-TR", ",", ".", ".", "d/mm/yyyy", "d mmmm yyyy dddd", "hh:nn:ss", "\u00D6\u00D6", "\u00D6S",
     "\"\u20BA\"#,##0.00;-\"\u20BA\"#,##0.00", "\u20BA"},
    {1255, "he-IL", ".", ",", "/", "dd/mm/yyyy", "dddd dd mmmm yyyy", "hh:nn:ss", "AM", "PM",
     "\"\u20AA\" #,##0.00;-\"\u20AA\" #,##0.00", "\u20AA"},
    {1256, "ar-SA", ".", ",", "/", "dd/mm/yyyy", "dd mmmm, yyyy", "hh:nn:ss AMPM", "\u0635", "\u0645",
     "\"\u0631.\u0633.\u200F\" #,##0.00;\"\u0631.\u0633.\u200F\" #,##0.00-", "\u0631.\u0633.\u200F"},
    {1257, "lt-LT", ",", "\u00A0", "-", "yyyy/mm/dd", "yyyy \"m.\" mmmm d \"d.\"", "hh:nn:ss",
     "prie\u0161piet", "popiet", "#,##0.00 \"\u20AC\";-#,##0.00 \"\u20AC\"", "\u20AC"},
    {1258, "vi-VN", ",", ".", "/", "dd/mm/yyyy", "dd mmmm yyyy", "h:nn:ss AMPM", "SA", "CH",
     "#,##0 \"\u20AB\";-#,##0 \"\u20AB\"", "\u20AB"},
};

// Whether a character belongs to the script of a code page that is not written in Latin letters; none
// for the Latin ones.
std::optional<bool> inScriptOf(std::uint16_t codePage, char32_t c) {
    const auto within = [c](char32_t first, char32_t last) { return c >= first && c <= last; };
    const bool han = within(0x4E00, 0x9FFF) || within(0x3400, 0x4DBF);
    switch (codePage) {
        case 874:
            return within(0x0E00, 0x0E7F);
        case 932:
            return han || within(0x3040, 0x30FF) || within(0xFF61, 0xFF9F);
        case 936:
        case 950:
            return han;
        case 949:
            return han || within(0xAC00, 0xD7AF) || within(0x1100, 0x11FF) || within(0x3130, 0x318F);
        case 1251:
            return within(0x0400, 0x052F);
        case 1253:
            return within(0x0370, 0x03FF);
        case 1255:
            return within(0x0590, 0x05FF);
        case 1256:
            return within(0x0600, 0x06FF) || within(0xFB50, 0xFDFF) || within(0xFE70, 0xFEFF);
        default:
            return std::nullopt;
    }
}

// The characters of UTF-8 text; a damaged sequence gives its bytes one by one.
std::vector<char32_t> characters(std::string_view text) {
    std::vector<char32_t> result;
    while (!text.empty()) {
        const auto character = base::decodeUtf8(text);
        result.push_back(character ? character->value : static_cast<unsigned char>(text[0]));
        text.remove_prefix(character ? character->length : 1);
    }
    return result;
}

}  // namespace

std::optional<Region> windowsRegion(std::uint16_t codePage) {
    for (const WindowsSettings& settings : kWindowsRegions) {
        if (settings.codePage != codePage) continue;
        Region found;
        found.language = settings.language;
        found.decimal = settings.decimal;
        found.thousands = settings.thousands;
        found.dateSeparator = settings.dateSeparator;
        found.shortDate = settings.shortDate;
        found.longDate = settings.longDate;
        found.longTime = settings.longTime;
        found.am = settings.am;
        found.pm = settings.pm;
        found.currency = settings.currency;
        found.currencySymbol = settings.currencySymbol;
        found.paperSize = codePage == 1252 ? 1 : 9;  // Letter for English (United States), else A4
        return found;
    }
    return std::nullopt;
}

std::uint16_t regionCodePage(std::uint16_t codePage, const std::vector<std::string>& names) {
    if (!inScriptOf(codePage, U'a') || names.empty()) return codePage;
    for (const std::string& name : names)
        for (const char32_t c : characters(name))
            if (*inScriptOf(codePage, c)) return codePage;
    return 0;
}

const Region& currentRegion() {
    return region();
}

void useRegion(const Region& chosen) {
    region() = chosen;
}

}  // namespace platform::jet::query
