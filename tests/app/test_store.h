#pragma once

#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <string>

namespace dbc::test {

// Writes a store at `path` whose SourceTable holds `rows` rows: FieldName
// "Field<n>", FieldLength "<n>", FieldType "varchar", TableName "Table<n/10>".
void writeStore(const std::filesystem::path& path, int rows);

// The bytes of a file, to see that it was left untouched.
std::string fileBytes(const std::filesystem::path& path);

} // namespace dbc::test
