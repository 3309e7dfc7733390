#include "platform/jet/print/PdfWriterPrinter.h"

#include <filesystem>
#include <optional>

#include "platform/Failure.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/OutputFolder.h"

namespace platform::jet {
namespace {

std::string prefix() {
    return std::string(kPdfWriterName) + ": ";
}

}  // namespace

std::string PdfWriterPrinter::takeOutputFile() {
    std::optional<std::string> outputFile;
    if (auto key = registry_.openKey(kPdfWriterKey)) {
        outputFile = key->readString("OutputFile");
        key->readString("BypassSaveAs");  // read as the printer does; without a dialog it changes nothing
    }
    if (!outputFile || outputFile->empty())
        throw Failure(prefix() + "no output file is set (the value \"OutputFile\" of HKEY_CURRENT_USER\\" +
                      kPdfWriterKey + " is missing). The print job was not saved.");
    const std::filesystem::path path(*outputFile);
    if (!path.is_absolute() || !path.has_filename() || path.filename() == "." || path.filename() == "..")
        throw Failure(prefix() + "the output file '" + *outputFile +
                      "' is not a full path to a file. The print job was not saved.");
    if (const auto problem = posix::outputFolderProblem(path.parent_path().string()))
        throw Failure(prefix() + "the folder of the output file '" + *outputFile +
                      "' cannot take it: " + problem->reason + ". The print job was not saved.");
    return *outputFile;
}

void PdfWriterPrinter::write(const std::string& outputFile, std::string_view pdf) {
    try {
        posix::writeFileAtomically(outputFile, pdf, posix::FileAccess::Ordinary, posix::Overwrite::Replace);
    } catch (const Failure& failure) {
        throw Failure(prefix() + failure.description() + ". The print job was not saved.");
    }
}

}  // namespace platform::jet
