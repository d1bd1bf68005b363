#include "framework/ListModel.h"

#include <algorithm>

ListModel::ListModel(QObject* parent, Text text) : QAbstractTableModel(parent), text_(std::move(text)) {}

int ListModel::insertColumn(int column, const QString& heading, Qt::Alignment alignment)
{
    column = std::clamp(column, 0, static_cast<int>(columns_.size()));
    beginInsertColumns({}, column, column);
    columns_.insert(column, {heading, alignment});
    endInsertColumns();
    return column;
}

void ListModel::setCount(int count)
{
    beginResetModel();
    count_ = std::max(count, 0);
    endResetModel();
}

QString ListModel::text(int row, int column) const
{
    if (row < 0 || row >= count_ || column < 0 || column >= columns_.size() || !text_)
        return {};
    return text_(row, column);
}

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(columns_[index.column()].alignment | Qt::AlignVCenter);
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size())
        return {};
    if (role == Qt::DisplayRole)
        return columns_[section].heading;
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(columns_[section].alignment | Qt::AlignVCenter);
    return {};
}
