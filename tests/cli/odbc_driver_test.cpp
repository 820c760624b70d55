#include "cli/odbc_driver.h"
#include "tests/data/environment_guard.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

TEST(OdbcDriverFromEnvironment, IsFreeTdsUnlessTheEnvironmentNamesAnother) {
    {
        test::EnvironmentGuard unset("DBCOMPARE_ODBC_DRIVER", std::nullopt);
        EXPECT_EQ(odbcDriverFromEnvironment(), "FreeTDS");
    }
    {
        test::EnvironmentGuard empty("DBCOMPARE_ODBC_DRIVER", std::string());
        EXPECT_EQ(odbcDriverFromEnvironment(), "FreeTDS");
    }
    {
        test::EnvironmentGuard other("DBCOMPARE_ODBC_DRIVER",
                                     std::string("ODBC Driver 18 for SQL Server"));
        EXPECT_EQ(odbcDriverFromEnvironment(), "ODBC Driver 18 for SQL Server");
    }
}

} // namespace
} // namespace dbc
