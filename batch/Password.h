#pragma once

#include <optional>
#include <string>

namespace calvenor::batch {

inline constexpr char kPasswordVariable[] = "CALVENOR_PASSWORD";

// The first line of the file, without its line end ("\n" or "\r\n"); empty for an empty file. None
// when the file cannot be read. Reads no further than a password can reach, whatever the file is.
std::optional<std::string> readPasswordFile(const std::string& utf8Path);

}  // namespace calvenor::batch
