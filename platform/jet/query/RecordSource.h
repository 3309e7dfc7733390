#pragma once

// The rows behind a report: a table, a saved query or SQL text, read from the database with libmdb
// and answered by an in-memory SQLite database. Runs in a helper process over possibly hostile files,
// so every table is checked page by page before libmdb reads it, and every query is bounded.

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>

#include <string_view>
#include <vector>

#include "platform/jet/query/Value.h"

namespace platform::jet::query {

class CodeFunctions;
class ParameterValues;
struct Parameter;

// The rows of a report's record source: a table's name, a saved query's name, or SQL text, with the
// values given for the parameters it asks for and the database's code for the functions its queries
// call. Raises QueryError on anything it cannot do, and when it asks for a parameter not given,
// naming each one missing.
RowSet readRecordSource(MdbHandle* database, std::string_view recordSource, const QueryLimits& limits,
                        const ParameterValues& values, CodeFunctions* code = nullptr);
RowSet readRecordSource(MdbHandle* database, std::string_view recordSource, const QueryLimits& limits = {});

// The parameters the record source asks for, in the order Access asks, without reading any rows.
std::vector<Parameter> recordSourceParameters(MdbHandle* database, std::string_view recordSource,
                                              const QueryLimits& limits = {}, CodeFunctions* code = nullptr);

}  // namespace platform::jet::query
