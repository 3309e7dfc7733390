#pragma once

#include <stdexcept>
#include <string>

namespace platform::jet {

enum class DatabaseProblem {
    FileNotFound,        // no such file
    NoAccess,            // the file cannot be read
    UnrecognizedFormat,  // not an Access database, or one this engine or provider does not read
    EncryptedFile,       // encrypted as a whole
    WrongPassword,
    Damaged,  // the header is sound but the catalogue cannot be read
};

// Why a database file did not open, with the database engine's own description and error number.
class DatabaseError : public std::runtime_error {
  public:
    DatabaseError(DatabaseProblem problem, const std::string& path);

    DatabaseProblem problem() const { return problem_; }
    long engineNumber() const { return engineNumber_; }

  private:
    DatabaseProblem problem_;
    long engineNumber_;
};

}  // namespace platform::jet
