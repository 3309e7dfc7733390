#include "tests/platform/win32/servers/PdfFile.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/ScopedHandles.h"

namespace calvenor::stand_in {

namespace {

// The text as a PDF string literal in the standard Latin encoding of the base fonts.
std::string pdfString(const std::wstring& text) {
    std::string latin;
    if (!text.empty()) {
        const int size = WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
        latin.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), latin.data(), size, nullptr,
                            nullptr);
    }
    std::string literal = "(";
    for (char c : latin) {
        if (c == '(' || c == ')' || c == '\\') literal += '\\';
        literal += c;
    }
    return literal + ")";
}

std::string document(const std::wstring& text) {
    const std::string content = "BT /F1 24 Tf 72 720 Td " + pdfString(text) + " Tj ET\n";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> >> "
        "/Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t index = 0; index < objects.size(); ++index) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(index + 1) + " 0 obj\n" + objects[index] + "\nendobj\n";
    }
    const std::size_t table = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(table) + "\n%%EOF\n";
    return pdf;
}

}  // namespace

bool writePdf(const std::wstring& path, const std::wstring& text) {
    const std::string pdf = document(text);
    HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    platform::win32::UniqueHandle file(opened);
    DWORD written = 0;
    return WriteFile(file.get(), pdf.data(), static_cast<DWORD>(pdf.size()), &written, nullptr) &&
           written == pdf.size();
}

}  // namespace calvenor::stand_in
