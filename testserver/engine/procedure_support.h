#pragma once

// Helpers shared by the system procedures on logins, users and roles.

#include "testserver/engine/server_error.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testserver::procedure {

using Arguments = std::vector<std::optional<std::string>>;

inline ServerError refusal(int number, std::string text) {
    return ServerError(messages::make(number, 16, std::move(text)));
}

inline ServerError loginMissing(const std::string& login) {
    return refusal(15007, "The login '" + login + "' does not exist.");
}

// A required argument; 201 when it is missing or NULL.
inline const std::string& required(const Arguments& arguments, std::size_t index,
                                   std::string_view procedure, std::string_view parameter) {
    if (index >= arguments.size() || !arguments[index])
        throw messages::procedureArguments(procedure, parameter);
    return *arguments[index];
}

inline bool isWindowsName(const std::string& name) {
    return name.find('\\') != std::string::npos;
}

} // namespace testserver::procedure
