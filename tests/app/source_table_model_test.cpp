// The grid's model over the rows of "Select * From SourceTable".
#include "app/source_table_model.h"
#include "data/database_error.h"
#include "tests/app/qstring_printer.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>

#include <gtest/gtest.h>

namespace dbc {
namespace {

Result storeRows() {
    // The store's own column order, with the fields in other letter case than
    // the grid asks for, as a store written elsewhere may spell them.
    return Result({"fieldname", "FIELDLENGTH", "FieldType", "TableName", "Collation", "IsNullable"},
                  {{"ID", "4", "int", "Emp", "", "0"},
                   {"Name", "50", "varchar", "Emp", "Chinese_PRC_CI_AS", "1"}});
}

TEST(SourceTableModel, ShowsTheFourFieldsByNameIgnoringCase) {
    SourceTableModel model;
    model.setResult(storeRows());
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.index(1, SourceTableModel::FieldName).data().toString(), "Name");
    EXPECT_EQ(model.index(1, SourceTableModel::FieldLength).data().toString(), "50");
    EXPECT_EQ(model.index(1, SourceTableModel::FieldType).data().toString(), "varchar");
    EXPECT_EQ(model.index(1, SourceTableModel::TableName).data().toString(), "Emp");
}

TEST(SourceTableModel, FieldsInAnotherOrderLandInTheirColumns) {
    SourceTableModel model;
    model.setResult(Result({"TableName", "FieldType", "FieldLength", "FieldName"},
                           {{"T", "nvarchar", "20", "F"}}));
    EXPECT_EQ(model.index(0, 0).data().toString(), "F");
    EXPECT_EQ(model.index(0, 1).data().toString(), "20");
    EXPECT_EQ(model.index(0, 2).data().toString(), "nvarchar");
    EXPECT_EQ(model.index(0, 3).data().toString(), "T");
}

TEST(SourceTableModel, MissingFieldThrowsAndKeepsWhatWasShown) {
    SourceTableModel model;
    model.setResult(storeRows());
    EXPECT_THROW(
        model.setResult(Result({"FieldName", "FieldLength", "TableName"}, {{"a", "1", "t"}})),
        DatabaseError);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(0, 0).data().toString(), "ID");
}

TEST(SourceTableModel, ChineseNamesComeThroughAsUtf8) {
    SourceTableModel model;
    model.setResult(Result({"FieldName", "FieldLength", "FieldType", "TableName"},
                           {{"姓名", "10", "varchar", "员工"}}));
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("姓名"));
    EXPECT_EQ(model.index(0, 3).data().toString(), QStringLiteral("员工"));
}

TEST(SourceTableModel, ClearLeavesTheCaptionedColumnsWithoutRows) {
    SourceTableModel model;
    model.setResult(storeRows());
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("表名"));
}

TEST(SourceTableModel, AppendedRowIsAnnouncedAndShown) {
    SourceTableModel model;
    model.setResult(storeRows());
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.appendRow({"Age", "4", "int", "Emp", "", "1"});
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 2);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(2, 0).data().toString(), "Age");
}

TEST(SourceTableModel, HundredThousandRowsShowAndScrollToTheLast) {
    std::vector<Result::Row> rows;
    rows.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        rows.push_back(
            {"Field" + std::to_string(i), "10", "varchar", "T" + std::to_string(i / 50)});
    SourceTableModel model;
    QTableView view;
    view.resize(361, 265);
    view.setModel(&model);
    view.show();

    model.setResult(
        Result({"FieldName", "FieldLength", "FieldType", "TableName"}, std::move(rows)));
    view.scrollToBottom();
    view.repaint();
    EXPECT_EQ(view.model()->rowCount(), 100000);
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
}

} // namespace
} // namespace dbc
