// CREATE/ALTER/DROP of procedures, views and triggers.

#include "tests/testserver_engine/ddl_test_support.h"

#include <gtest/gtest.h>

namespace testserver::test {
namespace {

const char* const kTables = "CREATE TABLE Emp (Id int NOT NULL)\nGO\n"
                            "CREATE TABLE [Contract ] (No varchar(10) NOT NULL)\nGO\n";

class ModuleDdlTest : public ::testing::Test {
protected:
    ModuleDdlTest() : m_db(kTables) {}

    std::vector<std::string> names(const char* xtype) {
        return column(m_db.query(std::string("Select Name From SysObjects where xtype='") + xtype +
                                 "' and Status>=0"),
                      "Name");
    }

    std::string helpText(const std::string& name) {
        std::string text;
        for (const std::string& row : column(m_db.query("Exec sp_helpText " + name), "Text"))
            text += row;
        return text;
    }

    EngineWithSession m_db;
};

TEST_F(ModuleDdlTest, CreatedObjectsAppearWithTheirTextAsSent) {
    const std::string procedure = "-- lists employees\r\nCREATE PROCEDURE p_List\r\n  @Id int\r\n"
                                  "AS\r\nSELECT @Id\r\n";
    const std::string view = "CREATE VIEW v_Emp AS\nSELECT Id FROM Emp\n";
    const std::string trigger = "create trigger tr_Emp on [dbo].[Emp] for insert, update\nas\n"
                                "select 1\n";
    m_db.exec(procedure);
    m_db.exec(view);
    m_db.exec(trigger);
    EXPECT_EQ(names("P"), std::vector<std::string>{"p_List"});
    EXPECT_EQ(names("V"), std::vector<std::string>{"v_Emp"});
    EXPECT_EQ(names("TR"), std::vector<std::string>{"tr_Emp"});
    EXPECT_EQ(helpText("p_List"), procedure);
    EXPECT_EQ(helpText("v_Emp"), view);
    EXPECT_EQ(helpText("tr_Emp"), trigger);
    EXPECT_EQ(rowsAsText(m_db.query("select o.type, t.name from sysobjects o inner join sysobjects "
                                    "t on t.id = o.parent_obj where o.name = 'tr_Emp'")),
              std::vector<std::string>{"TR|Emp"});
    EXPECT_EQ(m_db.query("Select * From sysObjects where type='P' and Status>=0 and name='p_List'")
                  .rows.size(),
              1u);
}

TEST_F(ModuleDdlTest, EveryDropFormTheToolGenerates) {
    m_db.exec("CREATE PROCEDURE p1 AS SELECT 1");
    m_db.exec("CREATE PROCEDURE p2 AS SELECT 2");
    m_db.exec("CREATE VIEW v1 AS SELECT 1 AS a");
    m_db.exec("CREATE TRIGGER t1 ON Emp FOR INSERT AS SELECT 1");
    m_db.exec("CREATE TRIGGER t2 ON Contract FOR INSERT AS SELECT 1");
    m_db.exec("drop procedure [dbo].p1");
    m_db.exec("DROP PROC p2");
    m_db.exec("drop View [dbo].v1");
    m_db.exec("drop TRIGGER [dbo].t1");
    m_db.exec("drop TRigger [dbo].T2");
    EXPECT_TRUE(names("P").empty());
    EXPECT_TRUE(names("V").empty());
    EXPECT_TRUE(names("TR").empty());
    EXPECT_EQ(rowsAsText(m_db.query("select count(*) from syscomments")),
              std::vector<std::string>{"0"});
}

TEST_F(ModuleDdlTest, EncryptedTextIsNotGivenOut) {
    m_db.exec("CREATE PROCEDURE p_Secret @a int WITH ENCRYPTION AS SELECT @a");
    m_db.exec("CREATE VIEW v_Secret WITH ENCRYPTION AS SELECT 1 AS a");
    EXPECT_EQ(names("P"), std::vector<std::string>{"p_Secret"});
    for (const char* name : {"p_Secret", "v_Secret"}) {
        StatementOutcome outcome = m_db.run(std::string("sp_helptext ") + name);
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages[0].number, 15471);
    }
    EXPECT_EQ(rowsAsText(m_db.query("select c.encrypted, c.text from syscomments c inner join "
                                    "sysobjects o on o.id = c.id where o.name = 'p_Secret'")),
              std::vector<std::string>{"1|NULL"});
    // WITH RECOMPILE alone is no encryption.
    m_db.exec("CREATE PROCEDURE p_Plain WITH RECOMPILE AS SELECT 1");
    EXPECT_EQ(helpText("p_Plain"), "CREATE PROCEDURE p_Plain WITH RECOMPILE AS SELECT 1");
}

TEST_F(ModuleDdlTest, AlterReplacesTheTextAndKeepsTheId) {
    m_db.exec("CREATE PROCEDURE p AS SELECT 1");
    std::string id = column(m_db.query("select id from sysobjects where name = 'p'"), "id").front();
    m_db.exec("ALTER PROCEDURE p AS SELECT 2");
    EXPECT_EQ(helpText("p"), "ALTER PROCEDURE p AS SELECT 2");
    EXPECT_EQ(column(m_db.query("select id from sysobjects where name = 'p'"), "id").front(), id);
}

TEST_F(ModuleDdlTest, DefinitionMustBeFirstInItsBatch) {
    StatementOutcome outcome = m_db.run("select 1\nCREATE VIEW v AS SELECT 1 AS a");
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.messages[0].number, 111);
    EXPECT_EQ(outcome.messages[0].text,
              "'CREATE VIEW' must be the first statement in a query batch.");
    EXPECT_TRUE(names("V").empty());
}

TEST_F(ModuleDdlTest, DroppingATableDropsItsTriggers) {
    m_db.exec("CREATE TRIGGER t1 ON [Contract] FOR DELETE AS SELECT 1");
    m_db.exec("DROP TABLE Contract");
    EXPECT_TRUE(names("TR").empty());
}

} // namespace
} // namespace testserver::test
