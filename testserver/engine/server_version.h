#pragma once

#include <string>
#include <string_view>

namespace testserver {

// One SQL Server release the test server can answer as (--version): what
// @@VERSION, @@MICROSOFTVERSION and SERVERPROPERTY('ProductVersion' and
// 'ProductLevel') say, each that release's RTM build. The one table of
// these facts is kServerVersions in server_version.cpp; the catalog views a
// release offers are described in catalog_views.cpp by the year they came in.
struct ServerVersion {
    int year;                   // 2000, 2005, ... 2022
    const char* productVersion; // SERVERPROPERTY('ProductVersion')
    const char* productLevel;   // SERVERPROPERTY('ProductLevel')
    const char* versionText;    // @@VERSION
    long long microsoftVersion; // @@MICROSOFTVERSION: major * 2^24 + minor * 2^16 + build

    // 2005 and later read the catalog through the sys views.
    bool hasCatalogViews() const noexcept { return year >= 2005; }
};

// The release of `year`; throws std::invalid_argument naming the years
// offered when there is none.
const ServerVersion& serverVersion(int year);

// As serverVersion, from the text of --version ("2019").
const ServerVersion& serverVersion(std::string_view year);

// The default, SQL Server 2000 SP4, which every catalog file was written for.
const ServerVersion& defaultServerVersion();

// "2000|2005|2008|2012|2016|2019|2022", for help texts and messages.
std::string serverVersionChoices();

} // namespace testserver
