#pragma once

#include "data/connection.h"

#include <filesystem>
#include <string>

namespace dbc {

class DatabaseError;

// What is wrong with the store file at `path`, from SQLite's error: names the
// file and says in plain words what a damaged, locked, read-only or
// half-written file means, followed by SQLite's own text.
std::string storeFaultMessage(const std::filesystem::path& path, const DatabaseError& error);

// The store's connection as the compare, the window and `show` read it: a
// failure is thrown as StoreError naming the file, so that a damaged store is
// never mistaken for a fault of the database being compared.
class StoreConnection : public Connection {
public:
    StoreConnection(Connection& inner, std::filesystem::path path)
        : m_inner(inner), m_path(std::move(path)) {}

    Result open(const std::string& sql) override;
    void execute(const std::string& sql) override;

private:
    Connection& m_inner;
    std::filesystem::path m_path;
};

} // namespace dbc
