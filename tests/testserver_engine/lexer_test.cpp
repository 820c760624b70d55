#include "testserver/engine/lexer.h"
#include "testserver/engine/server_error.h"

#include <gtest/gtest.h>

namespace testserver {
namespace {

TEST(LexerTest, KindsValuesAndOffsets) {
    std::string sql = "select N'it''s', 'a', [x]]y], \"q\", 12.5, @@spid, a.b <> 0x1F";
    std::vector<Token> tokens = tokenize(sql);
    ASSERT_EQ(tokens.size(), 18u);
    EXPECT_EQ(tokens[0].kind, TokenKind::Word);
    EXPECT_EQ(tokens[1].kind, TokenKind::UnicodeString);
    EXPECT_EQ(tokens[1].value, "it's");
    EXPECT_EQ(tokens[1].text, "N'it''s'");
    EXPECT_EQ(tokens[3].kind, TokenKind::String);
    EXPECT_EQ(tokens[5].kind, TokenKind::QuotedName);
    EXPECT_EQ(tokens[5].value, "x]y");
    EXPECT_EQ(tokens[7].value, "q");
    EXPECT_EQ(tokens[9].kind, TokenKind::Number);
    EXPECT_EQ(tokens[9].text, "12.5");
    EXPECT_EQ(tokens[11].text, "@@spid");
    EXPECT_EQ(tokens[11].kind, TokenKind::Word);
    EXPECT_EQ(tokens[13].text, "a");
    EXPECT_TRUE(tokens[14].isSymbol("."));
    EXPECT_TRUE(tokens[16].isSymbol("<>"));
    EXPECT_EQ(tokens[17].text, "0x1F");
    for (const Token& token : tokens)
        EXPECT_EQ(sql.substr(token.offset, token.text.size()), token.text);
}

TEST(LexerTest, SkipsLineAndNestedBlockCommentsAndCountsLines) {
    std::vector<Token> tokens = tokenize("-- one\n/* two /* nested */ still */ select\n  x");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_TRUE(tokens[0].is("SELECT"));
    EXPECT_EQ(tokens[0].line, 2);
    EXPECT_EQ(tokens[1].line, 3);
}

TEST(LexerTest, ChineseNamesAreWords) {
    std::vector<Token> tokens = tokenize("select 档案编号 from 员工档案");
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[1].value, "档案编号");
    EXPECT_EQ(tokens[3].kind, TokenKind::Word);
}

TEST(LexerTest, UnclosedTextIsRefusedLikeSqlServer) {
    for (const char* sql : {"select 'abc", "select [abc", "select /* open"}) {
        try {
            tokenize(sql);
            FAIL() << sql;
        } catch (const ServerError& error) {
            EXPECT_TRUE(error.abortsBatch());
            EXPECT_TRUE(error.messages().front().number == 105 ||
                        error.messages().front().number == 113)
                << sql;
        }
    }
}

TEST(LexerTest, KeywordMatchIgnoresCaseButNotQuoting) {
    std::vector<Token> tokens = tokenize("SeLeCt [select]");
    EXPECT_TRUE(tokens[0].is("select"));
    EXPECT_FALSE(tokens[1].is("select"));
}

} // namespace
} // namespace testserver
