#include "testserver/engine/object_name.h"

#include <vector>

namespace testserver {

ObjectName objectNameOfText(std::string_view text) {
    std::vector<std::string> parts(1);
    char closing = '\0';
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (closing) {
            if (c != closing)
                parts.back().push_back(c);
            else if (i + 1 < text.size() && text[i + 1] == closing)
                parts.back().push_back(text[++i]);
            else
                closing = '\0';
        } else if (c == '[' && parts.back().empty()) {
            closing = ']';
        } else if (c == '"' && parts.back().empty()) {
            closing = '"';
        } else if (c == '.') {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    ObjectName name;
    name.name = parts.back();
    if (parts.size() >= 2)
        name.schema = parts[parts.size() - 2];
    return name;
}

std::string writtenName(const ObjectName& name) {
    return name.qualified() ? name.schema + "." + name.name : name.name;
}

} // namespace testserver
