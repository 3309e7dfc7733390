#include "platform/jet/file/DatabaseError.h"

namespace platform::jet {
namespace {

std::string describe(DatabaseProblem problem, const std::string& path, const std::string& detail) {
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
            return "The encryption of the database '" + path + "' cannot be read: " + detail + ".";
        case DatabaseProblem::TooLargeToDecrypt:
            return "The database '" + path + "' is encrypted and larger than " + detail +
                   " MB, the most that can be decrypted here.";
        case DatabaseProblem::WrongPassword:
            return "Not a valid password.";
        case DatabaseProblem::Damaged:
            return "Cannot open database '" + path +
                   "'. It may not be a database that your application recognizes, or the file may be "
                   "corrupt.";
        case DatabaseProblem::TimedOut:
            return "Reading the database '" + path + "' took longer than " + detail + " seconds.";
        case DatabaseProblem::TooLarge:
            return "The database '" + path + "' has more objects than can be listed.";
        case DatabaseProblem::EngineFailure:
            return "The database '" + path + "' cannot be read: " + detail;
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
        case DatabaseProblem::EngineFailure:
            return 3049;
        case DatabaseProblem::TimedOut:
        case DatabaseProblem::TooLarge:
        case DatabaseProblem::TooLargeToDecrypt:
            return 3035;  // "System resource exceeded."
    }
    return 0;
}

}  // namespace

DatabaseError::DatabaseError(DatabaseProblem problem, const std::string& path, const std::string& detail)
    : std::runtime_error(describe(problem, path, detail)),
      problem_(problem),
      detail_(detail),
      engineNumber_(numberOf(problem)) {}

}  // namespace platform::jet
