#include "testserver/engine/syscolumns_row.h"

namespace testserver {

void bindSyscolumnsRow(CatalogStatement& insert, const SyscolumnsRow& row) {
    const ColumnTypeValues& v = row.values;
    // status: 0x08 nullable, 0x80 identity, as syscolumns documents it.
    const int status = (row.nullable ? 0x08 : 0) | (row.identity ? 0x80 : 0);
    insert.bind(1, row.name)
        .bind(2, row.tableId)
        .bind(3, v.xtype)
        .bind(4, v.typestat)
        .bind(5, v.xusertype)
        .bind(6, v.length)
        .bind(7, v.xprec)
        .bind(8, v.xscale)
        .bind(9, row.colid)
        .bind(10, row.identity ? 1 : 0)
        .bind(11, row.colid)
        .bind(12, status)
        .bind(13, v.xtype)
        .bind(14, v.xusertype);
    insert.bind(15, v.prec).bind(16, v.scale);
    insert.bind(17, row.nullable ? 1 : 0).bind(18, row.collation);
}

} // namespace testserver
