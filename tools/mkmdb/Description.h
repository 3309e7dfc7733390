#pragma once

#include <filesystem>
#include <string_view>

#include "Model.h"

// The text form of a database, one statement per line (see README.md beside this file):
//
//   password "secret"
//   table "Customers"
//   column "Customer ID" Long
//   column "Company" Text 60
//   row 1 "Alder & Co"
//   report "Customer List"
namespace mkmdb {

// Throws Error with "<source>:<line>: <reason>" for the first fault.
Database parseDescription(std::string_view text, std::string_view sourceName);

Database readDescriptionFile(const std::filesystem::path& path);

}  // namespace mkmdb
