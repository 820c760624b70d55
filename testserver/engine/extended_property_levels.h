#pragma once

#include <string_view>

namespace testserver {

// The level-1 object types of extended properties and the sysobjects kinds
// (xtype, between blanks) each names.
struct LevelOneType {
    std::string_view type; // lower case, as sp_addextendedproperty takes it
    std::string_view xtypes;
};

inline constexpr LevelOneType kLevelOneTypes[] = {
    {"table", " U "},           {"view", " V "},    {"procedure", " P "},
    {"function", " FN IF TF "}, {"default", " D "}, {"rule", " R "},
};

// The kinds a level-1 type names, or nullptr for an unknown type.
inline const LevelOneType* findLevelOneType(std::string_view type) {
    for (const LevelOneType& candidate : kLevelOneTypes)
        if (candidate.type == type)
            return &candidate;
    return nullptr;
}

} // namespace testserver
