#include "bench/capture/capture_floor.h"

#include "catalog/catalog_queries.h"
#include "data/sql_text.h"
#include "snapshot/capture.h"

namespace dbc::bench {

CaptureRows fetchCaptureRows(Connection& source) {
    CaptureRows rows;
    rows.columns = source.open(catalog::captureColumns).size();
    rows.indexKeys = source.open(catalog::captureIndexKeys).size();
    for (const char* nameQuery : {catalog::captureProcedureNames, catalog::captureViewNames,
                                  catalog::captureTriggerNames}) {
        const Result names = source.open(nameQuery);
        const std::size_t nameColumn = names.empty() ? 0 : names.columnIndex("Name");
        std::vector<std::string> textQueries;
        for (const auto& row : names.rows())
            textQueries.push_back("sp_helpText " + nStringLiteral(row[nameColumn]));
        rows.objects += textQueries.size();
        source.openEach(textQueries, [&](std::size_t, ResultOrError reply) {
            // A refused text has no rows to count.
            if (const auto* text = std::get_if<Result>(&reply))
                rows.textRows += text->size();
        });
    }
    rows.defaults = source.open(catalog::captureDefaults).size();
    return rows;
}

} // namespace dbc::bench
