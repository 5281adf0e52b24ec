#include "Form3.h"

#include "PathText.h"
#include "SettingsHost.h"
#include "ShortcutClaims.h"
#include "ShortcutCodes.h"
#include "ToolList.h"
#include "ToolRowsModel.h"
#include "WKSpeedEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabBar>
#include <QToolButton>
#include <QTreeView>

namespace {

constexpr int ClientWidth = 545;
constexpr int ClientHeight = 409;

// Trims blanks and control characters from both ends.
QString TrimmedFilter(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first].unicode() <= 0x20)
        ++first;
    while (last > first && text[last - 1].unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

} // namespace

TForm3::TForm3(TSettingsHost &host, QWidget *parent)
    : QDialog(parent),
      ChooseFile([](QWidget *owner, const QString &preset) {
          return QFileDialog::getOpenFileName(owner, QString(), preset);
      }),
      Host(host)
{
    setWindowTitle(QStringLiteral("環境設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(9);
    setFont(font);

    TabControlBase = new QTabBar(this);
    TabControlBase->setObjectName(QStringLiteral("TabControlBase"));
    TabControlBase->addTab(QStringLiteral("外部ツール"));
    TabControlBase->addTab(QStringLiteral("ショートカット"));
    TabControlBase->addTab(QStringLiteral("検索"));
    TabControlBase->setGeometry(4, 0, ClientWidth - 8, 22);
    TabControlBase->setFocusPolicy(Qt::NoFocus);

    Rows = new TToolRowsModel([this](int row, int column) { return ListViewToolData(row, column); }, this);
    ListViewTool = new QTreeView(this);
    ListViewTool->setObjectName(QStringLiteral("ListViewTool"));
    ListViewTool->setModel(Rows);
    ListViewTool->setRootIsDecorated(false);
    ListViewTool->setUniformRowHeights(true);
    ListViewTool->setItemsExpandable(false);
    ListViewTool->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewTool->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewTool->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewTool->header()->setSectionsClickable(false);
    ListViewTool->header()->setSectionsMovable(false);
    ListViewTool->header()->setStretchLastSection(false);
    ListViewTool->setGeometry(8, 24, 449, 249);
    const int widths[] = {90, 150, 90, 90};
    for (int c = 0; c < 4; ++c)
        ListViewTool->setColumnWidth(c, widths[c]);
    connect(ListViewTool->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateEditFields(); });

    auto label = [this](const QString &text, int left, int top) {
        auto *l = new QLabel(text, this);
        l->adjustSize();
        l->move(left, top);
        return l;
    };
    LabelCaption = label(QStringLiteral("タイトル"), 53, 283);
    LabelFilePath = label(QStringLiteral("ファイル名"), 39, 307);
    LabelParam = label(QStringLiteral("引数"), 68, 331);
    LabelShortCut = label(QStringLiteral("ショートカット"), 26, 355);
    LabelFilter = label(QStringLiteral("対象拡張子"), 32, 380);

    EditCaption = new QLineEdit(this);
    EditCaption->setGeometry(96, 280, 361, 20);
    auto speedEdit = [this](const QString &caption, int top) {
        auto *e = new TWKSpeedEdit(this);
        e->SetFButtonCaption(caption);
        e->setGeometry(96, top, 361, 20);
        return e;
    };
    EditFilePath = speedEdit(QStringLiteral("…"), 304);
    EditParam = speedEdit(QStringLiteral(">"), 328);
    EditShortCut = speedEdit(QStringLiteral("×"), 352);
    EditShortCut->setReadOnly(true);
    EditShortCut->setAttribute(Qt::WA_InputMethodEnabled, false);
    EditShortCut->installEventFilter(this);
    EditFilter = new QComboBox(this);
    EditFilter->setEditable(true);
    EditFilter->setInsertPolicy(QComboBox::NoInsert);
    EditFilter->setCompleter(nullptr);
    EditFilter->setGeometry(96, 376, 361, 20);
    EditCaption->setObjectName(QStringLiteral("EditCaption"));
    EditFilePath->setObjectName(QStringLiteral("EditFilePath"));
    EditParam->setObjectName(QStringLiteral("EditParam"));
    EditShortCut->setObjectName(QStringLiteral("EditShortCut"));
    EditFilter->setObjectName(QStringLiteral("EditFilter"));
    LabelCaption->setBuddy(EditCaption);

    for (QLineEdit *e : {EditCaption, static_cast<QLineEdit *>(EditFilePath), static_cast<QLineEdit *>(EditParam),
                         static_cast<QLineEdit *>(EditShortCut)})
        connect(e, &QLineEdit::textChanged, this, &TForm3::EditChange);
    connect(EditFilter, &QComboBox::editTextChanged, this, &TForm3::EditChange);
    connect(EditFilePath, &TWKSpeedEdit::OnButtonClick, this, &TForm3::EditFilePathButtonClick);
    connect(EditParam, &TWKSpeedEdit::OnButtonClick, this, &TForm3::EditParamButtonClick);
    connect(EditShortCut, &TWKSpeedEdit::OnButtonClick, this, &TForm3::EditShortCutButtonClick);

    auto button = [this](const char *name, int left, int top) {
        auto *b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, top, 73, 25);
        b->setAutoDefault(false); // Enter in a field applies nothing by itself
        return b;
    };
    ButtonEditUp = button("ButtonEditUp", 464, 48);
    ButtonEditDown = button("ButtonEditDown", 464, 80);
    ButtonEditAdd = button("ButtonEditAdd", 464, 280);
    ButtonEditEdit = button("ButtonEditEdit", 464, 312);
    ButtonEditDelete = button("ButtonEditDelete", 464, 344);
    ActionEditAdd = MakeAction(QStringLiteral("追加(&A)"), ButtonEditAdd, &TForm3::ActionEditAddExecute);
    ActionEditEdit = MakeAction(QStringLiteral("編集(&E)"), ButtonEditEdit, &TForm3::ActionEditEditExecute);
    ActionEditDelete = MakeAction(QStringLiteral("削除(&D)"), ButtonEditDelete, &TForm3::ActionEditDeleteExecute);
    ActionEditUp = MakeAction(QStringLiteral("上へ(&U)"), ButtonEditUp, &TForm3::ActionEditUpExecute);
    ActionEditDown = MakeAction(QStringLiteral("下へ(&N)"), ButtonEditDown, &TForm3::ActionEditDownExecute);
    for (QAction *a : {ActionEditEdit, ActionEditDelete, ActionEditUp, ActionEditDown})
        a->setEnabled(false);

    PopupMenuTool = new QMenu(this);
    PopupMenuTool->setObjectName(QStringLiteral("PopupMenuTool"));
    auto *hiddenEdit = new QAction(ActionEditEdit->text(), PopupMenuTool);
    hiddenEdit->setVisible(false);
    connect(hiddenEdit, &QAction::triggered, ActionEditEdit, &QAction::trigger);
    PopupMenuTool->addAction(hiddenEdit);
    PopupMenuTool->addAction(ActionEditDelete);
    PopupMenuTool->addSeparator();
    PopupMenuTool->addActions({ActionEditUp, ActionEditDown});
    ListViewTool->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewTool, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenuTool->popup(ListViewTool->viewport()->mapToGlobal(at)); });

    PopupMenuParam = new QMenu(this);
    PopupMenuParam->setObjectName(QStringLiteral("PopupMenuParam"));
    const struct
    {
        const char *Name, *Caption;
        int Tag;
    } entries[] = {{"MenuParamF", "%&F\tファイル名", 0},   {"MenuParamD", "%&D\tディレクトリ名", 1},
                   {"MenuParamHR1", nullptr, -1},           {"MenuParamL", "%&L\t行数(1～)", 2},
                   {"MenuParamN", "%&N\t字数(1～)", 3},     {"MenuParamB", "%&B\t対象の長さ", 4},
                   {"MenuParamR", "%&R\t検索結果文字列", 10}};
    for (const auto &entry : entries) {
        QAction *a = entry.Caption ? PopupMenuParam->addAction(QString::fromUtf8(entry.Caption))
                                   : PopupMenuParam->addSeparator();
        a->setObjectName(QString::fromLatin1(entry.Name));
        if (entry.Caption) {
            a->setData(entry.Tag);
            connect(a, &QAction::triggered, this, [this, a] { MenuParamClick(a); });
        }
    }

    // The search tab's controls lie on a sheet of their own, shown only
    // while that tab is active.
    SheetSearch = new QWidget(this);
    SheetSearch->setObjectName(QStringLiteral("SheetSearch"));
    SheetSearch->setGeometry(4, 24, ClientWidth - 8, ClientHeight - 28);
    LabelExcludeDirs = new QLabel(QStringLiteral("除外するフォルダ(&X):"), SheetSearch);
    LabelExcludeDirs->setObjectName(QStringLiteral("LabelExcludeDirs"));
    LabelExcludeDirs->adjustSize();
    LabelExcludeDirs->move(4, 10);
    EditExcludeDirs = new QLineEdit(SheetSearch);
    EditExcludeDirs->setObjectName(QStringLiteral("EditExcludeDirs"));
    EditExcludeDirs->setGeometry(4, 10 + LabelExcludeDirs->height() + 4, SheetSearch->width() - 8, 20);
    LabelExcludeDirs->setBuddy(EditExcludeDirs);
    LabelExcludeDirsHint =
        new QLabel(QStringLiteral("フォルダ名のパターンをカンマで区切って指定します (例: .git,node_modules)"), SheetSearch);
    LabelExcludeDirsHint->setObjectName(QStringLiteral("LabelExcludeDirsHint"));
    LabelExcludeDirsHint->setWordWrap(true);
    LabelExcludeDirsHint->setGeometry(4, EditExcludeDirs->geometry().bottom() + 6, EditExcludeDirs->width(), 36);
    LabelExcludeDirsHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    EditExcludeDirs->setText(Host.ExcludeDirs());
    MakeFileLimitRows(LabelExcludeDirsHint->geometry().bottom() + 12);
    SheetSearch->hide();

    // The tab bar takes no focus; Ctrl+Tab and Ctrl+Shift+Tab step through
    // the tabs from the keyboard.
    auto stepTab = [this](int step) {
        const int count = TabControlBase->count();
        TabControlBase->setCurrentIndex((TabControlBase->currentIndex() + step + count) % count);
    };
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this,
            [stepTab] { stepTab(+1); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this), &QShortcut::activated, this,
            [stepTab] { stepTab(-1); });

    setTabOrder(ListViewTool, EditCaption);
    setTabOrder(EditCaption, EditFilePath);
    setTabOrder(EditFilePath, EditShortCut);
    setTabOrder(EditShortCut, EditParam);
    setTabOrder(EditParam, ButtonEditUp);
    setTabOrder(ButtonEditUp, ButtonEditDown);
    setTabOrder(ButtonEditDown, ButtonEditAdd);
    setTabOrder(ButtonEditAdd, ButtonEditEdit);
    setTabOrder(ButtonEditEdit, ButtonEditDelete);
    setTabOrder(ButtonEditDelete, EditFilter);
    setTabOrder(EditFilter, EditExcludeDirs);
    setTabOrder(EditExcludeDirs, CheckMinSize);
    setTabOrder(CheckMinSize, EditMinSize);
    setTabOrder(EditMinSize, ComboMinSizeUnit);
    setTabOrder(ComboMinSizeUnit, CheckMaxSize);
    setTabOrder(CheckMaxSize, EditMaxSize);
    setTabOrder(EditMaxSize, ComboMaxSizeUnit);
    setTabOrder(ComboMaxSizeUnit, CheckNewer);
    setTabOrder(CheckNewer, EditNewer);
    setTabOrder(EditNewer, CheckOlder);
    setTabOrder(CheckOlder, EditOlder);
    connect(TabControlBase, &QTabBar::currentChanged, this, &TForm3::TabControlBaseChange);
    setFixedSize(ClientWidth, ClientHeight);
}

QAction *TForm3::MakeAction(const QString &caption, QPushButton *button, void (TForm3::*handler)())
{
    auto *action = new QAction(caption, this);
    button->setText(caption);
    connect(action, &QAction::triggered, this, handler);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button, [button, action] {
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    });
    return action;
}

void TForm3::showEvent(QShowEvent *event)
{
    setFixedSize(ClientWidth, ClientHeight);
    if (parentWidget()) // centred on the main window
        move(parentWidget()->window()->geometry().center() - rect().center());
    EditFilter->clear();
    EditFilter->addItems(Host.FilterItems());
    EditFilter->setEditText(QString());
    TabControlBaseChange();
    QDialog::showEvent(event);
}

bool TForm3::ToolsTabActive() const
{
    return TabControlBase->currentIndex() == ToolsTab;
}

TForm3::~TForm3()
{
    // QDialog's destructor hides the dialog, and the list would lay itself
    // out once more, asking this no longer whole dialog for its cells.
    ListViewTool->setModel(nullptr);
}

bool TForm3::SearchTabActive() const
{
    return TabControlBase->currentIndex() == SearchTab;
}

void TForm3::TabControlBaseChange()
{
    EditingIndex = -1;
    const bool tools = ToolsTabActive();
    // The list and the fields below it serve the first two tabs; the
    // search tab has only its sheet.
    const bool search = SearchTabActive();
    SheetSearch->setVisible(search);
    for (QWidget *w : std::initializer_list<QWidget *>{ListViewTool, EditShortCut, LabelShortCut})
        w->setVisible(!search);
    ActionEditEdit->setVisible(!search);
    if (search)
        EditExcludeDirs->setFocus();
    EditShortCut->move(EditShortCut->x(), tools ? 352 : 280);
    LabelShortCut->move(LabelShortCut->x(), tools ? 355 : 283);
    ButtonEditEdit->move(ButtonEditEdit->x(), tools ? 312 : 280);
    for (QWidget *w : std::initializer_list<QWidget *>{EditCaption, EditFilePath, EditParam, EditFilter, LabelCaption,
                                                       LabelFilePath, LabelParam, LabelFilter})
        w->setVisible(tools);
    for (QAction *a : {ActionEditAdd, ActionEditDelete, ActionEditUp, ActionEditDown})
        a->setVisible(tools);
    const QStringList captions = tools ? QStringList{QStringLiteral("タイトル"), QStringLiteral("ファイル名"),
                                                     QStringLiteral("引数"), QStringLiteral("ショートカット")}
                                       : QStringList{QStringLiteral("カテゴリ"), QStringLiteral("メニュー名"), QString(),
                                                     QStringLiteral("ショートカット")};
    Rows->SetCaptions(captions);
    LabelCaption->setText(captions[tools ? 0 : 1]);
    ListViewTool->clearSelection();
    Rows->SetRowCount(tools ? Host.Tools().Count() : int(Host.ShortcutActions().size()));
    UpdateEditFields();
}

QString TForm3::ListViewToolData(int row, int column) const
{
    const bool tools = ToolsTabActive();
    QString text;
    if (tools) {
        const TToolItems *tool = Host.Tools().At(row);
        if (!tool)
            return {};
        switch (column) {
        case 0: text = tool->Caption; break;
        case 1: text = FileNameOf(tool->FilePath); break;
        case 2: text = tool->Param; break;
        case 3: text = TShortcutCodes::ToText(tool->ShortCut); break;
        }
    } else {
        const QList<QAction *> actions = Host.ShortcutActions();
        if (row < 0 || row >= actions.size())
            return {};
        const QAction *action = actions[row];
        switch (column) {
        case 0: text = action->property("category").toString(); break;
        case 1: text = QString(action->text()).remove(u'&'); break;
        case 3: text = TShortcutCodes::ToText(Host.ShortcutOf(action)); break;
        }
    }
    if (column == (tools ? 0 : 1) && EditingIndex >= 0 && SelectedRow() == row && row == EditingIndex)
        text += QStringLiteral(" *");
    return text;
}

int TForm3::SelectedRow() const
{
    const QModelIndexList rows = ListViewTool->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

void TForm3::SelectRow(int row)
{
    const QModelIndex index = Rows->index(row, 0);
    ListViewTool->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListViewTool->scrollTo(index);
}

void TForm3::UpdateEditFields()
{
    const int row = SelectedRow();
    bool loaded = false;
    if (ToolsTabActive()) {
        if (const TToolItems *tool = row >= 0 ? Host.Tools().At(row) : nullptr) {
            EditCaption->setText(tool->Caption);
            EditFilePath->setText(tool->FilePath);
            EditParam->setText(tool->Param);
            EditFilter->setEditText(tool->Filter);
            EditShortCut->setText(TShortcutCodes::ToText(tool->ShortCut));
            loaded = true;
        }
        EditShortCut->setEnabled(true);
        LabelShortCut->setEnabled(true);
        LabelCaption->setEnabled(true);
        ActionEditAdd->setEnabled(true);
        for (QAction *a : {ActionEditEdit, ActionEditDelete, ActionEditUp, ActionEditDown})
            a->setEnabled(loaded);
    } else {
        const QList<QAction *> actions = Host.ShortcutActions();
        if (row >= 0 && row < actions.size()) {
            EditCaption->setText(QString(actions[row]->text()).remove(u'&'));
            EditShortCut->setText(TShortcutCodes::ToText(Host.ShortcutOf(actions[row])));
            loaded = true;
        }
        EditShortCut->setEnabled(loaded);
        LabelShortCut->setEnabled(loaded);
        LabelCaption->setEnabled(false);
        for (QAction *a : {ActionEditAdd, ActionEditDelete, ActionEditUp, ActionEditDown})
            a->setEnabled(false);
        ActionEditEdit->setEnabled(loaded);
    }
    if (!loaded) {
        for (QLineEdit *e : {EditCaption, static_cast<QLineEdit *>(EditFilePath),
                             static_cast<QLineEdit *>(EditParam), static_cast<QLineEdit *>(EditShortCut)})
            e->clear();
        EditFilter->setEditText(QString());
    }
    // Filling the fields ran EditChange; that leaves no mark.
    const int marked = EditingIndex;
    EditingIndex = -1;
    if (marked >= 0)
        Rows->Redraw(marked, marked);
}

void TForm3::EditChange()
{
    const int row = SelectedRow();
    if (row >= 0 && row != EditingIndex) {
        EditingIndex = row;
        Rows->Redraw(row, row);
    }
}

void TForm3::ActionEditAddExecute()
{
    if (!ToolsTabActive())
        return;
    if (EditCaption->text().isEmpty()) {
        QMessageBox box(QMessageBox::NoIcon, windowTitle(), LabelCaption->text() + QStringLiteral("が入力されていません"),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    TToolItems tool;
    tool.Caption = EditCaption->text();
    tool.FilePath = EditFilePath->text();
    tool.Param = EditParam->text();
    tool.Filter = TrimmedFilter(EditFilter->currentText());
    tool.ShortCut = TShortcutCodes::FromText(EditShortCut->text());
    if (!ClaimShortcut(tool.ShortCut, -1, 0))
        return;
    Host.Tools().Add(tool);
    Rows->SetRowCount(Host.Tools().Count());
    SelectRow(Host.Tools().Count() - 1);
    UpdateEditFields();
}

void TForm3::ActionEditEditExecute()
{
    const int row = SelectedRow();
    if (row >= 0) {
        const int command = ToolsTabActive() ? int(Host.ShortcutActions().size()) + row : row;
        const QList<quint16> codes = ShortcutCodesOfCommands();
        if (command < codes.size()
            && !ClaimShortcut(TShortcutCodes::FromText(EditShortCut->text()), command, codes[command]))
            return;
        if (ToolsTabActive()) {
            if (TToolItems *tool = Host.Tools().At(row)) {
                tool->Caption = EditCaption->text();
                tool->FilePath = EditFilePath->text();
                tool->Param = EditParam->text();
                tool->Filter = TrimmedFilter(EditFilter->currentText());
                tool->ShortCut = TShortcutCodes::FromText(EditShortCut->text());
            }
        } else {
            const QList<QAction *> actions = Host.ShortcutActions();
            if (row < actions.size())
                Host.SetShortcut(actions[row], TShortcutCodes::FromText(EditShortCut->text()));
        }
        EditingIndex = -1;
        Rows->Redraw(0, Rows->rowCount() - 1);
    }
    UpdateEditFields();
}

QList<quint16> TForm3::ShortcutCodesOfCommands() const
{
    QList<quint16> codes;
    for (const QAction *action : Host.ShortcutActions())
        codes << Host.ShortcutOf(action);
    for (int n = 0; n < Host.Tools().Count(); ++n)
        codes << Host.Tools().At(n)->ShortCut;
    return codes;
}

QString TForm3::CommandName(int command) const
{
    const QList<QAction *> actions = Host.ShortcutActions();
    if (command < actions.size()) {
        // The caption without its access letter: "検索(&G)" names 検索.
        QString text = actions[command]->text();
        text.remove(QRegularExpression(QStringLiteral("\\(&[^&]\\)"))).remove(u'&');
        while (text.endsWith(u'.'))
            text.chop(1);
        return text;
    }
    const TToolItems *tool = Host.Tools().At(command - int(actions.size()));
    return tool ? tool->Caption : QString();
}

bool TForm3::ClaimShortcut(quint16 code, int command, quint16 previous)
{
    const QList<quint16> codes = ShortcutCodesOfCommands();
    const int holder = TShortcutClaims::Holder(codes, code, command);
    if (holder < 0)
        return true;
    const QString key = TShortcutCodes::ToText(code);
    const QString name = CommandName(holder);
    const QString left = previous ? QStringLiteral("「%1」").arg(TShortcutCodes::ToText(previous))
                                  : QStringLiteral("なし");
    QMessageBox box(QMessageBox::Warning, windowTitle(),
                    QStringLiteral("%1 は「%2」のショートカットに使われています。\n"
                                   "入れ替えると「%2」のショートカットは %3 になります。")
                        .arg(key, name, left),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("ShortcutTakenBox"));
    QPushButton *swap = box.addButton(QStringLiteral("入れ替える(&S)"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    swap->setObjectName(QStringLiteral("SwapButton"));
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() != swap) {
        // Refused: the field shows the key the command still has.
        EditShortCut->setText(TShortcutCodes::ToText(previous));
        EditShortCut->setFocus();
        return false;
    }
    const QList<QAction *> actions = Host.ShortcutActions();
    if (holder < actions.size())
        Host.SetShortcut(actions[holder], previous);
    else if (TToolItems *tool = Host.Tools().At(holder - int(actions.size())))
        tool->ShortCut = previous;
    Rows->Redraw(0, Rows->rowCount() - 1);
    return true;
}

void TForm3::ActionEditDeleteExecute()
{
    const int row = SelectedRow();
    if (ToolsTabActive() && row >= 0 && Host.Tools().At(row)) {
        Host.Tools().Delete(row);
        Rows->SetRowCount(Host.Tools().Count());
        ListViewTool->clearSelection();
        Rows->Redraw(row - 1, Rows->rowCount() - 1);
    }
    UpdateEditFields();
}

void TForm3::SwapWith(int offset)
{
    const int row = SelectedRow();
    const int other = row + offset;
    if (ToolsTabActive() && row >= 0 && other >= 0 && other < Host.Tools().Count()) {
        Host.Tools().Move(row, other);
        SelectRow(other);
        Rows->Redraw(qMin(row, other), qMax(row, other));
    }
    UpdateEditFields();
}

void TForm3::ActionEditUpExecute()
{
    SwapWith(-1);
}

void TForm3::ActionEditDownExecute()
{
    SwapWith(+1);
}

void TForm3::EditFilePathButtonClick()
{
    if (!ToolsTabActive())
        return;
    const QFileInfo current(EditFilePath->text());
    const QString preset = current.isFile() ? current.absoluteFilePath() : QString();
    const QString chosen = ChooseFile(this, preset);
    if (chosen.isEmpty())
        return;
    EditFilePath->setText(chosen);
    if (EditCaption->text().isEmpty())
        EditCaption->setText(QFileInfo(chosen).completeBaseName());
    EditFilePath->setFocus();
}

void TForm3::EditParamButtonClick()
{
    if (!ToolsTabActive())
        return;
    PopupMenuParam->popup(EditParam->mapToGlobal(QPoint(EditParam->width(), 0)));
}

void TForm3::MenuParamClick(QAction *entry)
{
    static const QHash<int, QString> placeholders{{0, QStringLiteral("%F")}, {1, QStringLiteral("%D")},
                                                  {2, QStringLiteral("%L")}, {3, QStringLiteral("%N")},
                                                  {4, QStringLiteral("%B")}, {10, QStringLiteral("%R")}};
    const auto found = placeholders.constFind(entry ? entry->data().toInt() : -1);
    if (found != placeholders.constEnd())
        EditParam->insert(*found); // replaces the selection; the caret ends after it
    EditParam->setFocus();
}

void TForm3::EditShortCutButtonClick()
{
    EditShortCut->clear();
    EditShortCut->setFocus();
}

quint16 TForm3::CodeOfKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    quint16 code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= TShortcutCodes::ShiftBit;
    if (modifiers & Qt::ControlModifier)
        code |= TShortcutCodes::CtrlBit;
    if (modifiers & Qt::AltModifier)
        code |= TShortcutCodes::AltBit;
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
        return 0;
    default:
        break;
    }
    // With Shift the layout reports the character on the key ("!" for 1);
    // the main-row digits have the same X keycodes (10 to 19) everywhere.
    if ((modifiers & Qt::ShiftModifier) && nativeScanCode >= 10 && nativeScanCode <= 19)
        key = nativeScanCode == 19 ? Qt::Key_0 : Qt::Key_1 + int(nativeScanCode - 10);
    return code | TShortcutCodes::VkFromKey(Qt::Key(key), modifiers & Qt::KeypadModifier);
}

void TForm3::EditShortCutKeyDown(QKeyEvent *event)
{
    const quint16 code = CodeOfKey(event->key(), event->modifiers(), event->nativeScanCode());
    EditShortCut->setText(TShortcutCodes::ToText(code));
}

bool TForm3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == EditShortCut && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Tab and Shift+Tab still move the focus; every other key, Esc and
        // Enter included, is the new shortcut and does nothing else.
        const bool focusKey = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
                              && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (focusKey)
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            EditShortCutKeyDown(key);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::ApplyExcludeDirs()
{
    const QString text = EditExcludeDirs->text();
    if (text != Host.ExcludeDirs())
        Host.SetExcludeDirs(PatternListOf(text).join(u','));
}

namespace {

// The units of the size fields, as powers of 1024.
const char *const SizeUnits[] = {"バイト", "KB", "MB", "GB"};

// A size in the largest unit that keeps it whole and fits the field.
void ShowSize(qint64 bytes, QSpinBox *number, QComboBox *unit)
{
    int u = 0;
    while (u < 3 && bytes != 0 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++u;
    }
    while (u < 3 && bytes > number->maximum()) { // too large for the field: the next unit, rounded up
        bytes = (bytes + 1023) / 1024;
        ++u;
    }
    number->setValue(int(qMin<qint64>(bytes, number->maximum())));
    unit->setCurrentIndex(u);
}

qint64 SizeShown(const QSpinBox *number, const QComboBox *unit)
{
    return qint64(number->value()) << (10 * unit->currentIndex());
}

} // namespace

void TForm3::MakeFileLimitRows(int top)
{
    const TFileLimitChoice limits = Host.FileLimits();
    constexpr int Indent = 16, FieldX = 190, RowHeight = 26;
    const auto label = [this](const QString &text, const char *name, int y) {
        auto *l = new QLabel(text, SheetSearch);
        l->setObjectName(QLatin1String(name));
        l->adjustSize();
        l->move(4, y);
        return l;
    };
    const auto check = [this](const QString &text, const char *name, int y, bool on) {
        auto *c = new QCheckBox(text, SheetSearch);
        c->setObjectName(QLatin1String(name));
        c->setGeometry(Indent, y, FieldX - Indent - 4, 20);
        c->setChecked(on);
        return c;
    };
    // A box and the fields it switches.
    const auto follow = [](QCheckBox *box, std::initializer_list<QWidget *> fields) {
        for (QWidget *w : fields)
            w->setEnabled(box->isChecked());
        QObject::connect(box, &QCheckBox::toggled, box, [fields = std::vector<QWidget *>(fields)](bool on) {
            for (QWidget *w : fields)
                w->setEnabled(on);
        });
    };
    const auto sizeRow = [&](const QString &text, const char *checkName, const char *editName, const char *unitName,
                             int y, bool on, qint64 bytes, QCheckBox *&box, QSpinBox *&number, QComboBox *&unit) {
        box = check(text, checkName, y, on);
        number = new QSpinBox(SheetSearch);
        number->setObjectName(QLatin1String(editName));
        number->setRange(0, 999999);
        number->setGeometry(FieldX, y - 1, 90, 22);
        number->setAlignment(Qt::AlignRight);
        unit = new QComboBox(SheetSearch);
        unit->setObjectName(QLatin1String(unitName));
        for (const char *u : SizeUnits)
            unit->addItem(QString::fromUtf8(u));
        unit->setGeometry(FieldX + 94, y - 1, 70, 22);
        ShowSize(bytes, number, unit);
        follow(box, {number, unit});
    };
    const auto timeRow = [&](const QString &text, const char *checkName, const char *editName, int y, bool on,
                             qint64 seconds, QCheckBox *&box, QDateTimeEdit *&edit) {
        box = check(text, checkName, y, on);
        edit = new QDateTimeEdit(SheetSearch);
        edit->setObjectName(QLatin1String(editName));
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setCalendarPopup(true);
        edit->setGeometry(FieldX, y - 1, 164, 22);
        // A filter never set starts from today's midnight.
        edit->setDateTime(seconds ? QDateTime::fromSecsSinceEpoch(seconds) : QDateTime(QDate::currentDate(), QTime(0, 0)));
        follow(box, {edit});
    };

    LabelSizeFilter = label(QStringLiteral("サイズ:"), "LabelSizeFilter", top);
    int y = top + 20;
    sizeRow(QStringLiteral("次の大きさ以上(&L)"), "CheckMinSize", "EditMinSize", "ComboMinSizeUnit", y,
            limits.MinSizeOn, limits.MinSize, CheckMinSize, EditMinSize, ComboMinSizeUnit);
    y += RowHeight;
    sizeRow(QStringLiteral("次の大きさ以下(&H)"), "CheckMaxSize", "EditMaxSize", "ComboMaxSizeUnit", y,
            limits.MaxSizeOn, limits.MaxSize, CheckMaxSize, EditMaxSize, ComboMaxSizeUnit);
    MinSizeAsFilled = SizeShown(EditMinSize, ComboMinSizeUnit);
    MaxSizeAsFilled = SizeShown(EditMaxSize, ComboMaxSizeUnit);
    y += RowHeight + 10;
    LabelDateFilter = label(QStringLiteral("更新日時:"), "LabelDateFilter", y);
    y += 20;
    timeRow(QStringLiteral("次の日時以降(&F)"), "CheckNewer", "EditNewer", y, limits.NewerOn, limits.Newer, CheckNewer,
            EditNewer);
    y += RowHeight;
    timeRow(QStringLiteral("次の日時以前(&B)"), "CheckOlder", "EditOlder", y, limits.OlderOn, limits.Older, CheckOlder,
            EditOlder);
    NewerAsFilled = EditNewer->dateTime().toSecsSinceEpoch();
    OlderAsFilled = EditOlder->dateTime().toSecsSinceEpoch();
    y += RowHeight + 6;
    LabelFilterHint = new QLabel(QStringLiteral("条件に合わないファイルは検索せず、対象にも数えません。"
                                                "フォルダは日時によらずたどります。"),
                                 SheetSearch);
    LabelFilterHint->setObjectName(QStringLiteral("LabelFilterHint"));
    LabelFilterHint->setWordWrap(true);
    LabelFilterHint->setGeometry(4, y, SheetSearch->width() - 8, 36);
    LabelFilterHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

TFileLimitChoice TForm3::FileLimitsShown() const
{
    // A size the fields could only show rounded keeps its exact bytes until
    // it is edited; times are shown to the second, as they are kept.
    TFileLimitChoice limits = Host.FileLimits();
    limits.MinSizeOn = CheckMinSize->isChecked();
    limits.MaxSizeOn = CheckMaxSize->isChecked();
    limits.NewerOn = CheckNewer->isChecked();
    limits.OlderOn = CheckOlder->isChecked();
    if (const qint64 shown = SizeShown(EditMinSize, ComboMinSizeUnit); shown != MinSizeAsFilled)
        limits.MinSize = shown;
    if (const qint64 shown = SizeShown(EditMaxSize, ComboMaxSizeUnit); shown != MaxSizeAsFilled)
        limits.MaxSize = shown;
    // A time never set stays unset until its box is on or it is edited
    // (the field shows today's midnight meanwhile).
    if (const qint64 shown = EditNewer->dateTime().toSecsSinceEpoch(); limits.NewerOn || shown != NewerAsFilled)
        limits.Newer = shown;
    if (const qint64 shown = EditOlder->dateTime().toSecsSinceEpoch(); limits.OlderOn || shown != OlderAsFilled)
        limits.Older = shown;
    return limits;
}

void TForm3::ApplyFileLimits()
{
    const TFileLimitChoice limits = FileLimitsShown();
    if (!(limits == Host.FileLimits()))
        Host.SetFileLimits(limits);
}

void TForm3::done(int result)
{
    // However the dialog ends (close box, Esc), the excluded folders are
    // kept and the tool commands follow.
    if (!Closed) {
        Closed = true;
        ApplyExcludeDirs();
        ApplyFileLimits();
        Host.ToolsChanged();
    }
    QDialog::done(result);
}
