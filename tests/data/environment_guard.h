#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace dbc::test {

// Sets (or, with std::nullopt, removes) an environment variable for the life
// of the object and restores its previous value afterwards.
class EnvironmentGuard {
public:
    EnvironmentGuard(std::string name, const std::optional<std::string>& value)
        : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        apply(value);
    }
    ~EnvironmentGuard() { apply(m_old); }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    void apply(const std::optional<std::string>& value) {
        if (value)
            ::setenv(m_name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }

    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace dbc::test
