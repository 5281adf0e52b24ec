#pragma once
// The result list's model: one row per hit record of the window's HitList,
// five fixed columns, and the list's one way to the records. It keeps no texts; the view paints every row from the
// record itself. The row count is set from outside, so rows appear in the
// batches the search hands over.

#include "GrepResult.h"
#include "HitStore.h"
#include "WindowDefaults.h"

#include <QAbstractTableModel>

#include <optional>

class TResultListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = TWindowDefaults::ColumnCount;

    // hitList is the window's and outlives the model.
    explicit TResultListModel(const THitStore &hitList, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // Texts made from the record when asked (accessibility, copying), and the
    // one height every row has.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Shows the first `count` records of HitList (never more than it holds).
    // New rows arrive as one insertion for the whole batch.
    void SetRowCount(qsizetype count);
    // Shows no rows, whatever HitList holds.
    void ClearRows();
    // The height of every row, in pixels; 0 leaves it to the view's delegate.
    void SetRowHeight(int height);

    // The record a shown row stands for; nothing for a row not shown.
    std::optional<TGrepResult> Record(int row) const;

private:
    const THitStore &HitList;
    int Rows = 0;
    int RowHeight = 0;
};
