#pragma once

// DAO as report code reads it, over the host's DatabaseRows: CurrentDb (also DBEngine(0)(0)) with
// OpenRecordset and QueryDefs(name).SQL, Recordsets walked forward and back, and CurrentProject's
// Name, FullName and Path. Read-only: Execute, Edit, AddNew, Update, CreateQueryDef and a field
// written are skipped and noted (a report's code writes logs and scratch tables, not what it prints).

#include <memory>
#include <string_view>

#include "platform/jet/vba/Objects.h"

namespace platform::jet::vba {

// The object of that lower-case name: "currentdb", "dbengine" or "currentproject"; null for others.
std::shared_ptr<Object> daoObject(std::string_view name, DatabaseRows& database);

// Application: its CurrentDb, DBEngine and CurrentProject over the database (none: they are no
// members), anything else as the report's host answers it (Forms, Reports, ...).
// tempVars: the run's TempVars, Application.TempVars.
std::shared_ptr<Object> applicationObject(DatabaseRows* database, ReportHost* report,
                                          std::shared_ptr<Object> tempVars = nullptr);

// Access's TempVars for one report run: set by Add or TempVars!Name = value, read by name or number
// (from 0), Remove, RemoveAll, Count. One nothing set reads Null, as in Access; printed here, no form
// of the database ran before the report to set any.
std::shared_ptr<Object> tempVariables();

// Forms or Reports (a lower-case name) where the host opened none: each asked for by name is Access's
// trappable error for one not open (2450, 2451); Count is 0. Null for other names.
std::shared_ptr<Object> noneOpen(std::string_view name);

}  // namespace platform::jet::vba
