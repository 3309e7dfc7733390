#include "platform/jet/DatabaseError.h"

namespace platform::jet {
namespace {

std::string describe(DatabaseProblem problem, const std::string& path) {
    switch (problem) {
        case DatabaseProblem::FileNotFound:
            return "Could not find file '" + path + "'.";
        case DatabaseProblem::NoAccess:
            return "The database engine cannot open the file '" + path +
                   "'. It is already opened exclusively by another user, or you need permission to view its "
                   "data.";
        case DatabaseProblem::UnrecognizedFormat:
            return "Unrecognized database format '" + path + "'.";
        case DatabaseProblem::EncryptedFile:
            return "The database '" + path +
                   "' is encrypted as a whole, and encrypted databases cannot be opened here yet. Decrypt it "
                   "in "
                   "Microsoft Access (File, Info, Decrypt Database) and try again.";
        case DatabaseProblem::WrongPassword:
            return "Not a valid password.";
        case DatabaseProblem::Damaged:
            return "Cannot open database '" + path +
                   "'. It may not be a database that your application recognizes, or the file may be "
                   "corrupt.";
    }
    return {};
}

long numberOf(DatabaseProblem problem) {
    switch (problem) {
        case DatabaseProblem::FileNotFound:
            return 3024;
        case DatabaseProblem::NoAccess:
            return 3051;
        case DatabaseProblem::UnrecognizedFormat:
            return 3343;
        case DatabaseProblem::EncryptedFile:
            return 3343;
        case DatabaseProblem::WrongPassword:
            return 3031;
        case DatabaseProblem::Damaged:
            return 3049;
    }
    return 0;
}

}  // namespace

DatabaseError::DatabaseError(DatabaseProblem problem, const std::string& path)
    : std::runtime_error(describe(problem, path)), problem_(problem), engineNumber_(numberOf(problem)) {}

}  // namespace platform::jet
