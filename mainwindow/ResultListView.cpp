#include "ResultListView.h"

#include "ResultListModel.h"
#include "ResultRowPainter.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScopedValueRollback>

namespace {
constexpr int ColumnCount = TWindowDefaults::ColumnCount;
// Rows are this much taller than the font's line height.
constexpr int RowLeading = 2;
}

TResultListView::TResultListView(const THitStore &hitList,
                                 const TResultDisplay &display, QWidget *parent)
    : QTreeView(parent), HitList(hitList), Display(display),
      Model(new TResultListModel(hitList, this))
{
    setModel(Model);
    setFrameShape(QFrame::NoFrame);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideNone);

    QHeaderView *columns = header();
    columns->setSectionsClickable(false);
    columns->setSectionsMovable(false);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(0);
    for (int column = 0; column < ColumnCount; ++column)
        setColumnWidth(column, TWindowDefaults::ColumnWidths[size_t(column)]);
    // A press on the header is where dragging a divider starts.
    columns->viewport()->installEventFilter(this);
    // The refit's own width change comes back here and stops at Refitting.
    connect(columns, &QHeaderView::sectionResized, this, [this] { ListViewResultResize(); });

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TResultListView::ListViewResultSelectItem);
    UpdateRowHeight();
}

void TResultListView::SetRowCount(qsizetype count)
{
    Model->SetRowCount(count);
    FitValueColumns();
}

void TResultListView::ClearRows()
{
    Model->ClearRows();
    FittedWidths = {};
}

void TResultListView::FitValueColumns()
{
    if (HitList.IsEmpty())
        return;
    const TResultRowPainter painter(Display, font(), palette());
    const std::array<int, 3> needed =
        painter.ValueColumnWidths(HitList.LargestLine(), HitList.LargestColumn(), HitList.CodeIds());
    for (size_t i = 0; i < needed.size(); ++i) {
        if (needed[i] <= FittedWidths[i])
            continue;
        FittedWidths[i] = needed[i];
        const int column = int(i) + 2;
        if (columnWidth(column) < needed[i])
            setColumnWidth(column, needed[i]);
    }
}

int TResultListView::RowCount() const
{
    return Model->rowCount();
}

std::optional<TGrepResult> TResultListView::Record(int row) const
{
    return Model->Record(row);
}

int TResultListView::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TResultListView::ListViewResultResize()
{
    if (Refitting)
        return;
    const QScopedValueRollback<bool> guard(Refitting, true);

    setHorizontalScrollBarPolicy(Display.AutoColumn ? Qt::ScrollBarAlwaysOff
                                                    : Qt::ScrollBarAsNeeded);
    if (!Display.AutoColumn || !window()->isVisible())
        return;
    int width = viewport()->width() - 1;
    for (int column = 0; column < ColumnCount; ++column) {
        if (column != 1)
            width -= columnWidth(column);
    }
    // The header keeps its width for a negative one.
    setColumnWidth(1, std::max(0, width));
}

void TResultListView::keyboardSearch(const QString &)
{
}

void TResultListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    ListViewResultDrawItem(*painter, index.row(), option.rect,
                           selectionModel()->isSelected(index));
}

void TResultListView::ListViewResultDrawItem(QPainter &painter, int row, const QRect &rowRect,
                                             bool selected) const
{
    if (!FirstRowPainted) {
        FirstRowPainted = true;
        // Painting is where the list first knows its final size; the refit
        // only changes column widths, which repaints the list afterwards.
        const_cast<TResultListView *>(this)->ListViewResultResize();
    }
    const std::optional<TGrepResult> record = Model->Record(row);
    if (!record)
        return;

    TResultRowPainter::TCells cells;
    for (int column = 0; column < ColumnCount; ++column) {
        if (isColumnHidden(column))
            continue;
        const int left = columnViewportPosition(column);
        cells[column] = TResultRowPainter::TCell{left, left + columnWidth(column)};
    }
    // The row spans its columns; what lies right of the last one is the
    // list's background.
    const QRect bounds(-header()->offset(), rowRect.top(), header()->length(), rowRect.height());

    TResultRowPainter::TRowState state = TResultRowPainter::TRowState::Normal;
    if (selected)
        state = hasFocus() ? TResultRowPainter::TRowState::SelectedFocus
                           : TResultRowPainter::TRowState::SelectedNoFocus;

    const TResultRowPainter rowPainter(Display, font(), palette());
    rowPainter.Paint(painter, bounds, cells, state, *record);
}

void TResultListView::ListViewResultSelectItem(const QItemSelection &selected,
                                               const QItemSelection &deselected)
{
    // A whole-row selection: one range per row, spanning the columns.
    for (const QItemSelectionRange &range : deselected) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            emit SelectItem(row, false);
    }
    for (const QItemSelectionRange &range : selected) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            emit SelectItem(row, true);
    }
}

void TResultListView::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    ListViewResultResize();
}

void TResultListView::changeEvent(QEvent *event)
{
    QTreeView::changeEvent(event);
    // The view lays its rows out again after a font change, by then with
    // the new height.
    if (event->type() == QEvent::FontChange) {
        UpdateRowHeight();
        FittedWidths = {};
        FitValueColumns();
    }
}

bool TResultListView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == header()->viewport() && event->type() == QEvent::MouseButtonPress)
        ListViewResultResize();
    return QTreeView::eventFilter(watched, event);
}

void TResultListView::UpdateRowHeight()
{
    Model->SetRowHeight(fontMetrics().height() + RowLeading);
}
