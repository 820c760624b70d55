#pragma once

#include <filesystem>
#include <string>

namespace dbc::test {

// A scratch directory removed with everything in it when the object dies.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
};

// Writes a store at `path` whose SourceTable holds `rows` rows: FieldName
// "Field<n>", FieldLength "<n>", FieldType "varchar", TableName "Table<n/10>".
void writeStore(const std::filesystem::path& path, int rows);

// The bytes of a file, to see that it was left untouched.
std::string fileBytes(const std::filesystem::path& path);

} // namespace dbc::test
