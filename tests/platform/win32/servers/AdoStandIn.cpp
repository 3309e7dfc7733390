#include "tests/platform/win32/servers/AdoStandIn.h"

#include <memory>
#include <optional>
#include <vector>

#include "tests/platform/win32/servers/DatabaseDescription.h"

namespace calvenor::stand_in {

namespace {

constexpr wchar_t kAdoSource[] = L"ADODB.Connection";
constexpr wchar_t kRecordsetSource[] = L"ADODB.Recordset";
constexpr long kSchemaTables = 20;  // adSchemaTables
constexpr HRESULT kProviderNotFound = MAKE_HRESULT(1, FACILITY_CONTROL, 3706);
constexpr HRESULT kObjectOpen = MAKE_HRESULT(1, FACILITY_CONTROL, 3705);
constexpr HRESULT kObjectClosed = MAKE_HRESULT(1, FACILITY_CONTROL, 3704);
constexpr HRESULT kNoCurrentRecord = MAKE_HRESULT(1, FACILITY_CONTROL, 3021);
constexpr HRESULT kNotCapable = MAKE_HRESULT(1, FACILITY_CONTROL, 3251);
constexpr HRESULT kItemNotFound = MAKE_HRESULT(1, FACILITY_CONTROL, 3265);
constexpr HRESULT kAuthenticationFailed = static_cast<HRESULT>(0x80040E4DL);

bool sameText(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring trimmed(std::wstring text) {
    while (!text.empty() && text.back() == L' ') text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && text[start] == L' ') ++start;
    return text.substr(start);
}

// The value of `key` in "key=value;key=value", keys compared without regard to case.
std::optional<std::wstring> settingOf(const std::wstring& connection, const std::wstring& key) {
    std::size_t start = 0;
    while (start <= connection.size()) {
        std::size_t end = connection.find(L';', start);
        if (end == std::wstring::npos) end = connection.size();
        const std::wstring pair = connection.substr(start, end - start);
        const auto equals = pair.find(L'=');
        if (equals != std::wstring::npos && sameText(trimmed(pair.substr(0, equals)), key))
            return pair.substr(equals + 1);
        start = end + 1;
    }
    return std::nullopt;
}

// The engine's own texts, as the provider reports them.
DatabaseDescription openDatabase(const std::wstring& connection) {
    const std::wstring provider = settingOf(connection, L"Provider").value_or(L"");
    const bool ace = sameText(provider, L"Microsoft.ACE.OLEDB.12.0");
    if (!ace && !sameText(provider, L"Microsoft.Jet.OLEDB.4.0"))
        throw ServerError{L"Provider cannot be found. It may not be properly installed.", kProviderNotFound};
    const std::wstring path = settingOf(connection, L"Data Source").value_or(L"");
    ReadDescription read = readDescription(path);
    if (!read.description) {
        if (read.problem == DescriptionProblem::Missing)
            throw ServerError{L"Could not find file '" + path + L"'.", E_FAIL};
        throw ServerError{L"Unrecognized database format '" + path + L"'.", E_FAIL};
    }
    if (settingOf(connection, L"Jet OLEDB:Database Password").value_or(L"") != read.description->password)
        throw ServerError{L"Not a valid password.", kAuthenticationFailed};
    conductFor(*read.description, L"Open");
    return *read.description;
}

struct Rows {
    std::vector<CatalogueEntry> entries;
    std::size_t position = 0;
    bool open = true;

    bool atEnd() const { return position >= entries.size(); }
    const CatalogueEntry& current() const {
        if (!open) throw ServerError{L"Operation is not allowed when the object is closed.", kObjectClosed};
        if (atEnd())
            throw ServerError{
                L"Either BOF or EOF is True, or the current record has been deleted. Requested "
                L"operation requires a current record.",
                kNoCurrentRecord};
        return entries[position];
    }
};

ComPtr<AutomationObject> createField(std::shared_ptr<Rows> rows, std::wstring name) {
    auto field = AutomationObject::create(kRecordsetSource);
    field->define(L"Name", [name](Call&, VARIANT* result) { answerText(result, name); });
    field->define(L"Value", [rows, name](Call&, VARIANT* result) {
        const CatalogueEntry& row = rows->current();
        if (name == L"TABLE_NAME")
            answerText(result, row.name);
        else if (name == L"TABLE_TYPE")
            answerText(result, row.type);
        else
            answerNull(result);
    });
    return field;
}

ComPtr<AutomationObject> createFields(std::shared_ptr<Rows> rows) {
    static const std::vector<std::wstring> names = {L"TABLE_CATALOG", L"TABLE_SCHEMA", L"TABLE_NAME",
                                                    L"TABLE_TYPE", L"DESCRIPTION"};
    auto fields = AutomationObject::create(kRecordsetSource);
    fields->define(L"Count",
                   [](Call&, VARIANT* result) { answerNumber(result, static_cast<long>(names.size())); });
    fields->define(L"Item", [rows](Call& call, VARIANT* result) {
        const VARIANT& key = call.value(0);
        for (std::size_t index = 0; index < names.size(); ++index) {
            const bool byName = V_VT(&key) == VT_BSTR && sameText(names[index], call.text(0));
            const bool byPosition = V_VT(&key) != VT_BSTR && call.number(0) == static_cast<long>(index);
            if (byName || byPosition) return answerObject(result, createField(rows, names[index]));
        }
        throw ServerError{
            L"Item cannot be found in the collection corresponding to the requested name or ordinal.",
            kItemNotFound};
    });
    return fields;
}

ComPtr<AutomationObject> createRecordset(std::vector<CatalogueEntry> entries) {
    auto rows = std::make_shared<Rows>();
    rows->entries = std::move(entries);
    auto recordset = AutomationObject::create(kRecordsetSource);
    recordset->define(L"EOF", [rows](Call&, VARIANT* result) {
        if (!rows->open)
            throw ServerError{L"Operation is not allowed when the object is closed.", kObjectClosed};
        answerBool(result, rows->atEnd());
    });
    recordset->define(L"Fields",
                      [rows](Call&, VARIANT* result) { answerObject(result, createFields(rows)); });
    recordset->define(L"MoveNext", [rows](Call&, VARIANT*) {
        rows->current();
        ++rows->position;
    });
    recordset->define(L"Close", [rows](Call&, VARIANT*) {
        if (!rows->open)
            throw ServerError{L"Operation is not allowed when the object is closed.", kObjectClosed};
        rows->open = false;
    });
    return recordset;
}

}  // namespace

ComPtr<AutomationObject> createAdoConnection() {
    auto database = std::make_shared<std::optional<DatabaseDescription>>();
    auto conduct = [database](const std::wstring& member) {
        if (*database && member != L"Open") conductFor(**database, member);
    };
    auto connection = AutomationObject::create(kAdoSource, conduct);
    connection->define(L"Open", [database](Call& call, VARIANT*) {
        if (*database) throw ServerError{L"Operation is not allowed when the object is open.", kObjectOpen};
        *database = openDatabase(call.text(0));
    });
    connection->define(L"OpenSchema", [database](Call& call, VARIANT* result) {
        if (!*database)
            throw ServerError{L"Operation is not allowed when the object is closed.", kObjectClosed};
        if (call.number(0) != kSchemaTables)
            throw ServerError{L"Object or provider is not capable of performing requested operation.",
                              kNotCapable};
        answerObject(result, createRecordset((*database)->tables));
    });
    connection->define(L"Close", [database](Call&, VARIANT*) {
        if (!*database)
            throw ServerError{L"Operation is not allowed when the object is closed.", kObjectClosed};
        database->reset();
    });
    connection->define(L"State",
                       [database](Call&, VARIANT* result) { answerNumber(result, *database ? 1 : 0); });
    return connection;
}

}  // namespace calvenor::stand_in
