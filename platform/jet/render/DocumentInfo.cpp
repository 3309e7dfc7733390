#include "platform/jet/render/DocumentInfo.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>


namespace platform::jet::render {
namespace {

// A text as a PDF string in UTF-16BE, as hex: any character, nothing to escape.
std::string pdfText(const std::string& text) {
    std::string hex = "<FEFF";
    char digits[5];
    for (char16_t unit : QString::fromStdString(text).toStdU16String()) {
        std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(unit));
        hex += digits;
    }
    return hex + ">";
}

// The number after the last key in the text's trailer part, as written.
std::optional<std::string> lastValue(std::string_view pdf, std::string_view key, bool reference) {
    const std::size_t at = pdf.rfind(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t start = pdf.find_first_not_of(" \r\n", at + key.size());
    if (start == std::string_view::npos) return std::nullopt;
    std::size_t end = pdf.find_first_not_of("0123456789", start);
    if (reference && end != std::string_view::npos) end = pdf.find('R', end) + 1;  // "2 0 R"
    if (end == std::string_view::npos || end == start) return std::nullopt;
    return std::string(pdf.substr(start, end - start));
}

}  // namespace

bool hasEvents(const design::ReportDesign& design) {
    if (!design.onOpen.empty() || !design.onClose.empty() || !design.onNoData.empty() ||
        !design.onPage.empty() || !design.onActivate.empty())
        return true;
    return std::any_of(design.sections.begin(), design.sections.end(), [](const design::Section& section) {
        return !section.onFormat.empty() || !section.onPrint.empty() || !section.onRetreat.empty();
    });
}

std::string plainReason(const std::string& reason) {
    std::string plain = reason;
    while (!plain.empty() && (plain.back() == '.' || plain.back() == ' ')) plain.pop_back();
    if (plain.size() > 1 && std::isupper(static_cast<unsigned char>(plain[0])) &&
        std::islower(static_cast<unsigned char>(plain[1])))
        plain[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(plain[0])));
    return plain;
}

std::string withoutRows(const std::string& reason, const std::string& subreport) {
    return kWithoutRows + (subreport.empty() ? "" : "in the subreport " + subreport + ", ") +
           plainReason(reason);
}

std::string approximationNote(const std::set<std::string>& omissions) {
    if (omissions.empty()) return {};
    // A report of many controls that cannot be evaluated names a few of them.
    constexpr int kNamedNotEvaluated = 5;
    std::string withoutItsRows, notEvaluated, notDrawn, code;
    int unnamed = -kNamedNotEvaluated, codeUnnamed = -kNamedNotEvaluated;
    for (const auto& omission : omissions) {
        if (omission.starts_with(kWithoutRows))
            withoutItsRows += (withoutItsRows.empty() ? "" : "; ") + omission;
        else if (omission.starts_with(kNotEvaluated) && ++unnamed <= 0)
            notEvaluated += (notEvaluated.empty() ? "it cannot evaluate " : ", ") +
                            omission.substr(std::string_view(kNotEvaluated).size());
        else if (omission.starts_with(kCodeNote) && ++codeUnnamed <= 0)
            code += (code.empty() ? "its code: " : "; ") + omission.substr(std::string_view(kCodeNote).size());
        else if (omission != kEventsNotRun && !omission.starts_with(kNotEvaluated) && !omission.starts_with(kCodeNote))
            notDrawn += (notDrawn.empty() ? "" : ", ") + omission;
    }
    if (unnamed > 0) notEvaluated += " and " + std::to_string(unnamed) + " more";
    if (codeUnnamed > 0) code += "; and " + std::to_string(codeUnnamed) + " more";
    if (!notEvaluated.empty()) withoutItsRows += (withoutItsRows.empty() ? "" : "; ") + notEvaluated;
    if (!code.empty()) withoutItsRows += (withoutItsRows.empty() ? "" : "; ") + code;
    std::string note = std::string{kApproximationSubjectStart} + withoutItsRows;
    if (!withoutItsRows.empty() && (!notDrawn.empty() || omissions.count(kEventsNotRun))) note += "; ";
    if (!notDrawn.empty()) note += notDrawn + " are not drawn";
    if (omissions.count(kEventsNotRun))
        note += std::string(notDrawn.empty() ? "its " : ", and its ") + kEventsNotRun + " do not run";
    return note + ".";
}

std::string withDocumentInfo(std::string pdf, const std::string& title,
                             const std::set<std::string>& omissions) {
    const auto root = lastValue(pdf, "/Root", true);
    const auto sizeText = lastValue(pdf, "/Size", false);
    const auto previous = lastValue(pdf, "startxref", false);
    std::size_t size = 0;
    if (!root || !sizeText || !previous ||
        std::from_chars(sizeText->data(), sizeText->data() + sizeText->size(), size).ec != std::errc())
        return pdf;
    if (!pdf.ends_with('\n')) pdf += '\n';
    const std::size_t infoOffset = pdf.size();
    pdf += std::to_string(size) + " 0 obj\n<< /Title " + pdfText(title) + " /Creator " + pdfText("Calvenor");
    if (!omissions.empty()) {
        std::string keywords{kApproximationKeyword};
        for (const auto& omission : omissions)
            keywords += (omission == kEventsNotRun ? "; not run: "
                         : omission.starts_with(kWithoutRows) || omission.starts_with(kNotEvaluated) ||
                                 omission.starts_with(kCodeNote)
                             ? "; "
                             : "; not drawn: ") +
                        omission;
        pdf += " /Subject " + pdfText(approximationNote(omissions)) + " /Keywords " + pdfText(keywords);
    }
    pdf += " >>\nendobj\n";
    const std::size_t xrefOffset = pdf.size();
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", infoOffset);
    pdf += "xref\n" + std::to_string(size) + " 1\n" + entry;
    pdf += "trailer\n<< /Size " + std::to_string(size + 1) + " /Root " + *root + " /Info " +
           std::to_string(size) + " 0 R /Prev " + *previous + " >>\nstartxref\n" +
           std::to_string(xrefOffset) + "\n%%EOF\n";
    return pdf;
}

}  // namespace platform::jet::render
