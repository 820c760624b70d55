#include "testserver/engine/utf8_text.h"
#include "testserver/tds/utf16le.h"

#include <gtest/gtest.h>

namespace testserver::tds {
namespace {

struct Utf16Case {
    const char* name;
    std::string utf8;
    std::string utf16le;
};

class Utf16RoundTrip : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16RoundTrip, ConvertsBothWays) {
    EXPECT_EQ(utf8ToUtf16le(GetParam().utf8), GetParam().utf16le);
    EXPECT_EQ(utf16leToUtf8(GetParam().utf16le), GetParam().utf8);
    EXPECT_EQ(testserver::utf16Length(GetParam().utf8), GetParam().utf16le.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, Utf16RoundTrip,
    ::testing::Values(Utf16Case{"Empty", "", ""},
                      Utf16Case{"Ascii",
                                "Ab1",
                                {"A\0b\0"
                                 "1\0",
                                 6}},
                      Utf16Case{"TwoByte", "é", {"\xE9\x00", 2}},
                      Utf16Case{"Chinese", "员工", {"\x58\x54\xE5\x5D", 4}},
                      Utf16Case{"LastBmp", "\xEF\xBF\xBF", {"\xFF\xFF", 2}},
                      Utf16Case{"SurrogatePair", "😀", {"\x3D\xD8\x00\xDE", 4}},
                      Utf16Case{"HighestCodePoint", "\xF4\x8F\xBF\xBF", {"\xFF\xDB\xFF\xDF", 4}},
                      Utf16Case{"EmbeddedNul", {"a\0b", 3}, {"a\0\0\0b\0", 6}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

struct InvalidCase {
    const char* name;
    std::string input;
    std::string expected;
};

class InvalidUtf8 : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidUtf8, BecomesReplacementCharacters) {
    EXPECT_EQ(utf16leToUtf8(utf8ToUtf16le(GetParam().input)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, InvalidUtf8,
    ::testing::Values(InvalidCase{"LoneContinuation", "a\x80z", "a\uFFFDz"},
                      InvalidCase{"OverlongSlash", "\xC0\xAF", "\uFFFD\uFFFD"},
                      InvalidCase{"EncodedSurrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
                      InvalidCase{"TruncatedAtEnd", "x\xE4\xB8", "x\uFFFD\uFFFD"},
                      InvalidCase{"BeyondUnicode", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
                      InvalidCase{"InvalidLead", "\xFF", "\uFFFD"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

class InvalidUtf16 : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidUtf16, BecomesReplacementCharacters) {
    EXPECT_EQ(utf16leToUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, InvalidUtf16,
    ::testing::Values(InvalidCase{"LoneHighAtEnd", {"a\0\x3D\xD8", 4}, "a\uFFFD"},
                      InvalidCase{"HighThenLetter",
                                  {"\x3D\xD8"
                                   "b\0",
                                   4},
                                  "\uFFFDb"},
                      InvalidCase{"LoneLow", {"\x00\xDE", 2}, "\uFFFD"},
                      InvalidCase{"OddTrailingByte", {"a\0b", 3}, "a\uFFFD"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(Utf16Truncate, CutsAtTheLimitButNeverInsideASurrogatePair) {
    std::string text = utf8ToUtf16le("ab😀c");
    EXPECT_EQ(utf16leToUtf8(truncateUtf16le(text, 10)), "ab😀c");
    EXPECT_EQ(utf16leToUtf8(truncateUtf16le(text, 4)), "ab😀");
    EXPECT_EQ(utf16leToUtf8(truncateUtf16le(text, 3)), "ab");
    EXPECT_EQ(utf16leToUtf8(truncateUtf16le(text, 0)), "");
}

} // namespace
} // namespace testserver::tds
