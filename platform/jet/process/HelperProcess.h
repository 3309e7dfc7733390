#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::jet::helper {

// Limits a helper process before it touches a file: no core dumps, bounded memory and processor
// time, and it dies with the program that started it.
void prepareHelperProcess();

// A helper that serves many jobs gives each its own processor time, counted from now: the time its
// earlier jobs took does not count against the next.
void allowProcessorTimeForNextJob();
void allowProcessorTimeForNextJob(rlim_t seconds);

// The character set of Access 97 texts, as the program found it in the file's header and passed on in
// the helper's environment (MDB_JET3_CHARSET); Windows' Western code page when it said none.
std::string jet3Charset();

// The Windows code page of the file's header, as the program passed it on (CALVENOR_CODE_PAGE); 0 when
// it said none.
std::uint16_t databaseCodePage();

// The database's path as the program passed it on (CALVENOR_DATABASE_PATH); none when it said none.
std::optional<std::string> databasePath();

// Writes the helper's whole result to the result descriptor; false when it could not.
bool writeResult(std::string_view result);

}  // namespace platform::jet::helper
