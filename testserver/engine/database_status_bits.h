#pragma once

#include <string_view>

namespace testserver {

// Where sysdatabases keeps a database's options and states: one bit of
// `status`, `status2` or `category`, named as sp_dboption names the option
// (empty for a state no option sets) and as DATABASEPROPERTY names it.
struct DatabaseStatusBit {
    std::string_view option;
    std::string_view property;
    const char* column;
    long long bit;
};

inline constexpr DatabaseStatusBit kDatabaseStatusBits[] = {
    {"autoclose", "IsAutoClose", "status", 1},
    {"select into/bulkcopy", "IsBulkCopy", "status", 4},
    {"trunc. log on chkpt.", "IsTruncLog", "status", 8},
    {"torn page detection", "IsTornPageDetectionEnabled", "status", 16},
    {"", "IsInLoad", "status", 32},
    {"", "IsInRecovery", "status", 128},
    {"", "IsNotRecovered", "status", 256},
    {"", "IsSuspect", "status", 256},
    {"offline", "IsOffline", "status", 512},
    {"read only", "IsReadOnly", "status", 1024},
    {"dbo use only", "IsDboOnly", "status", 2048},
    {"single user", "IsSingleUser", "status", 4096},
    {"", "IsEmergencyMode", "status", 32768},
    {"autoshrink", "IsAutoShrink", "status", 4194304},
    {"ANSI null default", "IsAnsiNullDefault", "status2", 16384},
    {"concat null yields null", "IsNullConcat", "status2", 65536},
    {"recursive triggers", "IsRecursiveTriggersEnabled", "status2", 131072},
    {"default to local cursor", "IsLocalCursorsDefault", "status2", 1048576},
    {"quoted identifier", "IsQuotedIdentifiersEnabled", "status2", 8388608},
    {"cursor close on commit", "IsCloseCursorsOnCommitEnabled", "status2", 33554432},
    {"ANSI nulls", "IsAnsiNullsEnabled", "status2", 67108864},
    {"ANSI warnings", "IsAnsiWarningsEnabled", "status2", 268435456},
    {"", "IsFulltextEnabled", "status2", 536870912},
    {"published", "IsPublished", "category", 1},
    {"subscribed", "IsSubscribed", "category", 2},
    {"merge publish", "IsMergePublished", "category", 4},
};

} // namespace testserver
