#include "platform/win32/WinRegistry.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/win32/ScopedHandles.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {

namespace {

constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

// Registry names cannot hold NUL; a name with one would otherwise address a shorter, different name.
std::wstring registryName(std::string_view name) {
    if (name.find('\0') != std::string_view::npos) {
        throw Failure{errors::kInvalidArgumentText, errors::kInvalidArgument};
    }
    return toWide(name);
}

class WinRegistryKey : public RegistryKey {
  public:
    WinRegistryKey(UniqueRegistryKey key, std::string_view path) : key_(std::move(key)), path_(path) {}

    std::optional<std::string> readString(std::string_view name) override {
        const std::wstring wideName = registryName(name);
        // The value can change between asking its size and reading it: ask again when it grew.
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            LSTATUS status = RegQueryValueExW(key_.get(), wideName.c_str(), nullptr, &type, nullptr, &size);
            if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
            if (status != ERROR_SUCCESS) raiseSystemError(describe("Cannot read the value", name), status);
            if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
            if (size > WinRegistry::kMaxValueBytes) {
                throw Failure{describe("The value", name) + " is too long to read (" + std::to_string(size) +
                              " bytes)"};
            }
            // One spare character, so that a value stored without its terminating NUL still ends.
            std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
            DWORD available = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
            status = RegQueryValueExW(key_.get(), wideName.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(buffer.data()), &available);
            if (status == ERROR_MORE_DATA) continue;
            if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
            if (status != ERROR_SUCCESS) raiseSystemError(describe("Cannot read the value", name), status);
            if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
            // Text ends at the first NUL; an odd last byte is not part of any character.
            std::wstring_view text{buffer.data(), available / sizeof(wchar_t)};
            text = text.substr(0, text.find(L'\0'));
            return toUtf8(text);
        }
        throw Failure{describe("The value", name) + " kept changing while it was read"};
    }

    void writeString(std::string_view name, std::string_view value) override {
        const std::wstring wideName = registryName(name);
        const std::wstring text = toWide(value);
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);  // with the terminating NUL
        if (bytes > WinRegistry::kMaxValueBytes) {
            throw Failure{describe("The value", name) + " is too long to save (" + std::to_string(bytes) +
                          " bytes)"};
        }
        const LSTATUS status =
            RegSetValueExW(key_.get(), wideName.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
        if (status != ERROR_SUCCESS) raiseSystemError(describe("Cannot save the value", name), status);
    }

  private:
    std::string describe(std::string_view what, std::string_view name) const {
        std::string description{what};
        description += " \"";
        description += name;
        description += "\" of HKEY_CURRENT_USER\\";
        description += path_;
        return description;
    }

    UniqueRegistryKey key_;
    std::string path_;
};

}  // namespace

std::unique_ptr<RegistryKey> WinRegistry::createKey(std::string_view path) {
    UniqueRegistryKey key;
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, registryName(path).c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, kAccess, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        raiseSystemError("Cannot create the registry key HKEY_CURRENT_USER\\" + std::string{path}, status);
    }
    return std::make_unique<WinRegistryKey>(std::move(key), path);
}

std::unique_ptr<RegistryKey> WinRegistry::openKey(std::string_view path) {
    UniqueRegistryKey key;
    const LSTATUS status =
        RegOpenKeyExW(HKEY_CURRENT_USER, registryName(path).c_str(), 0, kAccess, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return nullptr;
    if (status != ERROR_SUCCESS) {
        raiseSystemError("Cannot open the registry key HKEY_CURRENT_USER\\" + std::string{path}, status);
    }
    return std::make_unique<WinRegistryKey>(std::move(key), path);
}

}  // namespace platform::win32
