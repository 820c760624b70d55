#include "compare/catalog_diff.h"
#include "compare/definition_form.h"

#include "catalog/constraint_names.h"
#include "catalog/name_key.h"
#include "data/sql_text.h"

namespace dbc {

namespace {

bool sameDefault(const DefaultConstraint& a, const DefaultConstraint& b) {
    return objectKey(a.table) == objectKey(b.table) && compareNameKeys(a.column, b.column) == 0 &&
           comparedDefinition(a.value) == comparedDefinition(b.value);
}

} // namespace

void setAsideMatchedSystemNamedDefaults(std::vector<DefaultConstraint>& snapshot,
                                        std::vector<DefaultConstraint>& target) {
    std::vector<bool> snapshotPaired(snapshot.size(), false);
    std::vector<bool> targetPaired(target.size(), false);
    for (bool targetSystemNamed : {true, false}) {
        for (std::size_t i = 0; i < snapshot.size(); ++i) {
            if (snapshotPaired[i] || !isSystemNamed(snapshot[i].name))
                continue;
            for (std::size_t j = 0; j < target.size(); ++j) {
                if (!targetPaired[j] && isSystemNamed(target[j].name) == targetSystemNamed &&
                    sameDefault(snapshot[i], target[j])) {
                    snapshotPaired[i] = targetPaired[j] = true;
                    break;
                }
            }
        }
    }
    auto keepUnpaired = [](std::vector<DefaultConstraint>& list, const std::vector<bool>& paired) {
        std::vector<DefaultConstraint> kept;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!paired[i])
                kept.push_back(std::move(list[i]));
        }
        list = std::move(kept);
    };
    keepUnpaired(snapshot, snapshotPaired);
    keepUnpaired(target, targetPaired);
}

} // namespace dbc
