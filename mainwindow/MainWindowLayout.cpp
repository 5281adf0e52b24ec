// TForm1: the setup panel, the result panel and the status bar, and how they
// follow the window's size.

#include "MainWindow.h"

#include "Anchors.h"
#include "ButtonImages.h"
#include "History.h"
#include "ResultListView.h"
#include "StatusBar.h"
#include "WKSpinEdit.h"
#include "WindowDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace {

// A panel with the two bevels the window's panels have.
class TBevelPanel : public QFrame
{
public:
    TBevelPanel(bool raisedInner, QWidget *parent) : QFrame(parent), RaisedInner(raisedInner)
    {
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        qDrawShadeRect(&p, rect(), palette(), true, 1);  // lowered outer bevel
        if (RaisedInner)
            qDrawShadeRect(&p, rect().adjusted(1, 1, -1, -1), palette(), false, 1);
    }

private:
    bool RaisedInner;
};

QToolButton *FlatButton(QWidget *parent, const QImage &image, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setIcon(TButtonImages::Icon(image));
    b->setIconSize(image.size());
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

using A = TAnchors;

} // namespace

void TForm1::CreateSetupPanel()
{
    PanelSetup = new TBevelPanel(true, this);
    PanelSetup->setObjectName(QStringLiteral("PanelSetup"));
    PanelSetup->setFixedHeight(SetupHeightWithDetail);
    SetupAnchors = new TAnchors(PanelSetup, QSize(TWindowDefaults::ClientWidth, SetupHeightWithDetail));
    CreateTextRows();
    CreateDetailRow();
    LabelTarget->setBuddy(ComboBoxTarget);
    LabelFilter->setBuddy(ComboBoxFilter);
    LabelFind->setBuddy(ComboBoxGrep);
    LabelCode->setBuddy(ComboBoxCode);
    LabelSubLimit->setBuddy(EditSubLimit);
    CreateOptionRows();
    CreateAlignButtons();
}

QLabel *TForm1::MakeLabel(const QString &caption, int x, int y)
{
    auto *l = new QLabel(caption, PanelSetup);
    l->adjustSize();
    SetupAnchors->Place(l, QRect(QPoint(x, y), l->sizeHint()), A::Left | A::Top);
    return l;
}

QComboBox *TForm1::MakeCombo(bool editable, const QString &hint, const QRect &box, int sides)
{
    auto *c = new QComboBox(PanelSetup);
    c->setEditable(editable);
    c->setMaxVisibleItems(32);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setToolTip(hint);
    SetupAnchors->Place(c, box, sides);
    c->installEventFilter(this);
    if (c->lineEdit()) {
        // No completion while typing: it rewrote what was typed, and its
        // case-blind match made the box take an older spelling from the
        // history when it lost the focus. The drop-down history stays.
        c->setCompleter(nullptr);
        c->lineEdit()->installEventFilter(this);
        c->lineEdit()->setAcceptDrops(false); // a dropped file is the window's
    }
    return c;
}

void TForm1::CreateTextRows()
{
    LabelTarget = MakeLabel(QStringLiteral("検索対象(&T)"), 14, 12);
    ComboBoxTarget = MakeCombo(true, QStringLiteral("検索の対象となるファイルかディレクトリを指定します"),
                               QRect(80, 8, 329, 20), A::Left | A::Top | A::Right);
    ComboBoxTarget->setObjectName(QStringLiteral("ComboBoxTarget"));
    connect(ComboBoxTarget, &QComboBox::editTextChanged, this, [this] { UpdateFilterState(); });
    SpeedButtonTarget = FlatButton(PanelSetup, TButtonImages::OpenFolder(), QStringLiteral("検索対象選択"));
    SpeedButtonTarget->setObjectName(QStringLiteral("SpeedButtonTarget"));
    SpeedButtonTarget->setMenu(PopupMenuRefer);
    SpeedButtonTarget->setPopupMode(QToolButton::InstantPopup);
    SpeedButtonTarget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SpeedButtonTarget, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenuRefer->popup(SpeedButtonTarget->mapToGlobal(at)); });
    SpeedButtonTarget->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    SetupAnchors->Place(SpeedButtonTarget, QRect(413, 8, 20, 20), A::Top | A::Right);

    LabelFilter = MakeLabel(QStringLiteral("フィルタ(&F)"), 23, 36);
    ComboBoxFilter = MakeCombo(true, QStringLiteral("検索の対象となる拡張子を指定します"),
                               QRect(80, 32, 353, 20), A::Left | A::Top | A::Right);
    ComboBoxFilter->setObjectName(QStringLiteral("ComboBoxFilter"));
    const QStringList filters = THistory::BuiltInFilterItems();
    ComboBoxFilter->addItems(filters);
    ComboBoxFilter->setEditText(filters.first());

    LabelFind = MakeLabel(QStringLiteral("検索文字(&S)"), 14, 60);
    ComboBoxGrep = MakeCombo(true, QStringLiteral("検索する文字を指定します"), QRect(80, 56, 353, 20),
                             A::Left | A::Top | A::Right);
    ComboBoxGrep->setObjectName(QStringLiteral("ComboBoxGrep"));
}

void TForm1::CreateDetailRow()
{
    LabelCode = MakeLabel(QStringLiteral("文字コード(&C)"), 7, 83);
    ComboBoxCode = MakeCombo(false, QStringLiteral("文字コードを指定します"), QRect(80, 80, 81, 20), A::Left | A::Top);
    ComboBoxCode->setObjectName(QStringLiteral("ComboBoxCode"));
    ComboBoxCode->addItems({QStringLiteral("(自動)"), QStringLiteral("Shift-JIS"), QStringLiteral("EUC-JP"),
                            QStringLiteral("ISO-2022-JP"), QStringLiteral("UTF7"), QStringLiteral("UTF8"),
                            QStringLiteral("UTF8N")});
    ComboBoxCode->setCurrentIndex(0);

    LabelSubLimit = MakeLabel(QStringLiteral("階層制限(&L)"), 174, 83);
    EditSubLimit = new TWKSpinEdit(PanelSetup);
    EditSubLimit->setObjectName(QStringLiteral("EditSubLimit"));
    EditSubLimit->SetFMinValue(0);
    EditSubLimit->SetFMaxValue(TWindowDefaults::MaxSubLimit);
    EditSubLimit->SetFValue(0);
    EditSubLimit->setToolTip(QStringLiteral("サブディレクトリを含めるときの階層制限を指定します(0:制限無し)"));
    SetupAnchors->Place(EditSubLimit, QRect(240, 80, 81, 20), A::Left | A::Top);

    SpeedButtonDetail = FlatButton(PanelSetup, TButtonImages::TextPage(), QStringLiteral("検索詳細"));
    SpeedButtonDetail->setObjectName(QStringLiteral("SpeedButtonDetail"));
    SpeedButtonDetail->setCheckable(true);
    connect(SpeedButtonDetail, &QToolButton::clicked, this, [this] {
        SpeedButtonDetail->setChecked(ActionViewDetail->isChecked());
        ActionViewDetail->trigger();
    });
    SetupAnchors->Place(SpeedButtonDetail, QRect(413, 80, 20, 20), A::Top | A::Right);
}

void TForm1::BindCheckBox(QCheckBox *box, QAction *action)
{
    box->setText(action->text());
    box->setChecked(action->isChecked());
    // The action holds the option; the box only shows it and asks to flip it.
    connect(box, &QCheckBox::clicked, this, [box, action] {
        box->setChecked(action->isChecked());
        action->trigger();
    });
    connect(action, &QAction::toggled, box, &QCheckBox::setChecked);
    connect(action, &QAction::changed, box, [box, action] { box->setEnabled(action->isEnabled()); });
}

void TForm1::CreateOptionRows()
{
    auto check = [this](QAction *action, const char *name, const QString &hint, const QRect &box) {
        auto *c = new QCheckBox(PanelSetup);
        c->setObjectName(QString::fromLatin1(name));
        BindCheckBox(c, action);
        c->setToolTip(hint);
        SetupAnchors->Place(c, box, A::Left | A::Bottom);
        return c;
    };
    CheckBoxRegExpr = check(ActionOptionRegExpr, "CheckBoxRegExpr", QStringLiteral("検索時に正規表現を利用します"),
                            QRect(80, 104, 89, 17));
    CheckBoxSubDirectory = check(ActionOptionSubDirectory, "CheckBoxSubDirectory",
                                 QStringLiteral("検索時にサブディレクトリを含めます"), QRect(80, 120, 121, 17));
    CheckBoxIgnoreCase = check(ActionOptionIgnoreCase, "CheckBoxIgnoreCase",
                               QStringLiteral("検索時に大文字と小文字を区別しません"), QRect(80, 136, 185, 17));
    CheckBoxIgnoreWidth = check(ActionOptionIgnoreWidth, "CheckBoxIgnoreWidth",
                                QStringLiteral("検索時に全角と半角を区別しません (ﾃﾞｰﾀ = データ, ＡＢＣ = ABC)"),
                                QRect(80, 152, 185, 17));
    CheckBoxIgnoreKana = check(ActionOptionIgnoreKana, "CheckBoxIgnoreKana",
                               QStringLiteral("検索時にひらがなとカタカナを区別しません (でーた = データ)"),
                               QRect(80, 168, 240, 17));

    auto button = [this](QAction *action, const char *name, const QString &hint, const QRect &box) {
        auto *b = new QPushButton(action->text(), PanelSetup);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setEnabled(action->isEnabled());
        connect(b, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
        SetupAnchors->Place(b, box, A::Right | A::Bottom);
        return b;
    };
    ButtonCancel = button(ActionFileCancel, "ButtonCancel", QStringLiteral("検索を中止します"), QRect(277, 128, 75, 25));
    ButtonGrep = button(ActionFileGrep, "ButtonGrep", QStringLiteral("検索を実行します"), QRect(356, 128, 75, 25));
    ButtonGrep->setDefault(false);
}

void TForm1::CreateAlignButtons()
{
    // Made on the setup panel; PlaceAlignButtons() moves them into status
    // panel 3 once the status bar has its size.
    auto alignButton = [this](const QImage &image, const char *name, const QString &hint, QAction *action, int x) {
        QToolButton *b = FlatButton(PanelSetup, image, hint);
        b->setObjectName(QString::fromLatin1(name));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedSize(14, 14);
        b->setChecked(action->isChecked());
        connect(b, &QToolButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::toggled, b, &QToolButton::setChecked);
        b->setGeometry(x, 112, 14, 14);
        return b;
    };
    SpeedButtonAlignL = alignButton(TButtonImages::AlignLeft(), "SpeedButtonAlignL", QStringLiteral("左揃え"),
                                    ActionViewAlignL, 8);
    SpeedButtonAlignC = alignButton(TButtonImages::AlignCenter(), "SpeedButtonAlignC", QStringLiteral("中央揃え"),
                                    ActionViewAlignC, 22);
    SpeedButtonAlignR = alignButton(TButtonImages::AlignRight(), "SpeedButtonAlignR", QStringLiteral("右揃え"),
                                    ActionViewAlignR, 36);
}

void TForm1::CreateResultPanel()
{
    PanelResult = new TBevelPanel(false, this);
    PanelResult->setObjectName(QStringLiteral("PanelResult"));
    auto *layout = new QVBoxLayout(PanelResult);
    layout->setContentsMargins(1, 1, 1, 1);
    SplitterResult = new QSplitter(Qt::Vertical, PanelResult);
    SplitterResult->setObjectName(QStringLiteral("SplitterResult"));
    ListViewResult = NewListViewResult();
    SplitterResult->addWidget(ListViewResult);
    CreatePreviewPane();
    layout->addWidget(SplitterResult);
}

TResultListView *TForm1::NewListViewResult()
{
    auto *view = new TResultListView(HitList, Display);
    view->setObjectName(QStringLiteral("ListViewResult"));
    view->setFrameShape(QFrame::NoFrame);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    return view;
}

// Everything the window hears from its list, in one place, so that a
// renewed list is heard exactly like the first one.
void TForm1::ConnectListViewResult()
{
    connect(ListViewResult, &TResultListView::SelectItem, this, &TForm1::ListViewResultSelectItem);
    connect(ListViewResult, &TResultListView::SelectItem, this, [this] { UpdatePreview(); });
    connect(ListViewResult, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        PopupMenuResult->popup(ListViewResult->viewport()->mapToGlobal(at));
    });
    connect(ListViewResult, &QAbstractItemView::doubleClicked, this, [this] { ListViewResultDblClick(); });
    ListViewResult->installEventFilter(this);
}

// Qt's tree view keeps a layout record (some 48 bytes) for every row it has
// shown and keeps their room when its model is emptied, so after a long list
// only a new view gives that memory back. The new one takes the old one's
// place, column widths, focus and connections.
void TForm1::RenewListViewResult()
{
    TResultListView *old = ListViewResult;
    const bool hadFocus = old->hasFocus();
    TResultListView *fresh = NewListViewResult();
    for (int column = 0; column < TWindowDefaults::ColumnCount; ++column)
        fresh->setColumnWidth(column, old->columnWidth(column));
    SplitterResult->replaceWidget(SplitterResult->indexOf(old), fresh);
    ListViewResult = fresh;
    ConnectListViewResult();
    SetTabOrder();
    // Not deleted here: this may run inside one of the old list's own
    // events. It is hidden and out of the splitter already.
    old->deleteLater();
    if (hadFocus)
        fresh->setFocus();
}

void TForm1::CreateStatusBar()
{
    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->AddPanel(QStringLiteral("対象:"), 100, true);
    StatusBar1->AddPanel(QStringLiteral("該当:"), 80, true);
    StatusBar1->AddPanel(QString(), 100, true);
    StatusBar1->AddPanel(QString(), 42, false);
    StatusBar1->AddPanel(QString(), 20, false);
    // Room for the three alignment buttons and a pixel around them.
    StatusBar1->SetPanelWidth(3, 3 * 14 + 4);
    // The counts are never cut off: their panels widen with them.
    StatusBar1->SetPanelFitsText(0, true);
    StatusBar1->SetPanelFitsText(1, true);
}

void TForm1::SetTabOrder()
{
    const QList<QWidget *> order{ComboBoxTarget, ComboBoxFilter, ComboBoxGrep,   ComboBoxCode,
                                 EditSubLimit,   CheckBoxRegExpr, CheckBoxSubDirectory, CheckBoxIgnoreCase,
                                 CheckBoxIgnoreWidth, CheckBoxIgnoreKana,
                                 ButtonCancel,   ButtonGrep,      ListViewResult};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // Panel 2 takes what the other panels leave.
    int others = 0;
    for (int i : {0, 1, 3, 4})
        others += StatusBar1->PanelWidth(i);
    StatusBar1->SetPanelWidth(2, centralWidget()->width() - others);
    PlaceAlignButtons();
    // The target box's list is as wide as the filter box, though the box
    // itself is narrowed by the button beside it.
    ComboBoxTarget->view()->setMinimumWidth(ComboBoxFilter->width());
    if (SizeMoveEnd)
        SizeMoveEnd->start();
}

void TForm1::PlaceAlignButtons()
{
    const QRect panel = StatusBar1->PanelRect(3);
    if (panel.isEmpty())
        return;
    const QRect r = panel.adjusted(1, 1, -1, -1);
    int x = r.left();
    for (QToolButton *b : {SpeedButtonAlignL, SpeedButtonAlignC, SpeedButtonAlignR}) {
        if (b->parentWidget() != StatusBar1) {
            b->setParent(StatusBar1);
            b->show();
        }
        b->setGeometry(x, r.top(), b->width(), r.height());
        x += b->width();
    }
}

void TForm1::UpdateDetailLayout()
{
    const bool detail = ActionViewDetail->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(LabelCode), static_cast<QWidget *>(ComboBoxCode),
                       static_cast<QWidget *>(LabelSubLimit), static_cast<QWidget *>(EditSubLimit)})
        w->setVisible(detail);
    SpeedButtonDetail->setChecked(detail);
    PanelSetup->setFixedHeight(detail ? SetupHeightWithDetail : SetupHeightWithoutDetail);
    SetupAnchors->Apply();
}

void TForm1::StartSizeMoveWatch()
{
    SizeMoveEnd = new QTimer(this);
    SizeMoveEnd->setSingleShot(true);
    SizeMoveEnd->setInterval(300);
    connect(SizeMoveEnd, &QTimer::timeout, this, [this] {
        if (size() != SizeAtMoveStart)
            ClearComboSelections(true);
        SizeAtMoveStart = size();
    });
}

void TForm1::ClearComboSelections(bool unfocusedOnly)
{
    for (QComboBox *box : {ComboBoxTarget, ComboBoxFilter, ComboBoxGrep}) {
        QLineEdit *edit = box->lineEdit();
        if (!edit || (unfocusedOnly && edit->hasFocus()))
            continue;
        const int start = edit->selectionStart();
        if (start >= 0)
            edit->setCursorPosition(start);
    }
}
