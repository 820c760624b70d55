#pragma once

#include "testserver/engine/row_store.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/sql_value.h"

#include <string>
#include <string_view>

namespace testserver {

// Converts a value to a column's type as INSERT, UPDATE and ALTER COLUMN
// store it, with SQL Server's refusals under the ODBC driver's settings
// (ANSI_WARNINGS ON): 8152 when text or binary data is longer than the
// column (blanks beyond the length are cut without a word), 241 for text
// that is no date, 8169 for text that is no uniqueidentifier, and
// convertValue's 245, 8114, 220 and 8115 for numbers. NULL stays NULL.
SqlValue columnValue(const StoredColumn& column, const SqlValue& value);

// 515: "Cannot insert the value NULL into column 'c', table 'db.dbo.T';
// column does not allow nulls. INSERT fails." (`verb`: INSERT or UPDATE;
// `schema`: the table's, dbo unless it lives in another).
ServerError nullNotAllowed(std::string_view column, std::string_view database,
                           std::string_view table, std::string_view verb,
                           std::string_view schema = "dbo");

// The refusal of a statement that changes rows, followed by SQL Server's
// 3621 "The statement has been terminated.".
ServerError terminated(const ServerError& error);

// The value as an integer (identity values).
long long integerOf(const SqlValue& value);

} // namespace testserver
