#pragma once

#include "tests/testserver_engine/engine_test_support.h"

#include <string>
#include <vector>

namespace testserver::test {

// The column query's rows of one table as
// "FieldName|FieldLength|IsNullable|TypeStat|Collation|colstat|FieldType".
std::vector<std::string> tableColumns(EngineWithSession& db, const std::string& table);

// The index query's rows of one table as "status|IndexName|IndexField|IndexFieldOrder".
std::vector<std::string> tableIndexes(EngineWithSession& db, const std::string& table);

// The default query's rows as "DFName|TableName|DFValue|FieldName".
std::vector<std::string> defaults(EngineWithSession& db);

// Everything the catalog holds, for checking that a refused statement
// changed nothing.
std::vector<std::string> catalogSnapshot(EngineWithSession& db);

} // namespace testserver::test
