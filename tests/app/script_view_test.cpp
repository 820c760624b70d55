// The script buffer's two faces in the window: Memo1's text and ListView1's
// items.
#include "app/script_view.h"
#include "tests/app/qstring_printer.h"

#include <QListWidget>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace dbc {
namespace {

class ScriptViewTest : public ::testing::Test {
protected:
    QPlainTextEdit m_memo;
    QListWidget m_list;
    ScriptView m_view{m_memo, m_list};
};

ScriptBuffer sampleScript() {
    ScriptBuffer buffer;
    buffer.addStatement("use hrms");
    buffer.addStatement("Alter Table [Emp] Add [Age] int NULL");
    buffer.addSeparator();
    buffer.addStatement("Create Procedure GetEmp\r\nAs\r\nSelect * From Emp");
    return buffer;
}

TEST_F(ScriptViewTest, StatementsBecomeItemsAndLinesBecomeText) {
    m_view.show(sampleScript());
    ASSERT_EQ(m_list.count(), 3);
    EXPECT_EQ(m_list.item(0)->text(), "use hrms");
    EXPECT_EQ(m_list.item(2)->text(), "Create Procedure GetEmp\r\nAs\r\nSelect * From Emp")
        << "a multi-line statement stays one whole item";
    EXPECT_EQ(m_memo.toPlainText(), "use hrms\nAlter Table [Emp] Add [Age] int NULL\nGo\n"
                                    "Create Procedure GetEmp\nAs\nSelect * From Emp");
    EXPECT_EQ(m_memo.document()->blockCount(), 6);
}

TEST_F(ScriptViewTest, ReadGivesBackWhatWasShown) {
    const ScriptBuffer shown = sampleScript();
    m_view.show(shown);
    const ScriptBuffer read = m_view.read();
    EXPECT_EQ(read.statements(), shown.statements());
    EXPECT_EQ(read.displayLines(), shown.displayLines());
}

TEST_F(ScriptViewTest, EditsInTheTextBoxDoNotReachTheStatementList) {
    m_view.show(sampleScript());
    m_memo.setPlainText("Drop Table Emp");
    const ScriptBuffer read = m_view.read();
    EXPECT_EQ(read.statements(), sampleScript().statements());
    EXPECT_EQ(read.displayText(), "Drop Table Emp");
}

TEST_F(ScriptViewTest, ShowingAnotherScriptReplacesBothFaces) {
    m_view.show(sampleScript());
    ScriptBuffer next;
    next.addStatement("use other");
    m_view.show(next);
    ASSERT_EQ(m_list.count(), 1);
    EXPECT_EQ(m_list.item(0)->text(), "use other");
    EXPECT_EQ(m_memo.toPlainText(), "use other");
}

TEST_F(ScriptViewTest, EmptyScriptEmptiesBothFaces) {
    m_view.show(sampleScript());
    m_view.show(ScriptBuffer());
    EXPECT_EQ(m_list.count(), 0);
    EXPECT_TRUE(m_memo.toPlainText().isEmpty());
    EXPECT_TRUE(m_view.read().statements().empty());
}

} // namespace
} // namespace dbc
