#include "testserver/engine/extended_property_listing.h"

#include "testserver/engine/extended_property_levels.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/schema_resolution.h"
#include "testserver/engine/select_rewriter.h"
#include "testserver/engine/server_error.h"
#include "testserver/engine/token_cursor.h"

#include <array>

namespace testserver {

namespace {

// "AND column = 'value'" for a given argument; nothing for NULL.
std::string equals(const char* column, const std::optional<std::string>& value) {
    return value ? std::string(" AND ") + column + " = " + sqliteString(*value) : std::string();
}

// The sysobjects kinds of a level-1 type as an SQL list: ('FN', 'IF', 'TF').
std::string levelOneKinds(const std::string& type) {
    const LevelOneType* level = findLevelOneType(type);
    std::string list;
    std::string_view xtypes = level ? level->xtypes : std::string_view(" ");
    std::size_t at = 1;
    while (at < xtypes.size()) {
        std::size_t blank = xtypes.find(' ', at);
        list += (list.empty() ? "'" : ", '") + std::string(xtypes.substr(at, blank - at)) + "'";
        at = blank + 1;
    }
    return "(" + (list.empty() ? std::string("''") : list) + ")";
}

} // namespace

std::optional<std::string> extendedPropertyListing(const std::vector<Token>& tokens,
                                                   std::size_t nameIndex, std::size_t& last,
                                                   bool schemas) {
    if (!tokens[nameIndex].isWord() ||
        !namesEqual(tokens[nameIndex].text, "fn_listextendedproperty") ||
        nameIndex + 1 >= tokens.size() || !tokens[nameIndex + 1].isSymbol("("))
        return std::nullopt;
    std::array<std::optional<std::string>, 7> arguments;
    std::size_t i = nameIndex + 2;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        if (k > 0) {
            if (i >= tokens.size() || !tokens[i].isSymbol(","))
                throw ServerError(messages::make(
                    216, 16,
                    "Parameters were not supplied for the function 'fn_listextendedproperty'."));
            ++i;
        }
        if (i >= tokens.size())
            throw messages::syntaxAtEnd();
        const Token& argument = tokens[i++];
        if (argument.isString())
            arguments[k] = argument.value;
        else if (!argument.is("null") && !argument.is("default"))
            throw TokenCursor::unexpected(argument);
    }
    if (i >= tokens.size() || !tokens[i].isSymbol(")"))
        throw i < tokens.size() ? TokenCursor::unexpected(tokens[i]) : messages::syntaxAtEnd();
    last = i;

    auto lower = [](const std::optional<std::string>& value) {
        return value ? std::optional<std::string>(asciiLower(*value)) : std::nullopt;
    };
    std::optional<std::string> level0 = lower(arguments[1]);
    std::optional<std::string> level1 = lower(arguments[3]);
    std::optional<std::string> level2 = lower(arguments[5]);
    std::string property = equals("p.name", arguments[0]);
    std::string object = equals("o.name", arguments[4]) +
                         (level1 ? std::string(" AND o.xtype IN ") + levelOneKinds(*level1) : "");
    const char* none = "(SELECT NULL AS objtype, NULL AS objname, NULL AS name, NULL AS value "
                       "WHERE 0)";
    // Only the user dbo owns objects here; from 2005 on objects live in schemas.
    bool bySchema = schemas && level0 == std::optional<std::string>("schema");
    if ((level0 != std::optional<std::string>("user") && !bySchema) ||
        (!bySchema && arguments[2] && !namesEqual(*arguments[2], "dbo")) || !level1)
        return none;
    if (bySchema && arguments[2])
        object += std::string(" AND o.uid = (SELECT s.schema_id FROM ") + schemaRowsSql() +
                  " s WHERE s.name = " + sqliteString(*arguments[2]) + " COLLATE NOCASE)";
    if (!level2)
        return "(SELECT upper(" + sqliteString(*level1) +
               ") AS objtype, o.name AS objname, p.name AS name, p.value AS value FROM "
               "sysproperties p JOIN sysobjects o ON o.id = p.id WHERE p.type = 3 AND p.smallid "
               "= 0 AND o.parent_obj = 0" +
               object + property + ")";
    std::string item = equals("x.name", arguments[6]);
    if (*level2 == "column")
        return "(SELECT 'COLUMN' AS objtype, x.name AS objname, p.name AS name, p.value AS value "
               "FROM sysproperties p JOIN sysobjects o ON o.id = p.id JOIN syscolumns x ON x.id "
               "= p.id AND x.colid = p.smallid WHERE p.type = 4" +
               object + item + property + ")";
    if (*level2 == "index")
        return "(SELECT 'INDEX' AS objtype, x.name AS objname, p.name AS name, p.value AS value "
               "FROM sysproperties p JOIN sysobjects o ON o.id = p.id JOIN sysindexes x ON x.id "
               "= p.id AND x.indid = p.smallid WHERE p.type = 5" +
               object + item + property + ")";
    if (*level2 == "constraint" || *level2 == "trigger")
        return "(SELECT upper(" + sqliteString(*level2) +
               ") AS objtype, x.name AS objname, p.name AS name, p.value AS value FROM "
               "sysproperties p JOIN sysobjects x ON x.id = p.id JOIN sysobjects o ON o.id = "
               "x.parent_obj WHERE p.type = 3 AND x.xtype " +
               (*level2 == "trigger" ? "= 'TR'" : "<> 'TR'") + object + item + property + ")";
    return none;
}

} // namespace testserver
