#include "capture_floor.h"

#include "capture.h"
#include "catalog_queries.h"
#include "database_error.h"
#include "sql_text.h"

namespace dbc::bench {

CaptureRows fetchCaptureRows(Connection& source) {
    CaptureRows rows;
    rows.columns = source.open(catalog::captureColumns).size();
    rows.indexKeys = source.open(catalog::captureIndexKeys).size();
    for (const char* nameQuery : {catalog::captureProcedureNames, catalog::captureViewNames,
                                  catalog::captureTriggerNames}) {
        const Result names = source.open(nameQuery);
        const std::size_t nameColumn = names.empty() ? 0 : names.columnIndex("Name");
        for (const auto& row : names.rows()) {
            ++rows.objects;
            try {
                rows.textRows +=
                    source.open("sp_helpText " + nStringLiteral(row[nameColumn])).size();
            } catch (const DatabaseError&) {
                // No readable text: nothing to count.
            }
        }
    }
    rows.defaults = source.open(catalog::captureDefaults).size();
    return rows;
}

} // namespace dbc::bench
