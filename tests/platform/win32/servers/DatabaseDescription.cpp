#include "tests/platform/win32/servers/DatabaseDescription.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/ScopedHandles.h"
#include "platform/win32/WideText.h"
#include "tests/platform/win32/servers/AutomationObject.h"
#include "tests/platform/win32/servers/JetDatabase.h"

namespace calvenor::stand_in {

namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return text.substr(start);
}

// "a | b" as {a, b}; without a bar, b is `otherwise`.
std::pair<std::wstring, std::wstring> pairOf(const std::string& value, const std::string& otherwise) {
    const auto bar = value.find('|');
    if (bar == std::string::npos) return {platform::win32::toWide(value), platform::win32::toWide(otherwise)};
    return {platform::win32::toWide(trimmed(value.substr(0, bar))),
            platform::win32::toWide(trimmed(value.substr(bar + 1)))};
}

}  // namespace

DatabaseDescription parseDescription(const std::string& text) {
    DatabaseDescription description;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string keyword = trimmed(line.substr(0, colon));
        const std::string value = trimmed(line.substr(colon + 1));
        if (keyword == "password") {
            description.password = platform::win32::toWide(value);
        } else if (keyword == "table") {
            auto [name, type] = pairOf(value, "TABLE");
            description.tables.push_back({name, type});
        } else if (keyword == "report") {
            description.reports.push_back(platform::win32::toWide(value));
        } else if (keyword == "printer") {
            description.printers.push_back(platform::win32::toWide(value));
        } else if (keyword == "fail") {
            auto [member, text] = pairOf(value, "Injected failure");
            description.failures[member] = text;
        } else if (keyword == "delay") {
            auto [member, milliseconds] = pairOf(value, "0");
            description.delays[member] =
                static_cast<unsigned>(std::wcstoul(milliseconds.c_str(), nullptr, 10));
        }
    }
    return description;
}

ReadDescription readDescription(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string content = text.str();
    std::optional<DatabaseDescription> description;
    if (file && content.starts_with(kDescriptionSignature))
        description = parseDescription(content);
    else if (file)
        description =
            readJetDatabase(std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
    if (!description) return {{}, DescriptionProblem::NotADatabase};
    description->path = path;
    return {std::move(description), DescriptionProblem::Missing};
}

void conductFor(const DatabaseDescription& description, const std::wstring& member) {
    if (auto delay = description.delays.find(member); delay != description.delays.end()) {
        const std::wstring marker = description.path + L".delaying";
        HANDLE created = CreateFileW(marker.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                     nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        const platform::win32::UniqueHandle delaying(created == INVALID_HANDLE_VALUE ? nullptr : created);
        Sleep(delay->second);
    }
    if (auto failure = description.failures.find(member); failure != description.failures.end())
        throw ServerError{failure->second, E_FAIL};
}

}  // namespace calvenor::stand_in
