#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Failure.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinRegistry.h"

namespace {

using platform::win32::toWide;
using platform::win32::WinRegistry;

constexpr char kSettingsKey[] = "Software\\VB and VBA Program Settings\\Drevmark\\Calvenor";
constexpr char kScratchRoot[] = "Software\\Calvenor win32_tests";

// A private corner of the registry, gone before and after each test.
class WinRegistryTest : public testing::Test {
  protected:
    void SetUp() override { removeScratch(); }
    void TearDown() override { removeScratch(); }
    static void removeScratch() { RegDeleteTreeW(HKEY_CURRENT_USER, toWide(kScratchRoot).c_str()); }

    // Stores raw bytes of any type, as another program might have left them.
    static void storeRaw(const char* path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, toWide(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    WinRegistry registry;
};

TEST_F(WinRegistryTest, TextRoundTripsThroughANewKeyAndItsParents) {
    const std::string path = std::string{kScratchRoot} + "\\Drevmark\\Calvenor\\Form1";
    ASSERT_EQ(registry.openKey(path), nullptr);
    const struct {
        const char* name;
        std::string value;
    } cases[] = {
        {"Database", "C:\\Data\\Northwind.mdb"},
        {"Greek", "Πωλήσεις"},
        {"Japanese", "年度売上"},
        {"Empty", ""},
        {"Ελληνικά", "a name in Greek"},
    };
    {
        auto key = registry.createKey(path);
        for (const auto& c : cases) key->writeString(c.name, c.value);
    }
    auto reopened = registry.openKey(path);
    ASSERT_NE(reopened, nullptr);
    for (const auto& c : cases) EXPECT_EQ(reopened->readString(c.name), c.value) << c.name;
    EXPECT_EQ(reopened->readString("DATABASE"), cases[0].value);  // names ignore letter case
    EXPECT_EQ(reopened->readString("Missing"), std::nullopt);
    EXPECT_EQ(registry.openKey(std::string{kScratchRoot} + "\\Drevmark\\Missing"), nullptr);
}

TEST_F(WinRegistryTest, TheSettingsKeyKeepsAValue) {
    const std::string name = "win32_tests " + std::to_string(GetCurrentProcessId());
    registry.createKey(kSettingsKey)->writeString(name, "Sales by Year");
    auto key = registry.openKey(kSettingsKey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->readString(name), "Sales by Year");

    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, toWide(kSettingsKey).c_str(), 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, &raw),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(raw, toWide(name).c_str(), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, sizeof(L"Sales by Year"));  // stored with its terminating NUL
    RegDeleteValueW(raw, toWide(name).c_str());
    RegCloseKey(raw);
}

TEST_F(WinRegistryTest, ValuesOtherProgramsLeftReadSafely) {
    const DWORD number = 42;
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    const wchar_t expandable[] = L"%TEMP%\\x";
    const char oddLength[] = {'a', 0, 'b', 0, 'c'};  // "ab" and half a character
    storeRaw(kScratchRoot, L"Number", REG_DWORD, &number, sizeof number);
    storeRaw(kScratchRoot, L"Binary", REG_BINARY, "abc", 3);
    storeRaw(kScratchRoot, L"Unterminated", REG_SZ, unterminated, sizeof unterminated);
    storeRaw(kScratchRoot, L"Expandable", REG_EXPAND_SZ, expandable, sizeof expandable);
    storeRaw(kScratchRoot, L"OddLength", REG_SZ, oddLength, sizeof oddLength);
    const std::wstring huge(WinRegistry::kMaxValueBytes, L'x');
    storeRaw(kScratchRoot, L"Huge", REG_SZ, huge.c_str(),
             static_cast<DWORD>((huge.size() + 1) * sizeof(wchar_t)));

    auto key = registry.openKey(kScratchRoot);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->readString("Number"), std::nullopt);
    EXPECT_EQ(key->readString("Binary"), std::nullopt);
    EXPECT_EQ(key->readString("Unterminated"), "abc");
    EXPECT_EQ(key->readString("Expandable"), "%TEMP%\\x");
    EXPECT_EQ(key->readString("OddLength"), "ab");
    EXPECT_THROW(key->readString("Huge"), platform::Failure);
}

TEST_F(WinRegistryTest, FailuresCarryTheSystemsText) {
    // A value name longer than the registry allows (16,383 characters) fails to save.
    auto key = registry.createKey(kScratchRoot);
    try {
        key->writeString(std::string(20000, 'n'), "x");
        FAIL() << "no Failure raised";
    } catch (const platform::Failure& failure) {
        EXPECT_NE(failure.number(), 0);
        EXPECT_NE(failure.description().find("Cannot save the value"), std::string::npos);
    }
    EXPECT_THROW(key->writeString(std::string{"a\0b", 3}, "x"), platform::Failure);
    EXPECT_THROW(key->writeString("Huge", std::string(WinRegistry::kMaxValueBytes, 'x')), platform::Failure);
}

}  // namespace
