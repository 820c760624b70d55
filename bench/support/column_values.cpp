#include "bench/support/column_values.h"

#include "testserver/engine/sql_type.h"

namespace dbc::bench {

ColumnValues columnValues(const ColumnSpec& column) {
    const testserver::ColumnTypeValues v = testserver::columnTypeValues(
        testserver::DeclaredType{column.typeName, column.length, column.scale}, column.name, 1);
    ColumnValues values;
    values.xtype = v.xtype;
    values.xusertype = v.xusertype;
    values.length = v.length;
    values.xprec = v.xprec;
    values.xscale = v.xscale;
    values.typestat = v.typestat;
    values.prec = v.prec;
    values.scale = v.scale;
    if (v.character)
        values.collation = kCollation;
    return values;
}

} // namespace dbc::bench
