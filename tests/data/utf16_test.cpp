#include "data/utf16.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

struct Utf16Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

std::ostream& operator<<(std::ostream& out, const Utf16Case& c) {
    return out << c.name;
}

class Utf8ToUtf16 : public testing::TestWithParam<Utf16Case> {};

TEST_P(Utf8ToUtf16, Converts) {
    EXPECT_EQ(utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8ToUtf16,
    testing::Values(Utf16Case{"empty", "", u""}, Utf16Case{"ascii", "PWD={a;b}", u"PWD={a;b}"},
                    Utf16Case{"chinese", "密码", u"密码"}, Utf16Case{"two_byte", "é", u"é"},
                    Utf16Case{"astral", "\xF0\x9F\x98\x80", u"\U0001F600"},
                    Utf16Case{"stray_continuation", "a\x80z", u"a\uFFFDz"},
                    Utf16Case{"truncated", "a\xE5\xAF", u"a\uFFFD\uFFFD"},
                    Utf16Case{"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
                    Utf16Case{"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
                    Utf16Case{"latin1_byte", "caf\xE9!", u"caf\uFFFD!"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace dbc
