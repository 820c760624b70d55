#include "tests/app/test_store.h"

#include "snapshot/snapshot_store.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace dbc::test {

void writeStore(const std::filesystem::path& path, int rows) {
    auto store = SnapshotStore::open(path);
    SnapshotStore::Transaction transaction(*store);
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        store->appendRow("SourceTable", {{"FieldName", "Field" + n},
                                         {"FieldLength", n},
                                         {"FieldType", "varchar"},
                                         {"TableName", "Table" + std::to_string(i / 10)},
                                         {"IsNullable", "1"},
                                         {"TypeStat", "2"},
                                         {"colStat", "0"}});
    }
    transaction.commit();
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace dbc::test
