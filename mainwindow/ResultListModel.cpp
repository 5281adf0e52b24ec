#include "ResultListModel.h"

#include "CodePage.h"
#include "Cp932.h"
#include "PathText.h"
#include "ResultText.h"

#include <QSize>

#include <algorithm>
#include <limits>

TResultListModel::TResultListModel(const THitStore &hitList, QObject *parent)
    : QAbstractTableModel(parent), HitList(hitList)
{
}

int TResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Rows;
}

int TResultListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TResultListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Rows || index.row() >= HitList.Size())
        return {};
    if (role == Qt::SizeHintRole)
        return RowHeight > 0 ? QVariant(QSize(0, RowHeight)) : QVariant();
    if (role != Qt::DisplayRole)
        return {};

    const TGrepResult record = HitList.At(index.row());
    switch (index.column()) {
    case 0:
        return ShownPath(record.FileName);
    case 1:
        return TCp932::ToQString(record.BeforeText + record.TextFromHit);
    case 2:
        return FormatThousands(record.Line + 1, 3);
    case 3:
        return FormatThousands(record.Column, 3);
    case 4:
        return CodeDisplayName(record.CodeId);
    default:
        return {};
    }
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        static const char16_t *const Captions[ColumnCount] = {u"ファイル", u"位置", u"行", u"列",
                                                              u"コード"};
        return QString::fromUtf16(Captions[section]);
    }
    if (role == Qt::TextAlignmentRole) {
        // Line and column numbers are right-aligned, like their cells.
        const bool right = section == 2 || section == 3;
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags TResultListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TResultListModel::SetRowCount(qsizetype count)
{
    const qsizetype limit =
        std::min<qsizetype>(HitList.Size(), std::numeric_limits<int>::max());
    const int target = int(std::clamp<qsizetype>(count, 0, limit));
    if (target > Rows) {
        beginInsertRows(QModelIndex(), Rows, target - 1);
        Rows = target;
        endInsertRows();
    } else if (target < Rows) {
        beginRemoveRows(QModelIndex(), target, Rows - 1);
        Rows = target;
        endRemoveRows();
    }
}

void TResultListModel::ClearRows()
{
    if (Rows == 0)
        return;
    beginRemoveRows(QModelIndex(), 0, Rows - 1);
    Rows = 0;
    endRemoveRows();
}

std::optional<TGrepResult> TResultListModel::Record(int row) const
{
    if (row < 0 || row >= Rows || row >= HitList.Size())
        return std::nullopt;
    return HitList.At(row);
}

void TResultListModel::SetRowHeight(int height)
{
    RowHeight = std::max(0, height);
}
