#include "ToolRowsModel.h"

TToolRowsModel::TToolRowsModel(TCellText cellText, QObject *parent)
    : QAbstractTableModel(parent), CellText(std::move(cellText))
{
}

void TToolRowsModel::SetRowCount(int count)
{
    count = qMax(0, count);
    if (count == Rows) {
        Redraw(0, Rows - 1);
        return;
    }
    beginResetModel();
    Rows = count;
    endResetModel();
}

void TToolRowsModel::SetCaptions(const QStringList &captions)
{
    Captions = captions;
    while (Captions.size() < columnCount())
        Captions.append(QString());
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TToolRowsModel::Redraw(int first, int last)
{
    first = qMax(0, first);
    last = qMin(last, Rows - 1);
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole});
}

int TToolRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Rows;
}

int TToolRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant TToolRowsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= Rows)
        return {};
    return CellText(index.row(), index.column());
}

QVariant TToolRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < Captions.size())
        return Captions[section];
    return {};
}
