#include "platform/jet/PdfWriterPrinter.h"

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Failure.h"
#include "platform/jet/OutputPath.h"
#include "platform/posix/AtomicFile.h"

namespace platform::jet {
namespace {

std::string prefix() {
    return std::string(kPdfWriterName) + ": ";
}

}  // namespace

void PdfWriterPrinter::print(std::string_view pdf) {
    std::optional<std::string> outputFile;
    if (auto key = registry_.openKey(kPdfWriterKey)) {
        outputFile = key->readString("OutputFile");
        key->readString("BypassSaveAs");  // read as the printer does; without a dialog it changes nothing
    }
    if (!outputFile || outputFile->empty())
        throw Failure(prefix() + "no output file is set (the value \"OutputFile\" of HKEY_CURRENT_USER\\" +
                      kPdfWriterKey + " is missing). The print job was not saved.");
    const std::filesystem::path path(*outputFile);
    if (!isPlainFullPath(path))
        throw Failure(prefix() + "the output file '" + *outputFile +
                      "' is not a full path to a file. The print job was not saved.");
    std::error_code error;
    if (!std::filesystem::is_directory(path.parent_path(), error))
        throw Failure(prefix() + "the folder of the output file '" + *outputFile +
                      "' does not exist. The print job was not saved.");
    try {
        posix::writeFileAtomically(*outputFile, pdf, posix::FileAccess::Ordinary, posix::Overwrite::Replace);
    } catch (const Failure& failure) {
        throw Failure(prefix() + failure.description() + ". The print job was not saved.");
    }
}

}  // namespace platform::jet
