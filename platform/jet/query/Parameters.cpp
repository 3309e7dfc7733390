#include "platform/jet/query/Parameters.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "base/AsciiCase.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/Region.h"

namespace platform::jet::query {
namespace {

// Jet's data type numbers, as a saved query's parameter rows keep them.
// clang-format off
enum JetType {
    JetUndeclared = 0, JetYesNo = 1, JetByte = 2, JetInteger = 3, JetLong = 4, JetMoney = 5,
    JetSingle = 6, JetDouble = 7, JetDateTime = 8, JetBytes = 9, JetText = 10, JetLongBinary = 11,
    JetMemo = 12, JetGuid = 15, JetBigInt = 16, JetVarBinary = 17, JetChar = 18, JetNumeric = 19,
    JetDecimal = 20, JetFloat = 21, JetTime = 22, JetTimestamp = 23
};
// clang-format on

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The type words of the PARAMETERS clause and their synonyms, as Jet SQL reads them.
int typeOfWord(const std::string& word) {
    static const std::pair<int, const char*> kWords[] = {
        {JetYesNo, " bit yesno logical logical1 boolean "},
        {JetByte, " byte tinyint integer1 "},
        {JetInteger, " short smallint integer2 "},
        {JetLong, " long int integer integer4 counter autoincrement "},
        {JetMoney, " currency money "},
        {JetSingle, " single real float4 ieeesingle "},
        {JetDouble, " double float float8 ieeedouble number "},
        {JetDecimal, " numeric decimal "},
        {JetDateTime, " datetime date time timestamp "},
        {JetText, " text char varchar string alphanumeric nchar nvarchar "},
        {JetMemo, " memo longtext longchar note ntext "},
        {JetBytes, " binary varbinary "},
        {JetLongBinary, " longbinary oleobject general image "},
        {JetGuid, " guid uniqueidentifier "},
        {JetBigInt, " bigint "},
        {JetUndeclared, " value "},
    };
    for (const auto& [type, words] : kWords)
        if (!word.empty() && word.find(" ") == std::string::npos &&
            std::string_view(words).find(" " + word + " ") != std::string_view::npos)
            return type;
    throw QueryError("The PARAMETERS clause names the type '" + word + "', which Jet has not.");
}

std::optional<double> number(std::string_view text) {
    std::string plain(trim(text));
    const std::string& decimal = currentRegion().decimal;
    if (decimal != "." && !decimal.empty())
        for (std::size_t at = plain.find(decimal); at != std::string::npos; at = plain.find(decimal, at + 1))
            plain.replace(at, decimal.size(), ".");
    if (plain.empty() || isBlank(plain.front())) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// A date as the region writes it: its short date decides whether the day or the month comes first.
std::optional<double> regionDate(std::string_view text) {
    text = trim(text);
    if (text.size() >= 2 && text.front() == '#' && text.back() == '#')
        return parseDate(text.substr(1, text.size() - 2));
    std::string written(text);
    const std::string& shortDate = currentRegion().shortDate;
    static const std::regex dayFirst(R"(^(\d{1,2})([./-])(\d{1,2})\2(.*)$)");
    std::smatch parts;
    if (!shortDate.empty() && std::tolower(static_cast<unsigned char>(shortDate.front())) == 'd' &&
        std::regex_match(written, parts, dayFirst))
        written = parts[3].str() + "/" + parts[1].str() + "/" + parts[4].str();
    return parseDate(written);
}

// Each reference by its key, and the member of the file it names.
constexpr std::pair<std::string_view, std::string_view> kFileReferences[] = {
    {"currentproject!fullname", "fullname"},
    {"currentproject!name", "name"},
    {"currentproject!path", "path"},
    {"application!currentproject!fullname", "fullname"},
    {"application!currentproject!name", "name"},
    {"application!currentproject!path", "path"},
    {"currentdb!name", "fullname"},
    {"application!currentdb!name", "fullname"},
};

}  // namespace

void addDatabaseFileReferences(ParameterValues& values, const std::string& path) {
    for (const auto& [key, member] : kFileReferences)
        if (!values.find(key)) values.set(key, *databaseFileMember(member, path));
}

bool isDatabaseFileReference(std::string_view name) {
    const std::string key = parameterKey(name);
    for (const auto& reference : kFileReferences)
        if (reference.first == key) return true;
    return false;
}

std::string parameterTypeName(int type) {
    switch (type) {
        case JetYesNo:
            return "Yes/No";
        case JetByte:
            return "Byte";
        case JetInteger:
            return "Integer";
        case JetLong:
            return "Long Integer";
        case JetMoney:
            return "Currency";
        case JetSingle:
            return "Single";
        case JetDouble:
        case JetFloat:
            return "Double";
        case JetNumeric:
        case JetDecimal:
            return "Decimal";
        case JetDateTime:
        case JetTime:
        case JetTimestamp:
            return "Date/Time";
        case JetBigInt:
            return "Large Number";
        case JetMemo:
            return "Memo";
        case JetGuid:
            return "Replication ID";
        case JetBytes:
        case JetVarBinary:
        case JetLongBinary:
            return "Binary";
        case JetUndeclared:
            return "Value";
        default:
            return "Text";
    }
}

Value parameterValue(const Parameter& parameter, const std::string& text) {
    // An answer left empty is Null, whatever the type.
    if (trim(text).empty()) return Value();
    const auto refuse = [&](const char* what) -> Value {
        throw QueryError("The value '" + text + "' given for the parameter " + parameter.name + " is no " +
                         what + ".");
    };
    switch (parameter.type) {
        case JetYesNo: {
            const std::string word = base::lowerAscii(trim(text));
            if (word == "true" || word == "yes" || word == "on") return true;
            if (word == "false" || word == "no" || word == "off") return false;
            const auto n = number(text);
            return n ? Value(*n != 0) : refuse("Yes/No value");
        }
        case JetByte:
        case JetInteger:
        case JetLong:
        case JetBigInt: {
            const auto n = number(text);
            if (!n || std::fabs(*n) > 9.2e18) return refuse("whole number");
            return static_cast<std::int64_t>(std::nearbyint(*n));  // Jet rounds half to even, as CLng
        }
        case JetMoney: {
            const auto n = number(text);
            if (!n || std::fabs(*n) > 9.2e14) return refuse("amount of money");
            return Currency{static_cast<std::int64_t>(std::nearbyint(*n * 10000))};
        }
        case JetSingle:
        case JetDouble:
        case JetNumeric:
        case JetDecimal:
        case JetFloat: {
            const auto n = number(text);
            return n ? Value(*n) : refuse("number");
        }
        case JetDateTime:
        case JetTime:
        case JetTimestamp: {
            const auto days = regionDate(text);
            return days ? Value(Date{*days}) : refuse("date");
        }
        default:
            return text;
    }
}

RowSet withParameterColumns(RowSet rows, const std::vector<Parameter>& asked, const ParameterValues& values) {
    for (const Parameter& parameter : asked) {
        const std::string key = parameterKey(parameter.name);
        const std::string* text = values.find(parameter.name);
        if (!text || key.find('!') != std::string::npos) continue;
        std::string_view name = trim(parameter.name);
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        bool taken = false;
        for (const std::string& column : rows.columns) taken = taken || base::lowerAscii(column) == key;
        if (taken) continue;
        const Value value = parameterValue(parameter, *text);
        rows.columns.emplace_back(name);
        for (auto& row : rows.rows) row.push_back(value);
    }
    return rows;
}

std::vector<Parameter> takeParametersClause(std::string_view& sql) {
    std::string_view rest = trim(sql);
    if (rest.size() < 11 || base::lowerAscii(rest.substr(0, 10)) != "parameters" ||
        !(isBlank(rest[10]) || rest[10] == '['))
        return {};
    rest.remove_prefix(10);
    // The declarations end at the first semicolon outside brackets and quotes.
    std::vector<std::string> declarations(1);
    char quote = 0;
    bool bracketed = false;
    int depth = 0;
    std::size_t i = 0;
    for (; i < rest.size(); ++i) {
        const char c = rest[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (bracketed) {
            if (c == ']') bracketed = false;
        } else if (c == '[') {
            bracketed = true;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ';') {
            break;
        } else if (c == ',' && depth == 0) {
            declarations.emplace_back();
            continue;
        }
        declarations.back() += c;
    }
    if (i == rest.size()) throw QueryError("The PARAMETERS clause does not end with a semicolon.");
    std::vector<Parameter> parameters;
    for (const std::string& declaration : declarations) {
        const std::string_view text = trim(declaration);
        // The name is all up to the first blank outside brackets; the type follows, its size aside.
        std::size_t end = 0;
        for (bool inside = false; end < text.size() && (inside || !isBlank(text[end])); ++end)
            if (text[end] == '[' || text[end] == ']') inside = text[end] == '[';
        std::string type(trim(text.substr(end)));
        type = base::lowerAscii(type.substr(0, type.find('(')));
        if (end == 0 || trim(type).empty())
            throw QueryError("The PARAMETERS clause cannot be read at '" + std::string(text) + "'.");
        parameters.push_back({std::string(text.substr(0, end)), typeOfWord(std::string(trim(type)))});
    }
    sql = rest.substr(i + 1);
    return parameters;
}

}  // namespace platform::jet::query
