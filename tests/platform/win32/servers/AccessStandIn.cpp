#include "tests/platform/win32/servers/AccessStandIn.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/PdfPrinter.h"
#include "platform/Access.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinPrinters.h"
#include "tests/platform/win32/servers/DatabaseDescription.h"
#include "tests/platform/win32/servers/PdfFile.h"

namespace calvenor::stand_in {

namespace {

constexpr wchar_t kSource[] = L"Microsoft Access";
constexpr long kViewNormal = 0;    // acViewNormal: straight to the printer
constexpr long kViewPreview = 2;   // acViewPreview: Access's print preview
constexpr long kOutputReport = 3;  // acOutputReport

HRESULT accessError(int number) {
    return MAKE_HRESULT(1, FACILITY_CONTROL, number);
}

bool sameText(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

struct Instance {
    std::optional<DatabaseDescription> database;
    std::vector<std::wstring> ownPrinters;  // the printers the databases opened so far brought along
    std::wstring currentPrinter;            // empty until asked: then the first printer, as Windows' default
    bool visible = false;
    std::wstring lastOpened;  // the database last asked for: its ".quit" marker says Access was told to quit
    HWND window = nullptr;    // Access's main window, made when first asked for or shown

    Instance() = default;
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance() {
        if (window) DestroyWindow(window);
    }

    HWND mainWindow() {
        if (!window)
            window = CreateWindowExW(0, L"STATIC", L"Microsoft Access", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                     CW_USEDEFAULT, 640, 480, nullptr, nullptr, GetModuleHandleW(nullptr),
                                     nullptr);
        return window;
    }

    void show(bool shown) {
        visible = shown;
        if (HWND main = mainWindow()) ShowWindow(main, shown ? SW_SHOW : SW_HIDE);
    }

    // Each report previewed, with whether Access was visible then, a line in the database's ".preview"
    // marker.
    void notePreview(const std::wstring& report) const {
        const HANDLE marker = CreateFileW((lastOpened + L".preview").c_str(), FILE_APPEND_DATA, 0, nullptr,
                                          OPEN_ALWAYS, 0, nullptr);
        if (marker == INVALID_HANDLE_VALUE) return;
        const std::string line = platform::win32::toUtf8(report) + (visible ? "|visible\n" : "|hidden\n");
        DWORD written = 0;
        WriteFile(marker, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(marker);
    }

    const DatabaseDescription& open() const {
        if (!database)
            throw ServerError{L"You can't carry out this action at the present time.", accessError(2486)};
        return *database;
    }

    const std::wstring& report(const std::wstring& name) const {
        for (const auto& report : open().reports)
            if (sameText(report, name)) return report;
        throw ServerError{
            L"The report name '" + name +
                L"' you entered in either the property sheet or macro is misspelled or refers to a "
                L"report that doesn't exist.",
            accessError(2103)};
    }

    std::vector<std::wstring> printers() const {
        std::vector<std::wstring> names;
        for (const auto& name : platform::win32::WinPrinters().deviceNames())
            names.push_back(platform::win32::toWide(name));
        names.insert(names.end(), ownPrinters.begin(), ownPrinters.end());
        return names;
    }

    const std::wstring& printer() {
        if (currentPrinter.empty()) {
            const auto installed = printers();
            if (installed.empty())
                throw ServerError{L"There are no printers installed on this computer.", accessError(2202)};
            currentPrinter = installed.front();
        }
        return currentPrinter;
    }
};

// The PDF printer's side of a print job: the file its registry key names, without a dialog only when told.
void printOnPdfPrinter(const std::wstring& report) {
    const std::wstring key = platform::win32::toWide(pdf_printer::kKey);
    auto value = [&](const char* name) {
        wchar_t text[MAX_PATH * 2] = {};
        DWORD size = sizeof text;
        if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), platform::win32::toWide(name).c_str(), RRF_RT_REG_SZ,
                         nullptr, text, &size) != ERROR_SUCCESS)
            return std::wstring{};
        return std::wstring{text};
    };
    const std::wstring path = value(pdf_printer::kOutputFile);
    // Anything but "1" would ask the user where to save: a stand-in has nobody to ask, so nothing is written.
    if (path.empty() || value(pdf_printer::kBypassSaveAs) != L"1") return;
    writePdf(path, report);
}

ComPtr<AutomationObject> createNamed(const AutomationObject::Conduct& conduct,
                                     const std::wstring& nameProperty, std::wstring name) {
    auto object = AutomationObject::create(kSource, conduct);
    object->define(nameProperty, [name](Call&, VARIANT* result) { answerText(result, name); });
    return object;
}

// A collection of named objects, by position from 0 or by name.
ComPtr<AutomationObject> createCollection(const AutomationObject::Conduct& conduct,
                                          std::vector<std::wstring> names, std::wstring nameProperty) {
    auto collection = AutomationObject::create(kSource, conduct);
    collection->define(
        L"Count", [names](Call&, VARIANT* result) { answerNumber(result, static_cast<long>(names.size())); });
    collection->define(L"Item", [=](Call& call, VARIANT* result) {
        if (V_VT(&call.value(0)) == VT_BSTR) {
            for (const auto& name : names)
                if (sameText(name, call.text(0)))
                    return answerObject(result, createNamed(conduct, nameProperty, name));
        } else if (const long index = call.number(0); index >= 0 && index < static_cast<long>(names.size())) {
            return answerObject(result,
                                createNamed(conduct, nameProperty, names[static_cast<std::size_t>(index)]));
        }
        throw ServerError{L"The expression you entered refers to an object that is closed or doesn't exist.",
                          accessError(2467)};
    });
    return collection;
}

ComPtr<AutomationObject> createDoCmd(const std::shared_ptr<Instance>& instance,
                                     const AutomationObject::Conduct& conduct) {
    auto doCmd = AutomationObject::create(kSource, conduct);
    // ReportName, View, FilterName, WhereCondition, WindowMode, OpenArgs.
    doCmd->define(L"OpenReport", [instance](Call& call, VARIANT*) {
        const std::wstring report = instance->report(call.text(0));
        call.requireOmittedOr(1, VT_I4);
        call.requireOmittedOr(2, VT_BSTR);
        call.requireOmittedOr(3, VT_BSTR);
        call.requireOmittedOr(4, VT_I4);
        call.requireOmittedOr(5, VT_BSTR);
        const long view = call.given(1) ? call.number(1) : kViewNormal;
        if (view == kViewPreview) instance->notePreview(report);
        if (view == kViewNormal && instance->printer() == platform::win32::toWide(pdf_printer::kDeviceName))
            printOnPdfPrinter(report);
    });
    // ObjectType, ObjectName, OutputFormat, OutputFile, AutoStart, TemplateFile, Encoding, OutputQuality.
    doCmd->define(L"OutputTo", [instance](Call& call, VARIANT*) {
        if (call.number(0) != kOutputReport)
            throw ServerError{L"The object type isn't supported here.", accessError(2059)};
        const std::wstring report = instance->report(call.text(1));
        if (!sameText(call.text(2), platform::win32::toWide(platform::access::kFormatPdf)))
            throw ServerError{
                L"The format in which you are attempting to output the current object is not available.",
                accessError(2282)};
        const std::wstring path = call.text(3);
        call.requireOmittedOr(4, VT_BOOL);
        call.requireOmittedOr(5, VT_BSTR);
        call.requireOmittedOr(6, VT_I4);
        call.requireOmittedOr(7, VT_I4);
        if (!writePdf(path, report))
            throw ServerError{L"Microsoft Access can't save the output data to the file you've selected.",
                              accessError(2302)};
    });
    return doCmd;
}

}  // namespace

ComPtr<AutomationObject> createAccessApplication() {
    auto instance = std::make_shared<Instance>();
    const AutomationObject::Conduct conduct = [instance](const std::wstring& member) {
        if (instance->database && member != L"OpenCurrentDatabase") conductFor(*instance->database, member);
    };
    auto application = AutomationObject::create(kSource, conduct);
    // filepath, Exclusive, bstrPassword.
    application->define(L"OpenCurrentDatabase", [instance](Call& call, VARIANT*) {
        if (instance->database) throw ServerError{L"You already have the database open.", accessError(7867)};
        const std::wstring path = call.text(0);
        instance->lastOpened = path;
        if (call.given(1)) call.boolean(1);
        call.requireOmittedOr(2, VT_BSTR);
        ReadDescription read = readDescription(path);
        if (!read.description) {
            if (read.problem == DescriptionProblem::Missing)
                throw ServerError{
                    L"Microsoft Access can't open the database because it is missing, or opened "
                    L"exclusively by another user, or it is not an ADP file.",
                    accessError(7866)};
            throw ServerError{L"Unrecognized database format '" + path + L"'.", accessError(3343)};
        }
        conductFor(*read.description, L"OpenCurrentDatabase");
        if ((call.given(2) ? call.text(2) : L"") != read.description->password)
            throw ServerError{L"Not a valid password.", accessError(3031)};
        for (const auto& printer : read.description->printers)
            if (std::find(instance->ownPrinters.begin(), instance->ownPrinters.end(), printer) ==
                instance->ownPrinters.end())
                instance->ownPrinters.push_back(printer);
        instance->database = std::move(read.description);
    });
    application->define(L"CurrentProject", [instance, conduct](Call&, VARIANT* result) {
        auto project = AutomationObject::create(kSource, conduct);
        project->define(L"AllReports", [instance, conduct](Call&, VARIANT* result) {
            if (!instance->database)
                throw ServerError{
                    L"The expression you entered refers to an object that is closed or doesn't exist.",
                    accessError(2467)};
            answerObject(result, createCollection(conduct, instance->database->reports, L"Name"));
        });
        answerObject(result, std::move(project));
    });
    application->define(L"Printers", [instance, conduct](Call&, VARIANT* result) {
        answerObject(result, createCollection(conduct, instance->printers(), L"DeviceName"));
    });
    application->define(L"Printer", [instance, conduct](Call& call, VARIANT* result) {
        if (!call.isPut())
            return answerObject(result, createNamed(conduct, L"DeviceName", instance->printer()));
        const VARIANT& assigned = call.assigned();
        if (V_VT(&assigned) != VT_DISPATCH) throw ServerError{L"Type mismatch", DISP_E_TYPEMISMATCH};
        const std::wstring name = textProperty(V_DISPATCH(&assigned), L"DeviceName");
        for (const auto& printer : instance->printers())
            if (printer == name) {
                instance->currentPrinter = printer;
                return;
            }
        throw ServerError{L"The printer '" + name + L"' isn't available.", accessError(2212)};
    });
    application->define(L"DoCmd", [instance, conduct](Call&, VARIANT* result) {
        answerObject(result, createDoCmd(instance, conduct));
    });
    application->define(L"CloseCurrentDatabase", [instance](Call&, VARIANT*) { instance->database.reset(); });
    application->define(L"Quit", [instance](Call& call, VARIANT*) {
        call.requireOmittedOr(0, VT_I4);
        if (!instance->lastOpened.empty()) {
            const HANDLE marker = CreateFileW((instance->lastOpened + L".quit").c_str(), GENERIC_WRITE, 0,
                                              nullptr, CREATE_ALWAYS, 0, nullptr);
            if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
        }
        instance->database.reset();  // the process ends as the caller lets go of the instance
    });
    application->define(L"Visible", [instance](Call& call, VARIANT* result) {
        if (call.isPut())
            instance->show(V_VT(&call.assigned()) == VT_BOOL && V_BOOL(&call.assigned()) == VARIANT_TRUE);
        else
            answerBool(result, instance->visible);
    });
    application->define(L"hWndAccessApp", [instance](Call&, VARIANT* result) {
        answerNumber(result, static_cast<long>(reinterpret_cast<INT_PTR>(instance->mainWindow())));
    });
    return application;
}

}  // namespace calvenor::stand_in
