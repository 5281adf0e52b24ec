#pragma once
// The result list: a flat, virtual list over the window's HitList. The view
// knows only the row count; every visible row is painted from its record,
// which it gets from its model, when it is painted, so a million rows cost
// no more than a screenful.

#include "GrepResult.h"
#include "HitStore.h"
#include "ResultDisplay.h"

#include <QTreeView>

#include <array>
#include <optional>

class TResultListModel;

class TResultListView : public QTreeView
{
    Q_OBJECT

public:
    // hitList and display belong to the window and outlive the view; display
    // is read at every painting, so after changing it the window repaints
    // (viewport()->update()).
    TResultListView(const THitStore &hitList, const TResultDisplay &display,
                    QWidget *parent = nullptr);

    // Shows the first `count` records of HitList, one insertion per call.
    void SetRowCount(qsizetype count);
    // Shows no rows.
    void ClearRows();
    int RowCount() const;
    // The selected row, or -1.
    int SelectedRow() const;
    // The record a shown row stands for; nothing for a row not shown.
    std::optional<TGrepResult> Record(int row) const;

    // Gives the position column the width the other columns leave, while the
    // window is visible and AutoColumn is on; hides the horizontal scroll bar
    // while AutoColumn is on.
    void ListViewResultResize();

    // Widens the line, column and code columns where the values now held in
    // HitList need more room; never narrows them. A width the user chose
    // stays until a wider value arrives.
    void FitValueColumns();

    // Typing in the list does not search through its rows.
    void keyboardSearch(const QString &search) override;

signals:
    // A row became selected or deselected.
    void SelectItem(int row, bool selected);

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ListViewResultDrawItem(QPainter &painter, int row, const QRect &rowRect,
                                bool selected) const;
    void ListViewResultSelectItem(const QItemSelection &selected,
                                  const QItemSelection &deselected);
    void UpdateRowHeight();

    const THitStore &HitList;
    const TResultDisplay &Display;
    TResultListModel *Model;
    // The widths FitValueColumns last asked for (line, column, code).
    std::array<int, 3> FittedWidths{};
    bool Refitting = false;
    // Set by this list's first row painting, which refits the columns.
    mutable bool FirstRowPainted = false;
};
