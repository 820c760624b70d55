#include "testserver/engine/server_version.h"

#include <charconv>
#include <stdexcept>

namespace testserver {

namespace {

// The RTM build of each release (SP4 for 2000, as before), as Microsoft's
// build lists give them; see testserver/README.md for the sources.
const ServerVersion kServerVersions[] = {
    {2000, "8.00.2039", "SP4",
     "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n\t"
     "Copyright (c) 1988-2003 Microsoft Corporation\n\tDeveloper Edition on Windows NT 5.2 "
     "(Build 3790: Service Pack 2)\n",
     134219767},
    {2005, "9.00.1399.06", "RTM",
     "Microsoft SQL Server 2005 - 9.00.1399.06 (Intel X86) \n\tOct 14 2005 00:33:37 \n\t"
     "Copyright (c) 1988-2005 Microsoft Corporation\n\tDeveloper Edition on Windows NT 5.2 "
     "(Build 3790: Service Pack 2)\n",
     150996343},
    {2008, "10.0.1600.22", "RTM",
     "Microsoft SQL Server 2008 (RTM) - 10.0.1600.22 (X64) \n\tJul  9 2008 14:17:44 \n\t"
     "Copyright (c) 1988-2008 Microsoft Corporation\n\tDeveloper Edition (64-bit) on Windows "
     "NT 6.1 <X64> (Build 7600: )\n",
     167773760},
    {2012, "11.0.2100.60", "RTM",
     "Microsoft SQL Server 2012 - 11.0.2100.60 (X64) \n\tFeb 10 2012 19:39:15 \n\t"
     "Copyright (c) Microsoft Corporation\n\tDeveloper Edition (64-bit) on Windows NT 6.1 "
     "<X64> (Build 7601: Service Pack 1)\n",
     184551476},
    {2016, "13.0.1601.5", "RTM",
     "Microsoft SQL Server 2016 (RTM) - 13.0.1601.5 (X64) \n\tApr 29 2016 23:23:58 \n\t"
     "Copyright (c) Microsoft Corporation\n\tDeveloper Edition (64-bit) on Windows Server "
     "2012 R2 Standard 6.3 <X64> (Build 9600: )\n",
     218105409},
    {2019, "15.0.2000.5", "RTM",
     "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n\tSep 24 2019 13:48:23 \n\t"
     "Copyright (C) 2019 Microsoft Corporation\n\tDeveloper Edition (64-bit) on Windows Server "
     "2019 Standard 10.0 <X64> (Build 17763: ) (Hypervisor)\n",
     251660240},
    {2022, "16.0.1000.6", "RTM",
     "Microsoft SQL Server 2022 (RTM) - 16.0.1000.6 (X64) \n\tOct  8 2022 05:58:25 \n\t"
     "Copyright (C) 2022 Microsoft Corporation\n\tDeveloper Edition (64-bit) on Windows Server "
     "2022 Standard 10.0 <X64> (Build 20348: ) (Hypervisor)\n",
     268436456},
};

} // namespace

const ServerVersion& serverVersion(int year) {
    for (const ServerVersion& version : kServerVersions)
        if (version.year == year)
            return version;
    throw std::invalid_argument("no SQL Server version " + std::to_string(year) + "; one of " +
                                serverVersionChoices());
}

const ServerVersion& serverVersion(std::string_view year) {
    int value = 0;
    auto [end, error] = std::from_chars(year.data(), year.data() + year.size(), value);
    if (error != std::errc() || end != year.data() + year.size())
        throw std::invalid_argument("no SQL Server version '" + std::string(year) + "'; one of " +
                                    serverVersionChoices());
    return serverVersion(value);
}

const ServerVersion& defaultServerVersion() {
    return kServerVersions[0];
}

std::string serverVersionChoices() {
    std::string choices;
    for (const ServerVersion& version : kServerVersions)
        choices += (choices.empty() ? "" : "|") + std::to_string(version.year);
    return choices;
}

} // namespace testserver
