#pragma once

#include <string>

namespace testserver {

// One file of a database as CREATE DATABASE declares it; sizes in 8-KB pages
// as sysaltfiles keeps them.
struct DatabaseFileSpec {
    std::string name;     // logical name
    std::string filename; // physical name, recorded only: no such file is made
    long long size = 128;
    long long maxsize = -1; // -1: UNLIMITED
    long long growth = 10;
    bool growthInPercent = true;
    bool log = false;
    int groupid = 1; // 0 for log files
};

struct DatabaseFilegroupSpec {
    int groupid = 1;
    std::string name;
};

} // namespace testserver
