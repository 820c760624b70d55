#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testserver::test {

// The TDS versions the protocol tests run under, as FreeTDS's TDSVER names
// them: 7.1 (SQL Server 2000) and 7.4.
inline auto tdsVersions() {
    return ::testing::Values("7.1", "7.4");
}

// Names a test after its TDS version: "Tds71".
struct TdsVersionName {
    template <class ParamInfo> std::string operator()(const ParamInfo& info) const {
        std::string name = "Tds" + info.param;
        name.erase(name.find('.'), 1);
        return name;
    }
};

} // namespace testserver::test
