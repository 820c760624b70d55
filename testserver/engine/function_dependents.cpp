#include "testserver/engine/function_dependents.h"

#include "testserver/engine/lexer.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

#include <vector>

namespace testserver {

namespace {

struct Definition {
    long long id = 0;
    long long number = 0;
    std::string owner; // sysobjects name of `id`
    std::string xtype;
    std::string text;
};

bool isModule(const std::string& xtype) {
    return xtype == "V" || xtype == "FN" || xtype == "IF" || xtype == "TF";
}

// Whether the text names `function`, and for a module whether it is
// declared WITH SCHEMABINDING (among its WITH options).
bool binds(const Definition& definition, const std::string& function) {
    std::vector<Token> tokens;
    try {
        tokens = tokenize(definition.text);
    } catch (const ServerError&) {
        return false;
    }
    bool named = false;
    bool schemaBound = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].isName() && namesEqual(tokens[i].value, function) &&
            !namesEqual(definition.owner, function))
            named = true;
        if (tokens[i].is("schemabinding") && i > 0 &&
            (tokens[i - 1].is("with") || tokens[i - 1].isSymbol(",")))
            schemaBound = true;
    }
    return named && (schemaBound || !isModule(definition.xtype));
}

// The first definition other than `object`'s own that holds `object`: one
// whose text names it and which is a module WITH SCHEMABINDING or, unless
// `modulesOnly`, a CHECK, DEFAULT or computed column.
std::optional<std::string> firstHolder(Catalog& catalog, const ObjectRow& object,
                                       bool modulesOnly) {
    auto rows = catalog.db().prepare(
        "SELECT c.id, c.number, o.name, upper(rtrim(o.xtype)), c.text FROM syscomments c "
        "JOIN sysobjects o ON o.id = c.id WHERE c.id <> ? AND c.text IS NOT NULL AND "
        "(o.xtype IN ('C', 'V', 'FN', 'IF', 'TF') OR (o.xtype = 'D' AND o.parent_obj <> 0) OR "
        "(o.xtype = 'U' AND c.number > 0)) ORDER BY c.id, c.number, c.colid");
    rows.bind(1, object.id);
    std::vector<Definition> definitions;
    while (rows.step()) {
        const long long id = rows.integer(0);
        const long long number = rows.integer(1);
        if (definitions.empty() || definitions.back().id != id ||
            definitions.back().number != number)
            definitions.push_back({id, number, rows.text(2), rows.text(3), std::string()});
        definitions.back().text += rows.text(4);
    }
    for (const Definition& definition : definitions)
        if ((!modulesOnly || isModule(definition.xtype)) && binds(definition, object.name))
            return definition.owner;
    return std::nullopt;
}

} // namespace

std::optional<std::string> objectBoundToFunction(Catalog& catalog, const ObjectRow& function) {
    return firstHolder(catalog, function, false);
}

std::optional<std::string> objectBoundToView(Catalog& catalog, const ObjectRow& view) {
    return firstHolder(catalog, view, true);
}

} // namespace testserver
