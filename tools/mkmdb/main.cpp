// mkmdb: writes an Access (Jet 4) database from a text description.

#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "DatabaseFile.h"
#include "Description.h"

namespace {

constexpr std::string_view kUsage =
    "usage: mkmdb [--force] DESCRIPTION OUTPUT.mdb\n"
    "Writes the Access database that DESCRIPTION describes. An existing OUTPUT is replaced only\n"
    "with --force.\n";

}  // namespace

int main(int argc, char** argv) {
    bool force = false;
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--force" || argument == "-f") {
            force = true;
        } else if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (argument.starts_with("-") && argument != "-") {
            std::cerr << "mkmdb: unknown option " << argument << "\n" << kUsage;
            return 2;
        } else {
            paths.emplace_back(argument);
        }
    }
    if (paths.size() != 2) {
        std::cerr << kUsage;
        return 2;
    }
    const auto& description = paths[0];
    const auto& output = paths[1];
    try {
        std::error_code error;
        if (std::filesystem::equivalent(description, output, error))
            throw mkmdb::Error("the output would overwrite the description");
        const auto database = mkmdb::readDescriptionFile(description);
        mkmdb::writeDatabaseFile(database, output,
                                 force ? mkmdb::Overwrite::Replace : mkmdb::Overwrite::Refuse);
    } catch (const mkmdb::Error& error) {
        std::cerr << "mkmdb: " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "mkmdb: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
