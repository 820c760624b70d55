#include "tests/snapshot/directory_snapshot.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace dbc::test {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DirectorySnapshot snapshotDirectory(const fs::path& directory) {
    DirectorySnapshot entries;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        std::string name = fs::relative(entry.path(), directory).string();
        if (entry.is_symlink())
            entries[name] = "<link to " + fs::read_symlink(entry.path()).string() + ">";
        else if (entry.is_directory())
            entries[name] = "<dir>";
        else
            entries[name] = readBytes(entry.path());
    }
    return entries;
}

} // namespace dbc::test
