#pragma once

#include "data/connection.h"

#include <string>
#include <string_view>

namespace dbc {

// Which SQL Server release a database runs on, as far as reading its catalog
// goes: SQL Server 2000 (major version 8) is read through its system tables
// (sysobjects, syscolumns, ...), 2005 (9) and later through the sys catalog
// views, where (max) lengths, the date and time types' scales, included
// columns and filters can be seen.
struct ServerVersion {
    int major = 8;
    // SERVERPROPERTY('ProductVersion') as the server gave it ("15.0.2000.5");
    // empty when it gave none.
    std::string productVersion;

    bool readsCatalogViews() const noexcept { return major >= 9; }
    // Filtered indexes came with SQL Server 2008 (10).
    bool hasFilteredIndexes() const noexcept { return major >= 10; }
    // date, time, datetime2 and datetimeoffset came with SQL Server 2008.
    bool hasDateTimeTypes() const noexcept { return major >= 10; }
    // varchar(max), nvarchar(max), varbinary(max) and xml came with 2005.
    bool hasMaxTypes() const noexcept { return major >= 9; }
};

// The major version of a ProductVersion text ("15.0.2000.5" gives 15), or
// 8 (SQL Server 2000) for a text that does not start with a number.
int majorOfProductVersion(std::string_view productVersion);

// "SQL Server 2000", "SQL Server 2005", ... for a major version; "SQL
// Server" and the number for one not listed.
std::string releaseName(int major);

// The release a ProductVersion text names (empty: SQL Server 2000).
ServerVersion serverVersionOf(const std::string& productVersion);

// Asks the server once for SERVERPROPERTY('ProductVersion'). A server that
// refuses the question or answers nothing is taken for SQL Server 2000, whose
// system tables every release answers; a lost connection is thrown.
ServerVersion readServerVersion(Connection& server);

} // namespace dbc
