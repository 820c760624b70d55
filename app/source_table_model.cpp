#include "app/source_table_model.h"

#include <QString>

#include <utility>

namespace dbc {

namespace {

constexpr std::array<const char*, SourceTableModel::ColumnCount> kFieldNames = {
    "FieldName", "FieldLength", "FieldType", "TableName"};

QString caption(int column) {
    switch (column) {
    case SourceTableModel::FieldName:
        return QStringLiteral("字段名");
    case SourceTableModel::FieldLength:
        return QStringLiteral("字段长度");
    case SourceTableModel::FieldType:
        return QStringLiteral("字段类型");
    case SourceTableModel::TableName:
        return QStringLiteral("表名");
    default:
        return {};
    }
}

} // namespace

SourceTableModel::SourceTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SourceTableModel::setResult(Result result) {
    std::array<std::size_t, ColumnCount> index{};
    for (std::size_t i = 0; i < kFieldNames.size(); ++i)
        index[i] = result.columnIndex(kFieldNames[i]);
    beginResetModel();
    m_result = std::move(result);
    m_fieldIndex = index;
    endResetModel();
}

void SourceTableModel::clear() {
    beginResetModel();
    m_result = Result();
    m_fieldIndex.reset();
    endResetModel();
}

void SourceTableModel::appendRow(Result::Row row) {
    const int position = rowCount();
    beginInsertRows({}, position, position);
    m_result.addRow(std::move(row));
    endInsertRows();
}

int SourceTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_result.size());
}

int SourceTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SourceTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_fieldIndex || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const auto& row = m_result.rows()[static_cast<std::size_t>(index.row())];
    const std::size_t field = (*m_fieldIndex)[static_cast<std::size_t>(index.column())];
    if (field >= row.size())
        return QString();
    return QString::fromStdString(row[field]);
}

QVariant SourceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return caption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace dbc
