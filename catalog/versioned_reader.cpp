#include "catalog/versioned_reader.h"

#include "catalog/catalog_queries.h"
#include "catalog/catalog_view_reader.h"
#include "data/object_name.h"

namespace dbc {

std::vector<Table> readTables(Connection& server, CatalogSide side, const ServerVersion& version) {
    if (!version.readsCatalogViews())
        return readServerTables(server, side);
    std::vector<Table> tables = readViewTables(server, side == CatalogSide::Capture);
    if (side == CatalogSide::Capture)
        readComputed(server, tables, version);
    return tables;
}

void readComputed(Connection& server, std::vector<Table>& tables, const ServerVersion& version) {
    readComputedColumns(server, tables,
                        version.readsCatalogViews() ? catalog::viewComputedColumns
                                                    : catalog::computedColumns);
}

std::vector<TableIndexes> readIndexes(Connection& server, CatalogSide side,
                                      const ServerVersion& version) {
    if (version.readsCatalogViews())
        return readViewIndexes(server, version);
    return readServerIndexes(server, side);
}

std::vector<DefaultConstraint> readDefaults(Connection& server, CatalogSide side,
                                            const ServerVersion& version) {
    if (version.readsCatalogViews())
        return readViewDefaults(server);
    return readServerDefaults(server, side);
}

std::vector<ForeignKey> readForeignKeys(Connection& server, CatalogSide side,
                                        const ServerVersion& version) {
    if (version.readsCatalogViews())
        return readViewForeignKeys(server);
    return readServerForeignKeys(server, side);
}

std::vector<CheckConstraint> readChecks(Connection& server, const ServerVersion& version) {
    if (version.readsCatalogViews())
        return readViewChecks(server);
    return readServerChecks(server);
}

std::vector<ModuleText> readModules(Connection& server, const ObjectKind& kind,
                                    std::vector<std::string>& unreadable,
                                    const std::function<void(std::size_t)>& onCount,
                                    const std::function<void()>& onEach,
                                    const ServerVersion& version) {
    if (version.readsCatalogViews()) {
        std::vector<std::string> hidden;
        std::vector<ModuleText> modules = readViewModules(server, kind, hidden, {});
        if (onCount)
            onCount(modules.size() + hidden.size());
        for (std::size_t i = 0; i < modules.size() + hidden.size(); ++i)
            if (onEach)
                onEach();
        unreadable.insert(unreadable.end(), hidden.begin(), hidden.end());
        return modules;
    }
    const std::vector<std::string> names = readModuleNames(server, kind);
    if (onCount)
        onCount(names.size());
    return readModuleTexts(server, names, unreadable, onEach);
}

std::vector<CatalogObject> readDroppableObjects(Connection& server, const ServerVersion& version) {
    return readDroppableObjects(server, version.readsCatalogViews() ? catalog::viewDroppableObjects
                                                                    : catalog::droppableObjects);
}

std::vector<TableTrigger> readTableTriggers(Connection& server, const ServerVersion& version) {
    return readTableTriggers(server, version.readsCatalogViews() ? catalog::viewTableTriggers
                                                                 : catalog::tableTriggers);
}

void readTargetModules(Connection& server, const ObjectKind& kind,
                       const std::vector<std::string>& names, std::vector<TargetModule>& found,
                       const ServerVersion& version) {
    if (version.readsCatalogViews()) {
        readViewTargetModules(server, kind, names, found);
        return;
    }
    // SQL Server 2000 holds no object of a schema other than dbo: it is not
    // asked about such a name (which its queries could not name either).
    std::vector<std::string> asked;
    for (const std::string& name : names)
        if (!isQualified(name))
            asked.push_back(name);
    if (asked.size() == names.size()) {
        readTargetModules(server, kind, names, found);
        return;
    }
    std::vector<TargetModule> answers;
    // The answers in the order of `names`, as far as they go: a reading
    // stopped by an error hands on what it read before it.
    auto handOn = [&] {
        std::size_t next = 0;
        for (const std::string& name : names) {
            if (isQualified(name))
                found.push_back({name, false, std::nullopt});
            else if (next < answers.size())
                found.push_back(std::move(answers[next++]));
            else
                return;
        }
    };
    try {
        readTargetModules(server, kind, asked, answers);
    } catch (...) {
        handOn();
        throw;
    }
    handOn();
}

} // namespace dbc
