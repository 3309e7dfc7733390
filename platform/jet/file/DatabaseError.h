#pragma once

#include <stdexcept>
#include <string>

namespace platform::jet {

enum class DatabaseProblem {
    FileNotFound,        // no such file
    NoAccess,            // the file cannot be read
    UnrecognizedFormat,  // not an Access database, or one this engine or provider does not read
    EncryptedFile,       // encrypted as a whole in a way that cannot be read; the detail says why
    TooLargeToDecrypt,   // encrypted and larger than the engine decrypts in memory; the detail: the limit in
                         // MB
    WrongPassword,
    Damaged,        // the header is sound but the catalogue cannot be read
    TimedOut,       // reading the catalogue took longer than the engine allows
    TooLarge,       // the catalogue is larger than the engine takes
    EngineFailure,  // the engine itself failed (its helper program could not run); the detail says how
};

// Why a database file did not open, with the database engine's own description and error number.
class DatabaseError : public std::runtime_error {
  public:
    // detail: the time limit in seconds for TimedOut, the reason for EngineFailure and EncryptedFile.
    DatabaseError(DatabaseProblem problem, const std::string& path, const std::string& detail = {});

    DatabaseProblem problem() const { return problem_; }
    const std::string& detail() const { return detail_; }
    long engineNumber() const { return engineNumber_; }

  private:
    DatabaseProblem problem_;
    std::string detail_;
    long engineNumber_;
};

}  // namespace platform::jet
