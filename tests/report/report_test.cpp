// The report's parts: the line diff over the cases of line_diff_cases.txt,
// how change records become differences, and what the pages make of names
// that are markup or not valid UTF-8.

#include "catalog/object_kinds.h"
#include "report/difference.h"
#include "report/html_report.h"
#include "report/json_report.h"
#include "report/line_diff.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

namespace dbc::report {
namespace {

struct DiffCase {
    int line = 0;
    std::string target, source, expected;
};

void PrintTo(const DiffCase& c, std::ostream* out) {
    *out << "line_diff_cases.txt line " << c.line;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<DiffCase> readCases() {
    std::ifstream in(std::string(DBCOMPARE_SOURCE_DIR) + "/tests/report/line_diff_cases.txt");
    std::vector<DiffCase> cases;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const auto first = line.find(" => ");
        const auto second = first == std::string::npos ? first : line.find(" => ", first + 1);
        if (line.empty() || line[0] == '#' || second == std::string::npos)
            continue;
        cases.push_back({number, unescaped(line.substr(0, first)),
                         unescaped(line.substr(first + 4, second - first - 4)),
                         line.substr(second + 4)});
    }
    return cases;
}

class LineDiffTest : public ::testing::TestWithParam<DiffCase> {};

TEST_P(LineDiffTest, GivesTheFewestRemovedAndAddedLines) {
    const DiffCase& c = GetParam();
    std::string got;
    for (const DiffLine& line : lineDiff(c.target, c.source)) {
        const char mark = line.op == DiffLine::Same           ? '='
                          : line.op == DiffLine::OnlyInTarget ? '-'
                                                              : '+';
        got += (got.empty() ? "" : " | ") + std::string(1, mark) + line.text;
    }
    EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineDiffTest, ::testing::ValuesIn(readCases()),
                         [](const auto& test) { return "line" + std::to_string(test.param.line); });

Column column(const std::string& table, const std::string& name, const std::string& length) {
    Column c;
    c.table = table;
    c.name = name;
    c.type = "varchar";
    c.length = length;
    c.typeStat = "2";
    c.nullable = "1";
    return c;
}

// The changes of one object make one difference: a drop and the create
// that replaces it, in either spelling of the name.
TEST(Differences, ADropAndItsCreateAreOneDifference) {
    Index snapshot{"T", "IX_A", "1", {{"a", "1", false}}};
    Index target{"T", "ix_a", "2", {{"a", "1", false}}};
    Index rebuilt{"T", "IX_B", "2", {{"b", "1", false}}};
    ChangeList changes{{UseDatabase{"db"}},
                       {DropIndex{"T", "ix_a"}},
                       {DropIndex{"T", "IX_B"}},
                       {AlterColumn{column("T", "c", "20"), false, column("T", "c", "10")}},
                       {CreateIndex{snapshot, target}},
                       {CreateIndex{rebuilt}},
                       {DropModule{&viewKind, "V", true}, true},
                       {CreateModule{&viewKind, "V", "create view V as select 1"}, true}};
    const auto differences = differencesOf(changes);
    ASSERT_EQ(differences.size(), 4u);
    EXPECT_EQ(differences[0].presence, Presence::Different);
    EXPECT_EQ(differences[0].name, "IX_A");
    EXPECT_EQ(differences[0].statements.size(), 2u);
    std::vector<std::string> differing;
    for (const auto& field : differences[0].fields) {
        if (field.differs)
            differing.push_back(field.name);
    }
    EXPECT_EQ(differing, std::vector<std::string>{"clustered"});
    EXPECT_EQ(differences[1].presence, Presence::Rebuilt);
    EXPECT_EQ(differences[2].kind, DifferenceKind::Column);
    EXPECT_EQ(differences[2].fields[1].source, "20");
    EXPECT_EQ(differences[2].fields[1].target, "10");
    EXPECT_TRUE(differences[2].fields[1].differs);
    EXPECT_EQ(differences[3].presence, Presence::Different);
    EXPECT_TRUE(differences[3].targetTextUnreadable);
    EXPECT_EQ(differences[3].objectType, "view");
}

// Names are catalog text: markup in them is shown, never obeyed, and bytes
// that are not UTF-8 do not stop the JSON report.
TEST(Pages, NamesAreTextNotMarkup) {
    TargetReport target{"srv<1>", "db&\"x\""};
    target.differences = differencesOf(
        {{CreateModule{&procedureKind, "<script>alert(1)</script>", "create proc p as \xff"},
          true}});
    const ReportSource source{"Source.mdb", "s", "d", "2026-01-01 00:00:00", "2026-01-02 00:00:00"};
    const std::string html = renderHtmlReport(source, {target});
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("db&amp;&quot;x&quot;"), std::string::npos);
    EXPECT_EQ(html.find("http"), std::string::npos) << "the page fetches nothing";

    const auto json = nlohmann::json::parse(renderJsonReport(source, {target}));
    EXPECT_EQ(json["version"], jsonReportVersion);
    EXPECT_EQ(json["targets"][0]["differences"][0]["name"], "<script>alert(1)</script>");
    EXPECT_EQ(json["targets"][0]["differences"][0]["sourceText"], "create proc p as \xEF\xBF\xBD");
    EXPECT_EQ(json["targets"][0]["counts"]["module"], 1);
}

} // namespace
} // namespace dbc::report
