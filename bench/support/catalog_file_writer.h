#pragma once

#include "bench/support/synthetic_schema.h"

#include <filesystem>
#include <string>

namespace dbc::bench {

// Writes `schema` as DIR/NAME.sqlite, the catalog file that the test server
// serves as database NAME: the system tables sysobjects, syscolumns,
// sysindexes, sysindexkeys and syscomments filled with the rows that the
// server's own CREATE TABLE, CREATE INDEX, CREATE PROCEDURE/VIEW/TRIGGER and
// DEFAULT constraints would have written, in one transaction. Far faster than
// running the equivalent T-SQL script through the server. An existing file of
// that name is replaced.
void writeCatalogFile(const std::filesystem::path& dataDir, const std::string& name,
                      const SyntheticSchema& schema);

} // namespace dbc::bench
