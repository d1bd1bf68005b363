#pragma once

#include <QAbstractTableModel>
#include <QVector>

#include <functional>

// The rows of a list control of LVS_OWNERDATA style: only their number is
// held, and each text is asked of the owner as the view draws it, so that
// a list of half a million rows costs nothing until it is shown.
class ListModel : public QAbstractTableModel {
public:
    using Text = std::function<QString(int row, int column)>;
    ListModel(QObject* parent, Text text);

    int insertColumn(int column, const QString& heading, Qt::Alignment alignment);
    void setCount(int count);
    QString text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Column {
        QString heading;
        Qt::Alignment alignment;
    };
    Text text_;
    QVector<Column> columns_;
    int count_ = 0;
};
