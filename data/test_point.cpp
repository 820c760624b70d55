#include "data/test_point.h"

namespace dbc {

namespace {
TestPointHandler g_handler = nullptr;
} // namespace

void setTestPointHandler(TestPointHandler handler) noexcept {
    g_handler = handler;
}

void testPoint(std::string_view point) {
    if (g_handler)
        g_handler(point);
}

} // namespace dbc
