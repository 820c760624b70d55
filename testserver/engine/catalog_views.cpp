#include "testserver/engine/catalog_views.h"

#include "testserver/engine/catalog_db.h"
#include "testserver/engine/catalog_view_descriptions.h"
#include "testserver/engine/name_collation.h"
#include "testserver/engine/server_version.h"

namespace testserver {

namespace {

const CatalogViewDescription* findView(std::string_view name) {
    for (const CatalogViewDescription& view : catalogViewDescriptions())
        if (namesEqual(view.name, name))
            return &view;
    return nullptr;
}

std::string createViewSql(const CatalogViewDescription& view, const ServerVersion& version) {
    std::string select;
    for (const CatalogViewColumn& column : view.columns) {
        if (column.since > version.year)
            continue;
        select += (select.empty() ? "" : ", ") + std::string(column.expression) + " AS \"" +
                  column.name + "\"";
    }
    return "CREATE TEMP VIEW IF NOT EXISTS \"sys_" + std::string(view.name) + "\" AS SELECT " +
           select + " FROM " + view.from;
}

} // namespace

void createCatalogViews(CatalogDb& db, const ServerVersion& version) {
    if (!version.hasCatalogViews())
        return;
    db.execute("CREATE TEMP TABLE IF NOT EXISTS testserver_later_types (name, xtype, xusertype, "
               "length, xprec, xscale); DELETE FROM temp.testserver_later_types");
    for (const LaterSystemType& type : laterSystemTypes()) {
        if (type.since > version.year)
            continue;
        db.execute("INSERT INTO temp.testserver_later_types VALUES ('" + std::string(type.name) +
                   "', " + std::to_string(type.systemTypeId) + ", " +
                   std::to_string(type.userTypeId) + ", " + std::to_string(type.maxLength) + ", " +
                   std::to_string(type.precision) + ", " + std::to_string(type.scale) + ")");
    }
    for (const CatalogViewDescription& view : catalogViewDescriptions())
        db.execute(createViewSql(view, version));
}

const std::vector<std::string>& catalogViewNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const CatalogViewDescription& view : catalogViewDescriptions())
            all.emplace_back(view.name);
        return all;
    }();
    return names;
}

std::vector<std::string> catalogViewColumns(std::string_view name, const ServerVersion& version) {
    std::vector<std::string> columns;
    const CatalogViewDescription* view = findView(name);
    if (!view || !version.hasCatalogViews())
        return columns;
    for (const CatalogViewColumn& column : view->columns)
        if (column.since <= version.year)
            columns.emplace_back(column.name);
    return columns;
}

} // namespace testserver
