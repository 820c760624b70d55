#pragma once

#include "data/result.h"

#include <QAbstractTableModel>

#include <array>
#include <cstddef>
#include <optional>

namespace dbc {

// The rows of SourceTable as the grid dxDBGrid1 shows them: four columns,
// FieldName, FieldLength, FieldType and TableName, under the captions
// "字段名", "字段长度", "字段类型" and "表名". The model holds the fetched
// Result itself and converts only the cells the view asks for, so a store
// of 100,000 columns shows at once.
class SourceTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { FieldName, FieldLength, FieldType, TableName, ColumnCount };

    explicit SourceTableModel(QObject* parent = nullptr);

    // Shows `result`, the column rows of the snapshot store. Throws
    // DatabaseError when one of the four fields is missing; the model is
    // then left as it was.
    void setResult(Result result);

    // Shows no rows (the store could not be opened).
    void clear();

    // Appends one row, its values in the order of result().columns().
    void appendRow(Result::Row row);

    const Result& result() const noexcept { return m_result; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    Result m_result;
    // Where each of the four shown fields sits in a row; empty while no
    // result is shown.
    std::optional<std::array<std::size_t, ColumnCount>> m_fieldIndex;
};

} // namespace dbc
