#include "tests/platform/win32/servers/Registration.h"

#include <windows.h>
#include <winspool.h>

#include <stdexcept>

#include "tests/platform/win32/servers/StandInClasses.h"

namespace calvenor::stand_in {

namespace {

constexpr wchar_t kPrinters[] = L"System\\CurrentControlSet\\Control\\Print\\Printers\\";

void setText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    const LSTATUS status = RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot register the stand-in servers");
}

void setNumber(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value) {
    if (RegSetKeyValueW(root, key.c_str(), name, REG_DWORD, &value, sizeof value) != ERROR_SUCCESS)
        throw std::runtime_error("cannot install the printer");
}

std::wstring classKey(const wchar_t* classId) {
    return std::wstring(L"CLSID\\") + classId;
}

}  // namespace

std::wstring folderOfThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

RegisteredServers::RegisteredServers(const std::wstring& folder, Serve serve) {
    remove();
    if (serve == Serve::AccessAndAdo)
        setText(HKEY_CLASSES_ROOT, classKey(kAccessClass) + L"\\LocalServer32", nullptr,
                L"\"" + folder + L"\\" + kAccessServerProgram + L"\"");
    const std::wstring adoServer = classKey(kAdoClass) + L"\\InprocServer32";
    setText(HKEY_CLASSES_ROOT, adoServer, nullptr, folder + L"\\" + kAdoServerModule);
    setText(HKEY_CLASSES_ROOT, adoServer, L"ThreadingModel", L"Apartment");
    setText(HKEY_CLASSES_ROOT, std::wstring(kAdoProgId) + L"\\CLSID", nullptr, kAdoClass);
}

RegisteredServers::~RegisteredServers() {
    remove();
}

void RegisteredServers::remove() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey(kAccessClass).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey(kAdoClass).c_str());
    RegSetKeyValueW(HKEY_CLASSES_ROOT, (std::wstring(kAdoProgId) + L"\\CLSID").c_str(), nullptr, REG_SZ,
                    kSystemAdoClass, sizeof kSystemAdoClass);
}

InstalledPrinter::InstalledPrinter(std::wstring deviceName) : deviceName_(std::move(deviceName)) {
    const std::wstring key = kPrinters + deviceName_;
    setText(HKEY_LOCAL_MACHINE, key, L"Name", deviceName_);
    setText(HKEY_LOCAL_MACHINE, key, L"Port", L"CPW2:");
    setNumber(HKEY_LOCAL_MACHINE, key, L"Attributes", PRINTER_ATTRIBUTE_LOCAL);
}

InstalledPrinter::~InstalledPrinter() {
    remove(deviceName_);
}

void InstalledPrinter::remove(const std::wstring& deviceName) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kPrinters + deviceName).c_str());
}

}  // namespace calvenor::stand_in
