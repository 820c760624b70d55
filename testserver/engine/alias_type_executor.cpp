// sp_addtype and sp_droptype: alias types recorded in systypes.

#include "testserver/engine/ddl_executor.h"

#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_error.h"

namespace testserver {

namespace {

// Alias types number their xusertype from here up; the built-in types and
// sysname (256) lie below.
constexpr int kFirstAliasUserType = 257;

} // namespace

DeclaredType aliasBaseType(const AliasTypeRow& alias) {
    const BuiltinType* base = nullptr;
    for (const BuiltinType& type : builtinTypes())
        if (type.xtype == alias.xtype && (type.xusertype == type.xtype || type.xtype == 189))
            base = &type;
    DeclaredType declared;
    declared.name = base ? std::string(base->name) : std::string();
    if (!base)
        return declared;
    switch (base->arguments) {
    case TypeArguments::Length:
        declared.first = base->unicode ? alias.length / 2 : alias.length;
        break;
    case TypeArguments::PrecisionScale:
        declared.first = alias.prec;
        declared.second = alias.scale;
        break;
    case TypeArguments::FloatPrecision:
    case TypeArguments::None:
        break;
    }
    return declared;
}

void DdlExecutor::execute(const AddType& statement) {
    CatalogTransaction transaction(m_catalog.db());
    auto existing = m_catalog.db().prepare("SELECT 1 FROM systypes WHERE name = ?");
    existing.bind(1, statement.name);
    if (existing.step())
        throw ServerError(messages::make(15029, 16,
                                         "The type '" + statement.name +
                                             "' already exists, or you are trying to define a "
                                             "type with a system type name."));
    if (!findBuiltinType(statement.base.name) || namesEqual(statement.base.name, "sysname"))
        throw ServerError(messages::make(15036, 16,
                                         "The data type '" + statement.base.name +
                                             "' does not exist or you do not have permission."));
    ColumnTypeValues values = columnTypeValues(statement.base, statement.name, 1);
    std::optional<long long> highest =
        m_catalog.db().queryInteger("SELECT max(xusertype) FROM systypes");
    long long xusertype = std::max<long long>(kFirstAliasUserType, highest.value_or(0) + 1);
    bool allowNulls = statement.nullable.value_or(true);
    auto insert = m_catalog.db().prepare(
        "INSERT INTO systypes (name, xtype, status, xusertype, length, xprec, xscale, uid, "
        "usertype, variable, allownulls, type, prec, scale, collation) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, ?, ?, ?)");
    insert.bind(1, statement.name)
        .bind(2, values.xtype)
        .bind(3, allowNulls ? 0 : 1)
        .bind(4, xusertype)
        .bind(5, values.length)
        .bind(6, values.xprec)
        .bind(7, values.xscale)
        .bind(8, xusertype - kFirstAliasUserType + 100)
        .bind(9, values.typestat == 2 ? 1 : 0)
        .bind(10, allowNulls ? 1 : 0)
        .bind(11, values.xtype);
    insert.bind(12, values.prec).bind(13, values.scale);
    if (values.character)
        insert.bind(14, m_catalog.collation());
    else
        insert.bindNull(14);
    insert.run();
    transaction.commit();
}

void DdlExecutor::execute(const DropType& statement) {
    CatalogTransaction transaction(m_catalog.db());
    std::optional<AliasTypeRow> alias = m_catalog.findAliasType(statement.name);
    if (!alias)
        throw ServerError(messages::make(15036, 16,
                                         "The data type '" + statement.name +
                                             "' does not exist or you do not have permission."));
    auto used = m_catalog.db().prepare("SELECT 1 FROM syscolumns WHERE xusertype = ?");
    used.bind(1, alias->xusertype);
    if (used.step())
        throw ServerError(messages::make(15180, 16, "Cannot drop. The data type is being used."));
    auto remove = m_catalog.db().prepare("DELETE FROM systypes WHERE xusertype = ?");
    remove.bind(1, alias->xusertype).run();
    transaction.commit();
}

} // namespace testserver
