#include "testserver/engine/property_functions.h"

#include "testserver/engine/catalog.h"
#include "testserver/engine/help_text.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/sql_function_support.h"

#include <string_view>

namespace testserver {

namespace {

void resultFlag(sqlite3_context* context, bool value) {
    sqlite3_result_int(context, value ? 1 : 0);
}

// A count of rows that a query over the object finds, as 0 or 1.
bool exists(sqlite3_context* context, const char* sql, const std::string& id) {
    std::optional<std::string> found = lookUp(context, sql, id);
    return found && *found != "0";
}

struct KindProperty {
    std::string_view name;
    std::string_view xtypes; // space-separated, between blanks
};

// Properties that tell an object's kind. A DEFAULT constraint belongs to a
// table (parent_obj); a default made by CREATE DEFAULT stands alone (xtype
// "D0" here).
constexpr KindProperty kKindProperties[] = {
    {"IsProcedure", " P "},
    {"IsView", " V "},
    {"IsTrigger", " TR "},
    {"IsUserTable", " U "},
    {"IsTable", " U S "},
    {"IsSystemTable", " S "},
    {"IsConstraint", " D PK UQ F C "},
    {"IsDefaultCnst", " D "},
    {"IsPrimaryKey", " PK "},
    {"IsUniqueCnst", " UQ "},
    {"IsForeignKey", " F "},
    {"IsCheckCnst", " C "},
    {"IsDefault", " D0 "},
    {"IsRule", " R0 "},
    {"IsMSShipped", " S "},
    {"IsScalarFunction", " FN "},
    {"IsInlineFunction", " IF "},
    {"IsTableFunction", " TF "},
};

struct TableProperty {
    std::string_view name;
    const char* sql; // counts rows for the table id
};

constexpr TableProperty kTableProperties[] = {
    {"TableHasIdentity", "SELECT count(*) FROM testserver_identity WHERE id = ?"},
    {"TableHasPrimaryKey", "SELECT count(*) FROM sysobjects WHERE parent_obj = ? AND xtype = 'PK'"},
    {"TableHasUniqueCnst", "SELECT count(*) FROM sysobjects WHERE parent_obj = ? AND xtype = 'UQ'"},
    {"TableHasForeignKey", "SELECT count(*) FROM sysobjects WHERE parent_obj = ? AND xtype = 'F'"},
    {"TableHasCheckCnst", "SELECT count(*) FROM sysobjects WHERE parent_obj = ? AND xtype = 'C'"},
    {"TableHasDefaultCnst", "SELECT count(*) FROM sysobjects WHERE parent_obj = ? AND xtype = 'D'"},
    {"TableHasForeignRef", "SELECT count(*) FROM sysforeignkeys WHERE rkeyid = ?"},
    {"TableHasClustIndex", "SELECT count(*) FROM sysindexes WHERE id = ? AND indid = 1"},
    {"TableHasIndex", "SELECT count(*) FROM sysindexes WHERE id = ? AND indid BETWEEN 1 AND 250 "
                      "AND (status & 8388608) = 0"},
    {"IsIndexed", "SELECT count(*) FROM sysindexes WHERE id = ? AND indid BETWEEN 1 AND 250 "
                  "AND (status & 8388608) = 0"},
    {"TableHasNonclustIndex", "SELECT count(*) FROM sysindexes WHERE id = ? AND indid BETWEEN 2 "
                              "AND 250 AND (status & 8388608) = 0"},
};

// CnstIs... properties of CHECK and FOREIGN KEY constraints.
bool constraintFlag(sqlite3_context* context, std::string_view property, const std::string& id,
                    long long status, bool& applies) {
    applies = true;
    if (namesEqual(property, "CnstIsDisabled"))
        return (status & cnststatus::kDisabled) != 0;
    if (namesEqual(property, "CnstIsNotTrusted"))
        return (status & cnststatus::kNotTrusted) != 0;
    if (namesEqual(property, "CnstIsNotRepl"))
        return (status & cnststatus::kNotForReplication) != 0;
    if (namesEqual(property, "CnstIsDeleteCascade"))
        return exists(context, "SELECT (actions & 1) FROM sysconstraints WHERE constid = ?", id);
    if (namesEqual(property, "CnstIsUpdateCascade"))
        return exists(context, "SELECT (actions & 2) FROM sysconstraints WHERE constid = ?", id);
    if (namesEqual(property, "CnstIsColumn"))
        return exists(context, "SELECT colid <> 0 FROM sysconstraints WHERE constid = ?", id);
    applies = false;
    return false;
}

void identityValue(sqlite3_context* context, sqlite3_value** arguments, const char* sql) {
    std::optional<std::string> name = textArgument(arguments[0]);
    std::optional<std::string> value;
    if (name)
        value = lookUp(context, sql, objectPartOfName(*name));
    if (value)
        sqlite3_result_int64(context, std::stoll(*value));
    else
        sqlite3_result_null(context);
}

} // namespace

void objectProperty(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> property = textArgument(arguments[1]);
    std::optional<std::string> row;
    if (id)
        row = lookUp(context,
                     "SELECT upper(trim(xtype)) || CASE WHEN upper(trim(xtype)) IN ('D', 'R') AND "
                     "parent_obj = 0 THEN '0' ELSE '' END || ' ' || status FROM sysobjects "
                     "WHERE id = ?",
                     *id);
    if (!row || !property) {
        sqlite3_result_null(context);
        return;
    }
    std::string kind = row->substr(0, row->find(' '));
    long long status = std::stoll(row->substr(row->find(' ') + 1));
    std::string needle = " " + kind + " ";
    for (const KindProperty& candidate : kKindProperties)
        if (namesEqual(candidate.name, *property)) {
            bool match = candidate.xtypes.find(needle) != std::string_view::npos;
            resultFlag(context, match);
            return;
        }
    if (namesEqual(*property, "OwnerId")) {
        sqlite3_result_int(context, 1);
        return;
    }
    for (const TableProperty& candidate : kTableProperties)
        if (namesEqual(candidate.name, *property)) {
            if (kind != "U")
                sqlite3_result_null(context);
            else
                resultFlag(context, exists(context, candidate.sql, *id));
            return;
        }
    if (kind == "C" || kind == "F") {
        bool applies = false;
        bool value = constraintFlag(context, *property, *id, status, applies);
        if (applies) {
            resultFlag(context, value);
            return;
        }
    }
    sqlite3_result_null(context);
}

void identitySeed(sqlite3_context* context, int, sqlite3_value** arguments) {
    identityValue(context, arguments,
                  "SELECT i.seed FROM testserver_identity i JOIN sysobjects o ON o.id = i.id "
                  "WHERE o.name = ? AND o.xtype = 'U'");
}

void identityIncrement(sqlite3_context* context, int, sqlite3_value** arguments) {
    identityValue(context, arguments,
                  "SELECT i.increment FROM testserver_identity i JOIN sysobjects o ON o.id = i.id "
                  "WHERE o.name = ? AND o.xtype = 'U'");
}

void indexProperty(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> name = textArgument(arguments[1]);
    std::optional<std::string> property = textArgument(arguments[2]);
    std::optional<std::string> row;
    if (id && name)
        row = lookUp(context,
                     "SELECT status || ' ' || indid || ' ' || OrigFillFactor FROM sysindexes "
                     "WHERE id = ? AND name = ? AND indid BETWEEN 1 AND 250",
                     *id, &*name);
    if (!row || !property) {
        sqlite3_result_null(context);
        return;
    }
    std::size_t first = row->find(' ');
    std::size_t second = row->find(' ', first + 1);
    long long status = std::stoll(row->substr(0, first));
    long long indid = std::stoll(row->substr(first + 1, second - first - 1));
    long long fillFactor = std::stoll(row->substr(second + 1));
    bool statistics = (status & indexstatus::kStatisticsBit) != 0;
    if (namesEqual(*property, "IsUnique"))
        resultFlag(context, (status & indexstatus::kUnique) != 0);
    else if (namesEqual(*property, "IsClustered"))
        resultFlag(context, indid == 1);
    else if (namesEqual(*property, "IsStatistics"))
        resultFlag(context, statistics);
    else if (namesEqual(*property, "IsPadIndex"))
        resultFlag(context, (status & indexstatus::kPadIndex) != 0);
    else if (namesEqual(*property, "IsAutoStatistics") || namesEqual(*property, "IsHypothetical") ||
             namesEqual(*property, "IsFulltextKey"))
        resultFlag(context, false); // none is ever created here
    else if (namesEqual(*property, "IndexID"))
        sqlite3_result_int64(context, indid);
    else if (namesEqual(*property, "IndexFillFactor"))
        sqlite3_result_int64(context, fillFactor);
    else
        sqlite3_result_null(context);
}

void indexKeyProperty(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::optional<std::string> id = textArgument(arguments[0]);
    std::optional<std::string> indid = textArgument(arguments[1]);
    std::optional<std::string> keyno = textArgument(arguments[2]);
    std::optional<std::string> property = textArgument(arguments[3]);
    std::optional<std::string> colid;
    if (id && indid && keyno) {
        std::string key = *indid + " " + *keyno;
        colid = lookUp(context,
                       "SELECT colid FROM sysindexkeys WHERE id = ? AND indid || ' ' || keyno = ?",
                       *id, &key);
    }
    if (!colid || !property) {
        sqlite3_result_null(context);
        return;
    }
    if (namesEqual(*property, "ColumnId")) {
        sqlite3_result_int64(context, std::stoll(*colid));
    } else if (namesEqual(*property, "IsDescending")) {
        std::string key = *indid + " " + *keyno;
        std::optional<std::string> descending =
            lookUp(context,
                   "SELECT count(*) FROM testserver_descending_keys WHERE id = ? AND "
                   "indid || ' ' || keyno = ?",
                   *id, &key);
        resultFlag(context, descending && *descending != "0");
    } else {
        sqlite3_result_null(context);
    }
}

} // namespace testserver
