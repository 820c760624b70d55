#include "index_definition.h"

namespace dbc {

KeyConstraint keyConstraintFromText(std::string_view text) noexcept {
    if (text == "PK")
        return KeyConstraint::PrimaryKey;
    if (text == "UQ")
        return KeyConstraint::Unique;
    return KeyConstraint::None;
}

bool sameDefinition(const IndexDefinition& a, const IndexDefinition& b) {
    if (a.clustered() != b.clustered() || a.keys.size() != b.keys.size())
        return false;
    const bool factsCompared = a.carriesKeyFacts && b.carriesKeyFacts;
    for (std::size_t i = 0; i < a.keys.size(); ++i) {
        if (a.keys[i].name != b.keys[i].name)
            return false;
        if (factsCompared && a.keys[i].descending != b.keys[i].descending)
            return false;
    }
    return !factsCompared || (a.unique == b.unique && a.constraint == b.constraint);
}

} // namespace dbc
