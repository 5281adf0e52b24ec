#include "MainWindow.h"

#include "Anchors.h"
#include "ButtonImages.h"
#include "Cp932.h"
#include "ColorNames.h"
#include "GrepThread.h"
#include "IniFile.h"
#include "ShortcutCodes.h"
#include "SingleInstance.h"
#include "History.h"
#include "ResultListView.h"
#include "ShortcutMenu.h"
#include "StatusBar.h"
#include "TargetDialogs.h"
#include "PathText.h"
#include "TargetLister.h"
#include "WKSpinEdit.h"

#include <QActionGroup>
#include <QApplication>
#include <QPainter>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace {

const QString AppCaption = QStringLiteral("kestu");

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

} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), RegExpLibrary(QStringLiteral("libbregexp.so"))
{
    setWindowTitle(AppCaption);
    CreateActions();
    CreateMenus();

    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CreateSetupPanel();
    CreateResultPanel();
    CreateStatusBar();
    PanelSetup->setParent(client);
    PanelResult->setParent(client);
    StatusBar1->setParent(client);
    layout->addWidget(PanelSetup);
    layout->addWidget(PanelResult, 1);
    layout->addWidget(StatusBar1);
    setCentralWidget(client);

    Dialogs = std::make_unique<TTargetDialogs>();
    setAcceptDrops(true);
    SizeMoveEnd = new QTimer(this);
    SizeMoveEnd->setSingleShot(true);
    SizeMoveEnd->setInterval(300);
    connect(SizeMoveEnd, &QTimer::timeout, this, [this] {
        if (size() != SizeAtMoveStart)
            ClearComboSelections(true);
        SizeAtMoveStart = size();
    });
    connect(ActionFileOpenFile, &QAction::triggered, this, &TForm1::ActionFileOpenFileExecute);
    connect(ActionFileOpenDirectory, &QAction::triggered, this, &TForm1::ActionFileOpenDirectoryExecute);
    ConnectOptionCommands();

    setMinimumWidth(MinimumWidth);
    resize(DesignedClientWidth, DesignedClientHeight + menuBar()->sizeHint().height());
    move(DesignedLeft, DesignedTop);

    QWidget::setTabOrder(ComboBoxTarget, ComboBoxFilter);
    QWidget::setTabOrder(ComboBoxFilter, ComboBoxGrep);
    QWidget::setTabOrder(ComboBoxGrep, ComboBoxCode);
    QWidget::setTabOrder(ComboBoxCode, EditSubLimit);
    QWidget::setTabOrder(EditSubLimit, CheckBoxRegExpr);
    QWidget::setTabOrder(CheckBoxRegExpr, CheckBoxSubDirectory);
    QWidget::setTabOrder(CheckBoxSubDirectory, CheckBoxIgnoreCase);
    QWidget::setTabOrder(CheckBoxIgnoreCase, ButtonCancel);
    QWidget::setTabOrder(ButtonCancel, ButtonGrep);
    QWidget::setTabOrder(ButtonGrep, ListViewResult);
    UpdateDetailLayout();
    ActionOptionSubDirectoryExecute();
    UpdateFilterState();
    SizeAtMoveStart = size();
    // The list's colours and the width of its line-start mark, once.
    Display.ComputeInverses();
    Display.MeasureHeadWidth(ListViewResult->fontMetrics());
}

TForm1::~TForm1()
{
    StopSearch();
}


QAction *TForm1::MakeAction(const char *name, const QString &category, const QString &caption,
                            const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty("category", category);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    addAction(action); // shortcuts work wherever the focus is in the window
    ActionListMain.append(action);
    return action;
}

void TForm1::CreateActions()
{
    const QString file = QStringLiteral("ファイル"), view = QStringLiteral("表示"),
                  option = QStringLiteral("オプション"), help = QStringLiteral("ヘルプ"),
                  result = QStringLiteral("検索結果");
    ActionFileOpenFile = MakeAction("ActionFileOpenFile", file, QStringLiteral("ファイルを開く(&F)..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    ActionFileOpenDirectory = MakeAction("ActionFileOpenDirectory", file, QStringLiteral("フォルダを開く(&D)..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    ActionFileGrep = MakeAction("ActionFileGrep", file, QStringLiteral("検索(&G)"), QKeySequence(Qt::CTRL | Qt::Key_Return));
    ActionFileCancel = MakeAction("ActionFileCancel", file, QStringLiteral("中止(&C)"), QKeySequence(Qt::Key_Escape));
    ActionFileExit = MakeAction("ActionFileExit", file, QStringLiteral("終了(&X)"), QKeySequence(Qt::ALT | Qt::Key_F4));
    ActionViewDetail = MakeAction("ActionViewDetail", view, QStringLiteral("検索詳細(&D)"), QKeySequence(Qt::CTRL | Qt::Key_D));
    ActionViewTargetParent = MakeAction("ActionViewTargetParent", view, QStringLiteral("一つ上の階層へ(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Up));
    ActionViewFType0 = MakeAction("ActionViewFType0", view, QStringLiteral("ファイル名(&N)"), QKeySequence(Qt::CTRL | Qt::Key_1));
    ActionViewFType1 = MakeAction("ActionViewFType1", view, QStringLiteral("相対パス(&S)"), QKeySequence(Qt::CTRL | Qt::Key_2));
    ActionViewFType2 = MakeAction("ActionViewFType2", view, QStringLiteral("フルパス(&F)"), QKeySequence(Qt::CTRL | Qt::Key_3));
    ActionViewAlignL = MakeAction("ActionViewAlignL", view, QStringLiteral("左揃え(&L)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_1));
    ActionViewAlignC = MakeAction("ActionViewAlignC", view, QStringLiteral("中央揃え(&C)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
    ActionViewAlignR = MakeAction("ActionViewAlignR", view, QStringLiteral("右揃え(&R)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_3));
    ActionOptionTool = MakeAction("ActionOptionTool", option, QStringLiteral("環境設定(&E)...."), QKeySequence(Qt::Key_F9));
    ActionOptionSubDirectory = MakeAction("ActionOptionSubDirectory", option, QStringLiteral("サブディレクトリ(&B)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    ActionOptionRegExpr = MakeAction("ActionOptionRegExpr", option, QStringLiteral("正規表現(&R)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    ActionOptionIgnoreCase = MakeAction("ActionOptionIgnoreCase", option, QStringLiteral("大文字と小文字を区別しない(&I)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    ActionOptionMutex = MakeAction("ActionOptionMutex", option, QStringLiteral("二重起動禁止(&M)"));
    ActionOptionAutoFilter = MakeAction("ActionOptionAutoFilter", option, QStringLiteral("自動フィルタ選択(&F)"));
    ActionOptionAutoColumn = MakeAction("ActionOptionAutoColumn", option, QStringLiteral("位置カラム幅自動調整(&A)"));
    ActionHelpReadme = MakeAction("ActionHelpReadme", help, QStringLiteral("&readme.txt"));
    ActionHelpOnlineHelp = MakeAction("ActionHelpOnlineHelp", help, QStringLiteral("&online Help"), QKeySequence(Qt::Key_F1));
    ActionToolsShellExecute = MakeAction("ActionToolsShellExecute", result, QStringLiteral("関連付け実行(&E)"));
    ActionToolsDirectory = MakeAction("ActionToolsDirectory", result, QStringLiteral("ディレクトリ実行(&D)"));
    ActionToolsProperty = MakeAction("ActionToolsProperty", result, QStringLiteral("プロパティ(&P)"));
    ActionToolsResultFileFile = MakeAction("ActionToolsResultFileFile", result, QStringLiteral("ファイルパスを検索対象に(&F)"));
    ActionToolsResultFileDirectory = MakeAction("ActionToolsResultFileDirectory", result, QStringLiteral("ディレクトリパスを検索対象に(&D)"));
    ActionToolsResultFilePath = MakeAction("ActionToolsResultFilePath", result, QStringLiteral("ファイルパスをコピー(&C)"));
    ActionToolsResultTarget = MakeAction("ActionToolsResultTarget", result, QStringLiteral("検索結果文字列をコピー(&T)"));

    ActionFileGrep->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    ActionFileCancel->setEnabled(false);
    for (QAction *a : {ActionViewDetail, ActionViewFType0, ActionViewFType1, ActionViewFType2, ActionViewAlignL,
                       ActionViewAlignC, ActionViewAlignR, ActionOptionSubDirectory, ActionOptionRegExpr,
                       ActionOptionIgnoreCase, ActionOptionMutex, ActionOptionAutoFilter, ActionOptionAutoColumn})
        a->setCheckable(true);
    auto *fileForms = new QActionGroup(this);
    for (QAction *a : {ActionViewFType0, ActionViewFType1, ActionViewFType2})
        fileForms->addAction(a);
    auto *alignments = new QActionGroup(this);
    for (QAction *a : {ActionViewAlignL, ActionViewAlignC, ActionViewAlignR})
        alignments->addAction(a);
    ActionViewFType0->setProperty("tag", 0);
    ActionViewFType1->setProperty("tag", 1);
    ActionViewFType2->setProperty("tag", 2);
    ActionViewAlignL->setProperty("tag", 0);
    ActionViewAlignC->setProperty("tag", 1);
    ActionViewAlignR->setProperty("tag", 2);

    connect(ActionFileGrep, &QAction::triggered, this, &TForm1::ActionFileGrepExecute);
    connect(ActionFileCancel, &QAction::triggered, this, &TForm1::ActionFileCancelExecute);
    connect(ActionFileExit, &QAction::triggered, this, &TForm1::ActionFileExitExecute);
    connect(ActionViewDetail, &QAction::triggered, this, &TForm1::ActionViewDetailExecute);
    for (QAction *a : {ActionViewFType0, ActionViewFType1, ActionViewFType2})
        connect(a, &QAction::triggered, this, [this, a] { ActionViewFTypeExecute(a); });
    for (QAction *a : {ActionViewAlignL, ActionViewAlignC, ActionViewAlignR})
        connect(a, &QAction::triggered, this, [this, a] { ActionViewAlignExecute(a); });
    connect(ActionOptionSubDirectory, &QAction::triggered, this, &TForm1::ActionOptionSubDirectoryExecute);
    connect(ActionOptionAutoColumn, &QAction::triggered, this, &TForm1::ActionOptionAutoColumnExecute);
    connect(ActionOptionMutex, &QAction::triggered, this, &TForm1::UpdateSingleInstance);
    ActionViewFType0->setChecked(true);
    ActionViewAlignC->setChecked(true);
}

void TForm1::CreateMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Menus show shortcuts in the program's own text form.
    auto addMenu = [](QWidget *owner, const QString &title) {
        auto *menu = new TShortcutMenu(title, owner);
        if (auto *menuBar = qobject_cast<QMenuBar *>(owner))
            menuBar->addMenu(menu);
        else
            static_cast<QMenu *>(owner)->addMenu(menu);
        return menu;
    };
    QMenu *file = addMenu(bar, QStringLiteral("ファイル(&F)"));
    file->addAction(ActionFileOpenFile);
    file->addAction(ActionFileOpenDirectory);
    file->addSeparator();
    file->addAction(ActionFileGrep);
    file->addAction(ActionFileCancel);
    file->addSeparator();
    file->addAction(ActionFileExit);

    QMenu *view = addMenu(bar, QStringLiteral("表示(&V)"));
    view->addAction(ActionViewDetail);
    view->addSeparator();
    view->addAction(ActionViewTargetParent);
    view->addSeparator();
    QMenu *fileForm = addMenu(view, QStringLiteral("ファイル(&F)"));
    fileForm->setObjectName(QStringLiteral("MenuViewFType"));
    fileForm->addActions({ActionViewFType0, ActionViewFType1, ActionViewFType2});
    QMenu *align = addMenu(view, QStringLiteral("位置(&A)"));
    align->setObjectName(QStringLiteral("MenuViewAlign"));
    align->addActions({ActionViewAlignL, ActionViewAlignC, ActionViewAlignR});

    QMenu *option = addMenu(bar, QStringLiteral("オプション(&O)"));
    option->addAction(ActionOptionTool);
    option->addSeparator();
    option->addActions({ActionOptionRegExpr, ActionOptionSubDirectory, ActionOptionIgnoreCase});
    option->addSeparator();
    option->addAction(ActionOptionMutex);
    option->addSeparator();
    option->addActions({ActionOptionAutoFilter, ActionOptionAutoColumn});

    QMenu *help = addMenu(bar, QStringLiteral("ヘルプ(&H)"));
    help->addActions({ActionHelpReadme, ActionHelpOnlineHelp});
    help->addSeparator();
    QAction *version = help->addAction(QStringLiteral("Version 0.04 (kestu %1)").arg(QStringLiteral(KESTU_VERSION)));
    version->setObjectName(QStringLiteral("MenuHelpVersion"));
    version->setEnabled(false);

    PopupMenuRefer = new TShortcutMenu(this);
    PopupMenuRefer->setObjectName(QStringLiteral("PopupMenuRefer"));
    PopupMenuRefer->addActions({ActionFileOpenFile, ActionFileOpenDirectory});
    PopupMenuResult = new TShortcutMenu(this);
    PopupMenuResult->setObjectName(QStringLiteral("PopupMenuResult"));
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

void TForm1::CreateSetupPanel()
{
    PanelSetup = new TBevelPanel(true, this);
    PanelSetup->setObjectName(QStringLiteral("PanelSetup"));
    PanelSetup->setFixedHeight(SetupHeightWithDetail);
    SetupAnchors = new TAnchors(PanelSetup, QSize(DesignedClientWidth, SetupHeightWithDetail));
    using A = TAnchors;
    QWidget *p = PanelSetup;

    auto label = [&](const QString &caption, int x, int y) {
        auto *l = new QLabel(caption, p);
        l->adjustSize();
        SetupAnchors->Place(l, QRect(QPoint(x, y), l->sizeHint()), A::Left | A::Top);
        return l;
    };
    auto combo = [&](bool editable, const QString &hint, const QRect &box, int sides) {
        auto *c = new QComboBox(p);
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
    };

    LabelTarget = label(QStringLiteral("検索対象(&T)"), 14, 12);
    ComboBoxTarget = combo(true, QStringLiteral("検索の対象となるファイルかディレクトリを指定します"), QRect(80, 8, 329, 20), A::Left | A::Top | A::Right);
    ComboBoxTarget->setObjectName(QStringLiteral("ComboBoxTarget"));
    connect(ComboBoxTarget, &QComboBox::editTextChanged, this, [this] { UpdateFilterState(); });
    SpeedButtonTarget = FlatButton(p, TButtonImages::OpenFolder(), QStringLiteral("検索対象選択"));
    SpeedButtonTarget->setObjectName(QStringLiteral("SpeedButtonTarget"));
    SpeedButtonTarget->setMenu(PopupMenuRefer);
    SpeedButtonTarget->setPopupMode(QToolButton::InstantPopup);
    SpeedButtonTarget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SpeedButtonTarget, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenuRefer->popup(SpeedButtonTarget->mapToGlobal(at)); });
    SpeedButtonTarget->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    SetupAnchors->Place(SpeedButtonTarget, QRect(413, 8, 20, 20), A::Top | A::Right);

    LabelFilter = label(QStringLiteral("フィルタ(&F)"), 23, 36);
    ComboBoxFilter = combo(true, QStringLiteral("検索の対象となる拡張子を指定します"), QRect(80, 32, 353, 20), A::Left | A::Top | A::Right);
    ComboBoxFilter->setObjectName(QStringLiteral("ComboBoxFilter"));
    ComboBoxFilter->setProperty("tag", 1);
    ComboBoxFilter->addItems({QStringLiteral("*.txt"), QStringLiteral("*.txt,*.html,*.htm"),
                              QStringLiteral("*.html,*.htm,*.css,*.js"), QStringLiteral("*.c,*.cpp,*.h"),
                              QStringLiteral("*.pl,*.plx,*.cgi"), QStringLiteral("*.php"), QStringLiteral("*.pas"),
                              QStringLiteral("*.xml,*.xsl,*.rss,*.rdf"), QStringLiteral("*")});
    ComboBoxFilter->setEditText(QStringLiteral("*.txt"));

    LabelFind = label(QStringLiteral("検索文字(&S)"), 14, 60);
    ComboBoxGrep = combo(true, QStringLiteral("検索する文字を指定します"), QRect(80, 56, 353, 20), A::Left | A::Top | A::Right);
    ComboBoxGrep->setObjectName(QStringLiteral("ComboBoxGrep"));
    ComboBoxGrep->setProperty("tag", 2);

    LabelCode = label(QStringLiteral("文字コード(&C)"), 7, 83);
    ComboBoxCode = combo(false, QStringLiteral("文字コードを指定します"), QRect(80, 80, 81, 20), A::Left | A::Top);
    ComboBoxCode->setObjectName(QStringLiteral("ComboBoxCode"));
    ComboBoxCode->addItems({QStringLiteral("(自動)"), QStringLiteral("Shift-JIS"), QStringLiteral("EUC-JP"),
                            QStringLiteral("ISO-2022-JP"), QStringLiteral("UTF7"), QStringLiteral("UTF8"),
                            QStringLiteral("UTF8N")});
    ComboBoxCode->setCurrentIndex(0);

    LabelSubLimit = label(QStringLiteral("階層制限(&L)"), 174, 83);
    EditSubLimit = new TWKSpinEdit(p);
    EditSubLimit->setObjectName(QStringLiteral("EditSubLimit"));
    EditSubLimit->SetFMinValue(0);
    EditSubLimit->SetFMaxValue(64);
    EditSubLimit->SetFValue(0);
    EditSubLimit->setToolTip(QStringLiteral("サブディレクトリを含めるときの階層制限を指定します(0:制限無し)"));
    SetupAnchors->Place(EditSubLimit, QRect(240, 80, 81, 20), A::Left | A::Top);

    SpeedButtonDetail = FlatButton(p, TButtonImages::TextPage(), QStringLiteral("検索詳細"));
    SpeedButtonDetail->setObjectName(QStringLiteral("SpeedButtonDetail"));
    SpeedButtonDetail->setCheckable(true);
    connect(SpeedButtonDetail, &QToolButton::clicked, this, [this] {
        SpeedButtonDetail->setChecked(ActionViewDetail->isChecked());
        ActionViewDetail->trigger();
    });
    SetupAnchors->Place(SpeedButtonDetail, QRect(413, 80, 20, 20), A::Top | A::Right);

    LabelTarget->setBuddy(ComboBoxTarget);
    LabelFilter->setBuddy(ComboBoxFilter);
    LabelFind->setBuddy(ComboBoxGrep);
    LabelCode->setBuddy(ComboBoxCode);
    LabelSubLimit->setBuddy(EditSubLimit);

    auto check = [&](QAction *action, const QString &hint, const QRect &box) {
        auto *c = new QCheckBox(p);
        BindCheckBox(c, action);
        c->setToolTip(hint);
        SetupAnchors->Place(c, box, A::Left | A::Bottom);
        return c;
    };
    CheckBoxRegExpr = check(ActionOptionRegExpr, QStringLiteral("検索時に正規表現を利用します"), QRect(80, 104, 89, 17));
    CheckBoxSubDirectory = check(ActionOptionSubDirectory, QStringLiteral("検索時にサブディレクトリを含めます"), QRect(80, 120, 121, 17));
    CheckBoxIgnoreCase = check(ActionOptionIgnoreCase, QStringLiteral("検索時に大文字と小文字を区別しません"), QRect(80, 136, 185, 17));
    CheckBoxRegExpr->setObjectName(QStringLiteral("CheckBoxRegExpr"));
    CheckBoxSubDirectory->setObjectName(QStringLiteral("CheckBoxSubDirectory"));
    CheckBoxIgnoreCase->setObjectName(QStringLiteral("CheckBoxIgnoreCase"));

    auto button = [&](QAction *action, const QString &hint, const QRect &box) {
        auto *b = new QPushButton(action->text(), p);
        b->setToolTip(hint);
        b->setEnabled(action->isEnabled());
        connect(b, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
        SetupAnchors->Place(b, box, A::Right | A::Bottom);
        return b;
    };
    ButtonCancel = button(ActionFileCancel, QStringLiteral("検索を中止します"), QRect(277, 128, 75, 25));
    ButtonGrep = button(ActionFileGrep, QStringLiteral("検索を実行します"), QRect(356, 128, 75, 25));
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonGrep->setObjectName(QStringLiteral("ButtonGrep"));
    ButtonGrep->setDefault(false);

    auto alignButton = [&](const QImage &image, const QString &hint, int tag, QAction *action) {
        QToolButton *b = FlatButton(p, image, hint);
        b->setProperty("tag", tag);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedSize(14, 14);
        b->setChecked(action->isChecked());
        connect(b, &QToolButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::toggled, b, &QToolButton::setChecked);
        return b;
    };
    SpeedButtonAlignL = alignButton(TButtonImages::AlignLeft(), QStringLiteral("左揃え"), 0, ActionViewAlignL);
    SpeedButtonAlignC = alignButton(TButtonImages::AlignCenter(), QStringLiteral("中央揃え"), 1, ActionViewAlignC);
    SpeedButtonAlignR = alignButton(TButtonImages::AlignRight(), QStringLiteral("右揃え"), 2, ActionViewAlignR);
    SpeedButtonAlignL->setObjectName(QStringLiteral("SpeedButtonAlignL"));
    SpeedButtonAlignC->setObjectName(QStringLiteral("SpeedButtonAlignC"));
    SpeedButtonAlignR->setObjectName(QStringLiteral("SpeedButtonAlignR"));
    SpeedButtonAlignL->setGeometry(8, 112, 14, 14);
    SpeedButtonAlignC->setGeometry(22, 112, 14, 14);
    SpeedButtonAlignR->setGeometry(36, 112, 14, 14);
}

void TForm1::CreateResultPanel()
{
    PanelResult = new TBevelPanel(false, this);
    PanelResult->setObjectName(QStringLiteral("PanelResult"));
    auto *layout = new QVBoxLayout(PanelResult);
    layout->setContentsMargins(1, 1, 1, 1);
    ListViewResult = new TResultListView(HitList, Display, PanelResult);
    ListViewResult->setObjectName(QStringLiteral("ListViewResult"));
    ListViewResult->setFrameShape(QFrame::NoFrame);
    ListViewResult->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(ListViewResult);
    connect(ListViewResult, &TResultListView::SelectItem, this, &TForm1::ListViewResultSelectItem);
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

void TForm1::ActionViewDetailExecute()
{
    // The action flips itself when triggered; the layout follows it.
    UpdateDetailLayout();
}

void TForm1::ActionViewFTypeExecute(QAction *sender)
{
    if (!sender)
        return;
    sender->setChecked(true); // the group unchecks the other two
    Display.FType = sender->property("tag").toInt();
    ListViewResult->viewport()->update();
}

void TForm1::ActionViewAlignExecute(QAction *sender)
{
    if (!sender)
        return;
    sender->setChecked(true);
    Display.PAlign = sender->property("tag").toInt();
    SpeedButtonAlignL->setChecked(ActionViewAlignL->isChecked());
    SpeedButtonAlignC->setChecked(ActionViewAlignC->isChecked());
    SpeedButtonAlignR->setChecked(ActionViewAlignR->isChecked());
    ListViewResult->viewport()->update();
}

void TForm1::AfterArguments()
{
    UpdateFilterState();
    UpdateDetailLayout();
    ActionOptionSubDirectoryExecute();
}

void TForm1::Start(const QStringList &arguments)
{
    LoadSettingsFile();
    for (const QString &argument : arguments)
        ApplyArgument(argument);
    UpdateFilterState();
    ClearComboSelections(false);
    UpdateSingleInstance();
    Display.ComputeInverses();
    Display.MeasureHeadWidth(ListViewResult->fontMetrics());
    SizeAtMoveStart = size();
    AfterArguments();
    FinishSettings();
}

void TForm1::UpdateSingleInstance()
{
    if (!SingleInstance) {
        SingleInstance = new TSingleInstance(
            SingleInstanceName.isEmpty() ? TSingleInstance::DefaultName() : SingleInstanceName, this);
        connect(SingleInstance, &TSingleInstance::ArgumentReceived, this, [this](const QString &argument) {
            ApplyArgument(argument);
            // After a hand-over the window shows the new target's state at
            // once, as after start-up.
            if (argument == QLatin1String("-restore"))
                AfterArguments();
        });
    }
    if (ActionOptionMutex->isChecked()) {
        if (!SingleInstance->Acquire())
            Message(QStringLiteral("[ERROR] : CreateMutex"));
    } else {
        SingleInstance->Release();
    }
}

void TForm1::ActionOptionSubDirectoryExecute()
{
    // The depth limit only means something while subfolders are searched.
    LabelSubLimit->setEnabled(ActionOptionSubDirectory->isChecked());
    EditSubLimit->setEnabled(ActionOptionSubDirectory->isChecked());
}

void TForm1::ActionOptionAutoColumnExecute()
{
    Display.AutoColumn = ActionOptionAutoColumn->isChecked();
    ListViewResult->ListViewResultResize();
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

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool inBox = watched == ComboBoxTarget || watched == ComboBoxFilter || watched == ComboBoxGrep
                           || watched == ComboBoxTarget->lineEdit() || watched == ComboBoxFilter->lineEdit()
                           || watched == ComboBoxGrep->lineEdit();
        // ComboBoxEnterKeyPress: Enter in one of the three text boxes starts
        // a search, but only while none runs.
        if (enter && inBox && ActionFileGrep->isEnabled()) {
            ActionFileGrepExecute();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, AppCaption, text, QMessageBox::Ok, this);
    box.exec();
}

void TForm1::ActionFileGrepExecute()
{
    const QString target = ComboBoxTarget->currentText();
    const bool isFolder = TTargetLister::IsExistingFolder(target);
    if (!TTargetLister::IsExistingFile(target) && !isFolder) {
        Message(QStringLiteral("検索対象がありません"));
        return;
    }
    const QString text = ComboBoxGrep->currentText();
    if (text.isEmpty()) {
        Message(QStringLiteral("検索文字がありません"));
        return;
    }
    QByteArray findText;
    if (!TCp932::FromQString(text, findText)) {
        Message(QStringLiteral("検索文字に Shift-JIS で表せない文字があります"));
        return;
    }
    ListViewResult->ListViewResultResize();
    // An old worker is stopped before the list is emptied, so nothing it
    // still hands over can land among the new search's rows.
    if (!StopSearch())
        return;
    if (ListViewResult->model()->rowCount() > 0)
        ListViewResult->scrollToTop();
    ListViewResult->ClearRows();
    HitList.clear();
    HitList.shrink_to_fit();
    ListViewResult->viewport()->update();

    AddHistory(ComboBoxGrep);
    AddHistory(ComboBoxFilter);
    AddHistory(ComboBoxTarget);

    ActionFileGrep->setEnabled(false);
    ActionFileCancel->setEnabled(true);
    TargetBaseLength = 0;
    if (isFolder)
        TargetBaseLength = int(target.endsWith(u'/') ? target.size() : target.size() + 1);
    Display.TargetBaseLength = TargetBaseLength;

    GrepThread = new TGrepThread(HitList, *this);
    GrepThread->Recursive = ActionOptionSubDirectory->isChecked();
    GrepThread->NoCase = ActionOptionIgnoreCase->isChecked();
    GrepThread->UseRegExp = ActionOptionRegExpr->isChecked();
    GrepThread->DepthLimit = EditSubLimit->Value();
    GrepThread->CodeChoice = ComboBoxCode->currentIndex();
    GrepThread->FindText = findText;
    GrepThread->TargetPath = target;
    GrepThread->FilterList = ComboBoxFilter->currentText();
    GrepThread->RegExpLibrary = RegExpLibrary;
    GrepThread->RegExpTimeLimit = (unsigned long)Settings.RegExpTimeLimit;
    GrepThread->Resume();
    if (isVisible())
        ListViewResult->setFocus();
}

void TForm1::AddHistory(QComboBox *box)
{
    const QString text = box->currentText();
    THistory history(box->property("tag").toInt(), ItemsOf(box), text);
    history.AddHistory(text);
    box->clear();
    box->addItems(history.Items());
    box->setEditText(history.Text());
}

bool TForm1::StopSearch()
{
    if (!GrepThread)
        return true;
    GrepThread->Terminate();
    if (!GrepThread->WaitFor())
        return false;
    delete GrepThread;
    GrepThread = nullptr;
    return true;
}

void TForm1::ActionFileCancelExecute()
{
    if (ActionFileGrep->isEnabled())
        return;
    if (GrepThread) {
        GrepThread->Terminate();
        GrepThread->WaitFor(); // inside a worker's own call the stop request is all we can do
    }
}

void TForm1::ActionFileExitExecute()
{
    close();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!StopSearch()) {
        // The close arrived inside one of the worker's calls (the event loop
        // of a message box it shows): the worker has been asked to stop and
        // the window closes as soon as the search is done.
        CloseWhenDone = true;
        event->ignore();
        return;
    }
    SaveSettingsFile(); // a failure has been reported; the window still closes
    QMainWindow::closeEvent(event);
}

void TForm1::CaptureSettings()
{
    const Qt::WindowStates state = windowState();
    Settings.WindowState = state & Qt::WindowMinimized   ? TGrepSettings::StateMinimized
                           : state & Qt::WindowMaximized ? TGrepSettings::StateMaximized
                                                         : TGrepSettings::StateNormal;
    // Only a normal window has a placement worth keeping; otherwise the
    // last normal one stays.
    if (Settings.WindowState == TGrepSettings::StateNormal) {
        Settings.Left = x();
        Settings.Top = y();
        Settings.Width = width();
        Settings.Height = height();
    }
    Settings.SubDirectory = ActionOptionSubDirectory->isChecked();
    Settings.IgnoreCase = ActionOptionIgnoreCase->isChecked();
    Settings.RegExpr = ActionOptionRegExpr->isChecked();
    Settings.Mutex = ActionOptionMutex->isChecked();
    Settings.AutoFilter = ActionOptionAutoFilter->isChecked();
    Settings.AutoColumn = ActionOptionAutoColumn->isChecked();
    Settings.FType = Display.FType;
    Settings.PAlign = Display.PAlign;
    Settings.Detail = ActionViewDetail->isChecked();
    Settings.Target = ComboBoxTarget->currentText();
    Settings.Filter = ComboBoxFilter->currentText();
    Settings.Grep = ComboBoxGrep->currentText();
    Settings.SubLimit = EditSubLimit->Value();
    Settings.CodePage = qMax(0, ComboBoxCode->currentIndex());
    for (int c = 0; c < TGrepSettings::ColumnCount; ++c)
        Settings.Columns[size_t(c)] = ListViewResult->columnWidth(c);
}

QStringList TForm1::ItemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

void TForm1::ReadSettings(const TIniFile &file)
{
    // Every key's default is what the window shows now.
    CaptureSettings();
    for (QAction *a : ActionListMain)
        Settings.SetShortcut(a->objectName(), TShortcutCodes::FromKeySequence(a->shortcut()));
    Settings.Read(file);

    // A placement that no screen shows any more (a monitor removed since)
    // gives way to the designed one.
    QRect placement(Settings.Left, Settings.Top, Settings.Width, Settings.Height);
    bool visible = false;
    for (QScreen *screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(placement);
    if (!visible)
        placement = QRect(DesignedLeft, DesignedTop, width(), height());
    move(placement.topLeft());
    resize(placement.size());

    ActionOptionSubDirectory->setChecked(Settings.SubDirectory);
    ActionOptionIgnoreCase->setChecked(Settings.IgnoreCase);
    ActionOptionRegExpr->setChecked(Settings.RegExpr);
    ActionOptionMutex->setChecked(Settings.Mutex);
    ActionOptionAutoFilter->setChecked(Settings.AutoFilter);
    ActionOptionAutoColumn->setChecked(Settings.AutoColumn);
    Display.AutoColumn = Settings.AutoColumn;
    ActionViewDetail->setChecked(Settings.Detail);
    Display.FindColor = TColorNames::ToQColor(Settings.FindColor, palette());
    Display.MarkColor = TColorNames::ToQColor(Settings.MarkColor, palette());
    TCp932::FromQString(Settings.HeadString, Display.HeadString);
    TCp932::FromQString(Settings.EndString, Display.EndString);

    ComboBoxTarget->setEditText(Settings.Target);
    ComboBoxFilter->setEditText(Settings.Filter);
    ComboBoxGrep->setEditText(Settings.Grep);
    EditSubLimit->SetFValue(Settings.SubLimit);
    ComboBoxCode->setCurrentIndex(Settings.CodePage);

    for (QComboBox *box : {ComboBoxTarget, ComboBoxFilter, ComboBoxGrep}) {
        const QString text = box->currentText();
        THistory history(box->property("tag").toInt(), ItemsOf(box), text);
        history.LoadHistory(file);
        box->clear();
        box->addItems(history.Items());
        box->setEditText(text);
    }
    for (int c = 0; c < TGrepSettings::ColumnCount; ++c)
        ListViewResult->setColumnWidth(c, Settings.Columns[size_t(c)]);
    for (QAction *a : ActionListMain)
        a->setShortcuts(TShortcutCodes::ToKeySequences(Settings.ShortcutOf(a->objectName())));
}

void TForm1::FinishSettings()
{
    if (Settings.WindowState == TGrepSettings::StateMaximized)
        setWindowState(Qt::WindowMaximized);
    else if (Settings.WindowState == TGrepSettings::StateMinimized)
        setWindowState(Qt::WindowMinimized);
    const QList<QAction *> forms{ActionViewFType0, ActionViewFType1, ActionViewFType2};
    const QList<QAction *> aligns{ActionViewAlignL, ActionViewAlignC, ActionViewAlignR};
    ActionViewFTypeExecute(forms[qBound(0, Settings.FType, 2)]);
    ActionViewAlignExecute(aligns[qBound(0, Settings.PAlign, 2)]);
}

void TForm1::WriteSettings(TIniFile &file)
{
    CaptureSettings();
    // Colours, marks and shortcut codes are written back as they were read.
    Settings.Write(file, [this](TIniFile &f) {
        for (QComboBox *box : {ComboBoxTarget, ComboBoxFilter, ComboBoxGrep})
            THistory(box->property("tag").toInt(), ItemsOf(box), box->currentText()).SaveHistory(f);
    });
}

void TForm1::LoadSettingsFile()
{
    if (SettingsPath.isEmpty())
        return;
    TIniFile file;
    file.LoadFromFile(SettingsPath); // a missing or unreadable file gives the defaults
    ReadSettings(file);
}

bool TForm1::SaveSettingsFile()
{
    if (SettingsPath.isEmpty())
        return true;
    TIniFile file;
    QString reason;
    file.LoadFromFile(SettingsPath, &reason);
    WriteSettings(file);
    if (file.SaveToFile(SettingsPath, &reason))
        return true;
    QMessageBox box(QMessageBox::Warning, AppCaption,
                    QStringLiteral("設定を保存できませんでした: %1\n%2").arg(SettingsPath, reason),
                    QMessageBox::Ok, this);
    box.exec();
    return false;
}

void TForm1::UpdateStatus(const QString &targets, const QString &hits, const QString &state)
{
    StatusBar1->SetPanelText(0, targets);
    StatusBar1->SetPanelText(1, hits);
    StatusBar1->SetPanelText(2, state);
}

void TForm1::ShowHitCount(qsizetype count)
{
    ListViewResult->SetRowCount(count);
}

void TForm1::SearchDone()
{
    ActionFileGrep->setEnabled(true);
    ActionFileCancel->setEnabled(false);
    if (CloseWhenDone)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TForm1::ShowMessage(const QString &text, bool warning)
{
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Critical, AppCaption, text,
                    QMessageBox::Ok, this);
    box.exec();
}

void TForm1::ListViewResultSelectItem(int row, bool selected)
{
    if (Searching())
        return; // the search owns panel 2 meanwhile
    if (selected && row >= 0 && size_t(row) < HitList.size())
        StatusBar1->SetPanelText(2, HitList[size_t(row)].FileName);
    else
        StatusBar1->SetPanelText(2, QString());
}

void TForm1::ApplyArgument(const QString &text)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("-restore")) {
        ForceForeground();
        return;
    }
    if (SetTargetFromPath(text))
        return;
    const QString rest = text.mid(2);
    const int digit = text.size() >= 3 && text[2].isDigit() && text[2].unicode() < 128 ? text[2].digitValue() : -1;
    auto setOption = [&](QAction *action) {
        if (digit == 0 || digit == 1)
            action->setChecked(digit == 1);
    };
    if (text.startsWith(QLatin1String("-f")) && text.size() > 2)
        ComboBoxFilter->setEditText(rest);
    else if (text.startsWith(QLatin1String("-s")) && text.size() > 2)
        ComboBoxGrep->setEditText(rest);
    else if (text.startsWith(QLatin1String("-r")) && text.size() == 3)
        setOption(ActionOptionRegExpr);
    else if (text.startsWith(QLatin1String("-b")) && text.size() == 3)
        setOption(ActionOptionSubDirectory);
    else if (text.startsWith(QLatin1String("-i")) && text.size() == 3)
        setOption(ActionOptionIgnoreCase);
    else if (text.startsWith(QLatin1String("-c")) && text.size() == 3) {
        if (digit >= 0 && digit < ComboBoxCode->count())
            ComboBoxCode->setCurrentIndex(digit);
    } else if (text.startsWith(QLatin1String("-l")) && text.size() > 2) {
        bool ok = false;
        const int value = rest.toInt(&ok);
        if (ok && value >= 0)
            EditSubLimit->SetFValue(value);
    } else if (text.startsWith(QLatin1String("-d")) && text.size() == 3) {
        setOption(ActionViewDetail);
    }
}

bool TForm1::SetTargetFromPath(const QString &path)
{
    if (TTargetLister::IsExistingFile(path)) {
        ComboBoxTarget->setEditText(QFileInfo(path).absoluteFilePath());
        return true;
    }
    if (TTargetLister::IsExistingFolder(path)) {
        QString folder = QFileInfo(path).absoluteFilePath();
        if (!folder.endsWith(u'/'))
            folder += u'/';
        ComboBoxTarget->setEditText(folder);
        return true;
    }
    return false;
}

void TForm1::UpdateFilterState()
{
    const bool folder = TTargetLister::IsExistingFolder(ComboBoxTarget->currentText());
    ComboBoxFilter->setEnabled(folder);
    LabelFilter->setEnabled(folder);
}

void TForm1::ForceForeground()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
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

void TForm1::SetTargetDialogs(std::unique_ptr<TTargetDialogs> dialogs)
{
    Dialogs = std::move(dialogs);
}

void TForm1::ActionFileOpenFileExecute()
{
    const QString target = ComboBoxTarget->currentText();
    QString file, folder;
    if (TTargetLister::IsExistingFile(target))
        file = target;
    if (TTargetLister::IsExistingFolder(target))
        folder = FolderPartOf(target); // the folder itself with a trailing "/", else its parent
    const QString chosen = Dialogs->OpenFile(this, file, folder);
    if (chosen.isEmpty())
        return;
    ComboBoxTarget->setEditText(chosen);
    UpdateFilterState();
}

void TForm1::ActionFileOpenDirectoryExecute()
{
    const QString target = ComboBoxTarget->currentText();
    QString initial;
    if (TTargetLister::IsExistingFile(target))
        initial = FolderPartOf(QFileInfo(target).absoluteFilePath());
    if (TTargetLister::IsExistingFolder(target))
        initial = target;
    const QString chosen = Dialogs->BrowseForFolder(QStringLiteral("ディレクトリ選択"), initial, this);
    if (chosen.isEmpty() || !TTargetLister::IsExistingFolder(chosen))
        return;
    ComboBoxTarget->setEditText(chosen.endsWith(u'/') ? chosen : chosen + u'/');
    UpdateFilterState();
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    DropFiles(event->mimeData()->urls());
}

void TForm1::DropFiles(const QList<QUrl> &items)
{
    // Only the first item counts; one that is neither a file nor a folder
    // (a link to a web page, say) leaves the target as it was.
    if (!items.isEmpty() && items.first().isLocalFile())
        SetTargetFromPath(items.first().toLocalFile());
    UpdateFilterState();
    ForceForeground();
}
