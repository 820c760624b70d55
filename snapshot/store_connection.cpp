#include "snapshot/store_connection.h"

#include "data/database_error.h"
#include "snapshot/snapshot_store.h"

#include <sqlite3.h>

namespace dbc {

std::string storeFaultMessage(const std::filesystem::path& path, const DatabaseError& error) {
    const std::string file = path.string();
    const std::string sqliteText = error.what();
    switch (error.nativeError() & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "the snapshot file " + file + " is damaged: " + sqliteText;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "the snapshot file " + file + " is locked by another program: " + sqliteText;
    case SQLITE_READONLY:
        if (error.nativeError() == SQLITE_READONLY_ROLLBACK)
            return "the snapshot file " + file + " has an unfinished write in " + file +
                   "-journal that cannot be rolled back while the file or its folder is "
                   "read-only: " +
                   sqliteText;
        return "the snapshot file " + file + " is read-only: " + sqliteText;
    case SQLITE_CANTOPEN:
        return "the snapshot file " + file + " cannot be opened: " + sqliteText;
    case SQLITE_FULL: {
        // The local disk, not the source: say which one.
        std::error_code ignored;
        const std::filesystem::path folder = std::filesystem::absolute(path, ignored).parent_path();
        return "the snapshot file " + file + " cannot be written: the disk that holds " +
               folder.string() + " is full: " + sqliteText;
    }
    case SQLITE_IOERR:
        return "the snapshot file " + file + " cannot be read or written: " + sqliteText;
    default:
        return "the snapshot file " + file + ": " + sqliteText;
    }
}

Result StoreConnection::open(const std::string& sql) {
    try {
        return m_inner.open(sql);
    } catch (const DatabaseError& error) {
        throw StoreError(storeFaultMessage(m_path, error));
    }
}

void StoreConnection::execute(const std::string& sql) {
    try {
        m_inner.execute(sql);
    } catch (const DatabaseError& error) {
        throw StoreError(storeFaultMessage(m_path, error));
    }
}

} // namespace dbc
