#include "MessageCatcher.h"
#include "Form3.h"
#include "SettingsHost.h"
#include "ShortcutCodes.h"
#include "ToolList.h"
#include "WKSpeedEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <map>
#include <memory>

namespace {

// The main window's side, as the dialog sees it.
class THost : public TSettingsHost
{
public:
    THost()
    {
        auto add = [this](const char *name, const QString &category, const QString &caption, quint16 code) {
            auto *a = new QAction(caption, &Owner);
            a->setObjectName(QString::fromLatin1(name));
            a->setProperty("category", category);
            a->setShortcuts(TShortcutCodes::ToKeySequences(code));
            Codes[a] = code;
            Actions << a;
        };
        add("ActionFileOpenFile", QStringLiteral("ファイル"), QStringLiteral("ファイルを開く(&F)..."), 0x4000 | 'O');
        add("ActionFileGrep", QStringLiteral("ファイル"), QStringLiteral("検索(&G)"), 0x4000 | 0x0D);
        add("ActionHelpReadme", QStringLiteral("ヘルプ"), QStringLiteral("&readme.txt"), 0);
    }

    TToolList &Tools() override { return List; }
    QList<QAction *> ShortcutActions() const override { return Actions; }
    QStringList FilterItems() const override { return {QStringLiteral("*.txt"), QStringLiteral("*.c,*.h")}; }
    quint16 ShortcutOf(const QAction *action) const override { return Codes.at(action); }
    void SetShortcut(QAction *action, quint16 code) override
    {
        Codes[action] = code;
        action->setShortcuts(TShortcutCodes::ToKeySequences(code));
    }
    void ToolsChanged() override { ++Builds; }
    QString ExcludeDirs() const override { return Excluded; }
    void SetExcludeDirs(const QString &list) override
    {
        Excluded = list;
        ++ExcludeSets;
    }

    TFileLimitChoice FileLimits() const override { return Limits; }
    void SetFileLimits(const TFileLimitChoice &limits) override
    {
        Limits = limits;
        ++LimitSets;
    }

    QObject Owner;
    TFileLimitChoice Limits;
    int LimitSets = 0;
    TToolList List;
    QList<QAction *> Actions;
    std::map<const QAction *, quint16> Codes;
    int Builds = 0;
    QString Excluded;
    int ExcludeSets = 0;
};

TToolItems Tool(const QString &caption)
{
    TToolItems t;
    t.Caption = caption;
    t.FilePath = QStringLiteral("/usr/bin/") + caption.toLower();
    t.Param = QStringLiteral("%F");
    t.Filter = QStringLiteral("*.txt");
    return t;
}

QStringList Captions(const TToolList &list)
{
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.At(i)->Caption;
    return out;
}

struct TKey
{
    int Key;
    Qt::KeyboardModifiers Modifiers;
};

} // namespace

Q_DECLARE_METATYPE(QList<TKey>)

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opens();
    void addWithEmptyCaption();
    void add_data();
    void add();
    void markAppearsAndVanishes();
    void editApplies();
    void deleteLastTool();
    void moves_data();
    void moves();
    void shortcutField_data();
    void shortcutField();
    void clearButton();
    void shortcutsTab();
    void shortcutTaken_data();
    void shortcutTaken();
    void placeholders_data();
    void placeholders();
    void fileButton_data();
    void fileButton();
    void closeRebuildsToolCommands();
    void searchTabShowsHostList_data();
    void searchTabShowsHostList();
    void tabsShowTheirControls_data();
    void tabsShowTheirControls();
    void excludeDirsOnClose_data();
    void excludeDirsOnClose();
    void fileLimitsOnClose_data();
    void fileLimitsOnClose();
    void searchTabKeyboard();

private:
    // Makes a dialog anew over the host as it stands, shown and active.
    bool Reopen();
    std::unique_ptr<THost> Host;
    std::unique_ptr<TForm3> Dialog;
};

void TestSettingsDialog::init()
{
    Host = std::make_unique<THost>();
    for (const char *name : {"Viewer", "Editor", "Diff"})
        Host->List.Add(Tool(QString::fromLatin1(name)));
    Dialog = std::make_unique<TForm3>(*Host);
    Dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(Dialog.get()));
}

void TestSettingsDialog::cleanup()
{
    Dialog.reset();
    Host.reset();
}

void TestSettingsDialog::opens()
{
    QCOMPARE(Dialog->windowTitle(), QStringLiteral("環境設定"));
    QCOMPARE(Dialog->size(), QSize(545, 409));
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::ToolsTab));
    QCOMPARE(Dialog->TabControlBase->tabText(1), QStringLiteral("ショートカット"));
    QCOMPARE(Dialog->ListViewTool->model()->rowCount(), 3);
    QCOMPARE(Dialog->ListViewToolData(1, 0), QStringLiteral("Editor"));
    QCOMPARE(Dialog->ListViewToolData(1, 1), QStringLiteral("editor")); // file name only
    QCOMPARE(Dialog->EditFilter->count(), 2);
    QVERIFY(Dialog->ActionEditAdd->isEnabled());
    for (QAction *a : {Dialog->ActionEditEdit, Dialog->ActionEditDelete, Dialog->ActionEditUp, Dialog->ActionEditDown})
        QVERIFY(!a->isEnabled());
    QCOMPARE(Dialog->EditShortCut->ButtonCaption(), QStringLiteral("×"));
    QVERIFY(Dialog->EditShortCut->isReadOnly());
    // The list's menu: a hidden Edit, Delete, a separator, Up, Down.
    const QList<QAction *> menu = Dialog->PopupMenuTool->actions();
    QCOMPARE(menu.size(), 5);
    QVERIFY(!menu[0]->isVisible());
    QCOMPARE(menu[1], Dialog->ActionEditDelete);
    QVERIFY(menu[2]->isSeparator());
    QCOMPARE(menu[4], Dialog->ActionEditDown);
}

void TestSettingsDialog::addWithEmptyCaption()
{
    Dialog->EditFilePath->setText(QStringLiteral("/usr/bin/less"));
    TMessageCatcher box;
    box.Arm();
    Dialog->ActionEditAdd->trigger();
    QCOMPARE(box.Texts, QStringList{QStringLiteral("タイトルが入力されていません")});
    QCOMPARE(Host->List.Count(), 3);
    QCOMPARE(Dialog->EditFilePath->text(), QStringLiteral("/usr/bin/less"));
}

void TestSettingsDialog::add_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("storedFilter");
    QTest::addColumn<int>("storedCode");

    QTest::newRow("blanks around the filter") << "Less" << " *.txt " << "Ctrl+T" << "*.txt" << (0x4000 | 'T');
    QTest::newRow("control characters") << "Less" << "\t*.c,*.h\n" << "" << "*.c,*.h" << 0;
    QTest::newRow("inner blanks stay") << "Less" << " *.a, *.b " << "Shift+Ctrl+Alt+F5" << "*.a, *.b" << 0xE074;
    QTest::newRow("caption of blanks") << "  " << "*" << "Del" << "*" << 0x2E;
}

void TestSettingsDialog::add()
{
    QFETCH(QString, caption);
    QFETCH(QString, filter);
    QFETCH(QString, shortcut);
    QFETCH(QString, storedFilter);
    QFETCH(int, storedCode);

    Dialog->EditCaption->setText(caption);
    Dialog->EditFilePath->setText(QStringLiteral("/usr/bin/less"));
    Dialog->EditParam->setText(QStringLiteral("+%L %F"));
    Dialog->EditFilter->setEditText(filter);
    Dialog->EditShortCut->setText(shortcut);
    Dialog->ActionEditAdd->trigger();

    QCOMPARE(Host->List.Count(), 4);
    const TToolItems *tool = Host->List.At(3);
    QCOMPARE(tool->Caption, caption);
    QCOMPARE(tool->Param, QStringLiteral("+%L %F"));
    QCOMPARE(tool->Filter, storedFilter);
    QCOMPARE(int(tool->ShortCut), storedCode);
    // The new last row is selected and loaded; no mark.
    QCOMPARE(Dialog->SelectedRow(), 3);
    QCOMPARE(Dialog->EditFilter->currentText(), storedFilter);
    QCOMPARE(Dialog->ListViewToolData(3, 0), caption);
    QCOMPARE(Dialog->ListViewToolData(3, 3), shortcut);
    QVERIFY(Dialog->ActionEditDelete->isEnabled());
}

void TestSettingsDialog::markAppearsAndVanishes()
{
    Dialog->SelectRow(0);
    QCOMPARE(Dialog->EditCaption->text(), QStringLiteral("Viewer"));
    QCOMPARE(Dialog->ListViewToolData(0, 0), QStringLiteral("Viewer"));
    QTest::keyClicks(Dialog->EditCaption, "2");
    QCOMPARE(Dialog->EditCaption->text(), QStringLiteral("Viewer2"));
    // The row shows the tool as it stands, marked as changed.
    QCOMPARE(Dialog->ListViewToolData(0, 0), QStringLiteral("Viewer *"));
    QCOMPARE(Dialog->ListViewTool->model()->index(0, 0).data().toString(), QStringLiteral("Viewer *"));
    // Another row: the typing is lost, the mark gone.
    Dialog->SelectRow(1);
    QCOMPARE(Dialog->ListViewToolData(0, 0), QStringLiteral("Viewer"));
    QCOMPARE(Dialog->ListViewToolData(1, 0), QStringLiteral("Editor"));
    QCOMPARE(Dialog->EditCaption->text(), QStringLiteral("Editor"));
    QCOMPARE(Host->List.At(0)->Caption, QStringLiteral("Viewer"));
    // A tab change ends it too.
    QTest::keyClicks(Dialog->EditParam, "x");
    QCOMPARE(Dialog->EditingIndex, 1);
    Dialog->TabControlBase->setCurrentIndex(TForm3::ShortcutsTab);
    QCOMPARE(Dialog->EditingIndex, -1);
}

void TestSettingsDialog::editApplies()
{
    Dialog->SelectRow(2);
    Dialog->EditCaption->setText(QStringLiteral("Meld"));
    Dialog->EditFilter->setEditText(QStringLiteral(" *.diff "));
    Dialog->EditShortCut->setText(QStringLiteral("F7"));
    QCOMPARE(Dialog->EditingIndex, 2);
    Dialog->ActionEditEdit->trigger();
    QCOMPARE(Dialog->EditingIndex, -1);
    QCOMPARE(Host->List.At(2)->Caption, QStringLiteral("Meld"));
    QCOMPARE(Host->List.At(2)->Filter, QStringLiteral("*.diff"));
    QCOMPARE(int(Host->List.At(2)->ShortCut), 0x76);
    QCOMPARE(Dialog->ListViewToolData(2, 0), QStringLiteral("Meld"));
    QCOMPARE(Host->List.Count(), 3);
}

void TestSettingsDialog::deleteLastTool()
{
    Host->List.Delete(2);
    Host->List.Delete(1);
    Dialog->TabControlBaseChange();
    Dialog->SelectRow(0);
    QVERIFY(Dialog->ActionEditDelete->isEnabled());
    Dialog->ActionEditDelete->trigger();
    QCOMPARE(Host->List.Count(), 0);
    QCOMPARE(Dialog->ListViewTool->model()->rowCount(), 0);
    for (QLineEdit *e : {Dialog->EditCaption, static_cast<QLineEdit *>(Dialog->EditFilePath),
                         static_cast<QLineEdit *>(Dialog->EditParam), static_cast<QLineEdit *>(Dialog->EditShortCut)})
        QVERIFY(e->text().isEmpty());
    QVERIFY(Dialog->EditFilter->currentText().isEmpty());
    for (QAction *a : {Dialog->ActionEditEdit, Dialog->ActionEditDelete, Dialog->ActionEditUp, Dialog->ActionEditDown})
        QVERIFY(!a->isEnabled());
    QVERIFY(!Dialog->ButtonEditDelete->isEnabled());
    QVERIFY(Dialog->ActionEditAdd->isEnabled());
}

void TestSettingsDialog::moves_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("selected");

    QTest::newRow("up from the middle") << 1 << true << QStringList{"Editor", "Viewer", "Diff"} << 0;
    QTest::newRow("down from the middle") << 1 << false << QStringList{"Viewer", "Diff", "Editor"} << 2;
    QTest::newRow("up at the top") << 0 << true << QStringList{"Viewer", "Editor", "Diff"} << 0;
    QTest::newRow("down at the bottom") << 2 << false << QStringList{"Viewer", "Editor", "Diff"} << 2;
}

void TestSettingsDialog::moves()
{
    QFETCH(int, row);
    QFETCH(bool, up);
    QFETCH(QStringList, order);
    QFETCH(int, selected);

    Dialog->SelectRow(row);
    QAction *action = up ? Dialog->ActionEditUp : Dialog->ActionEditDown;
    QVERIFY(action->isEnabled()); // enabled at the ends too
    action->trigger();
    QCOMPARE(Captions(Host->List), order);
    QCOMPARE(Dialog->SelectedRow(), selected);
    QCOMPARE(Dialog->EditCaption->text(), order[selected]);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(Dialog->ListViewToolData(i, 0), order[i]);
}

void TestSettingsDialog::shortcutField_data()
{
    QTest::addColumn<QList<TKey>>("keys");
    QTest::addColumn<QString>("shown");

    const auto none = Qt::NoModifier;
    QTest::newRow("Ctrl, then T") << QList<TKey>{{Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_T, Qt::ControlModifier}} << "Ctrl+T";
    QTest::newRow("Ctrl alone") << QList<TKey>{{Qt::Key_T, Qt::ControlModifier}, {Qt::Key_Control, Qt::ControlModifier}} << "";
    QTest::newRow("all modifiers") << QList<TKey>{{Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier}} << "Shift+Ctrl+Alt+F5";
    QTest::newRow("Shift alone") << QList<TKey>{{Qt::Key_Shift, Qt::ShiftModifier}} << "";
    QTest::newRow("backspace") << QList<TKey>{{Qt::Key_Backspace, none}} << "BkSp";
    QTest::newRow("delete") << QList<TKey>{{Qt::Key_Delete, none}} << "Del";
    QTest::newRow("escape") << QList<TKey>{{Qt::Key_Escape, none}} << "Esc";
    QTest::newRow("enter") << QList<TKey>{{Qt::Key_Return, none}} << "Enter";
    QTest::newRow("arrow") << QList<TKey>{{Qt::Key_Up, Qt::ControlModifier}} << "Ctrl+Up";
    QTest::newRow("letter alone") << QList<TKey>{{Qt::Key_A, none}} << "A";
}

void TestSettingsDialog::shortcutField()
{
    QFETCH(QList<TKey>, keys);
    QFETCH(QString, shown);

    Dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
    Dialog->SelectRow(0);
    TWKSpeedEdit *field = Dialog->EditShortCut;
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    for (const TKey &key : keys)
        QTest::keyClick(field, Qt::Key(key.Key), key.Modifiers);
    QCOMPARE(field->text(), shown);
    // Esc and Enter only set the field: the dialog stays.
    QVERIFY(Dialog->isVisible());
    if (!shown.isEmpty())
        QCOMPARE(Dialog->EditingIndex, 0);
    Dialog->ActionEditEdit->trigger();
    QCOMPARE(Host->List.At(0)->ShortCut, TShortcutCodes::FromText(shown));
}

void TestSettingsDialog::clearButton()
{
    Host->List.At(0)->ShortCut = 0x4000 | 'K';
    Dialog->TabControlBaseChange();
    Dialog->SelectRow(0);
    QCOMPARE(Dialog->EditShortCut->text(), QStringLiteral("Ctrl+K"));
    QTest::mouseClick(Dialog->EditShortCut->Button(), Qt::LeftButton);
    QVERIFY(Dialog->EditShortCut->text().isEmpty());
    Dialog->ActionEditEdit->trigger();
    QCOMPARE(int(Host->List.At(0)->ShortCut), 0);
    // In the shortcuts tab without a selection the field and its button are off.
    Dialog->TabControlBase->setCurrentIndex(TForm3::ShortcutsTab);
    QVERIFY(!Dialog->EditShortCut->isEnabled());
    QVERIFY(!Dialog->EditShortCut->Button()->isEnabled());
}

void TestSettingsDialog::shortcutsTab()
{
    Dialog->TabControlBase->setCurrentIndex(TForm3::ShortcutsTab);
    QCOMPARE(Dialog->ListViewTool->model()->rowCount(), 3);
    QCOMPARE(Dialog->ListViewToolData(0, 0), QStringLiteral("ファイル"));
    QCOMPARE(Dialog->ListViewToolData(0, 1), QStringLiteral("ファイルを開く(F)..."));
    QCOMPARE(Dialog->ListViewToolData(0, 2), QString());
    QCOMPARE(Dialog->ListViewToolData(1, 3), QStringLiteral("Ctrl+Enter"));
    QCOMPARE(Dialog->ListViewTool->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("メニュー名"));
    QCOMPARE(Dialog->LabelCaption->text(), QStringLiteral("メニュー名"));
    QVERIFY(!Dialog->EditFilePath->isVisible());
    QVERIFY(!Dialog->ButtonEditAdd->isVisible());
    QCOMPARE(Dialog->EditShortCut->y(), 280);
    QCOMPARE(Dialog->ButtonEditEdit->y(), 280);

    Dialog->SelectRow(2);
    QVERIFY(Dialog->ActionEditEdit->isEnabled());
    QVERIFY(!Dialog->ActionEditDelete->isEnabled());
    QVERIFY(Dialog->EditShortCut->isEnabled());
    QTest::keyClick(Dialog->EditShortCut, Qt::Key_F2, Qt::ShiftModifier);
    QCOMPARE(Dialog->ListViewToolData(2, 1), QStringLiteral("readme.txt *"));
    Dialog->ActionEditEdit->trigger();
    QCOMPARE(int(Host->Codes[Host->Actions[2]]), 0x2000 | 0x71);
    QCOMPARE(Host->Actions[2]->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F2));
    QCOMPARE(Dialog->ListViewToolData(2, 1), QStringLiteral("readme.txt"));
    QCOMPARE(Dialog->ListViewToolData(2, 3), QStringLiteral("Shift+F2"));
    // Add does nothing here.
    Dialog->ActionEditAdd->trigger();
    QCOMPARE(Host->List.Count(), 3);

    // Back on the tools tab everything is there again.
    Dialog->TabControlBase->setCurrentIndex(TForm3::ToolsTab);
    QCOMPARE(Dialog->EditShortCut->y(), 352);
    QCOMPARE(Dialog->ButtonEditEdit->y(), 312);
    QVERIFY(Dialog->EditFilePath->isVisible());
    QCOMPARE(Dialog->LabelCaption->text(), QStringLiteral("タイトル"));
}

void TestSettingsDialog::shortcutTaken_data()
{
    // Commands as the dialog counts them: 0 ファイルを開く (Ctrl+O), 1 検索
    // (Ctrl+Enter), 2 readme.txt (none), then the tools 3 Viewer (F7),
    // 4 Editor, 5 Diff.
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("row");        // -1: a new tool
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("swap");      // the answer to the warning
    QTest::addColumn<QString>("warning"); // part of it; empty: no warning
    QTest::addColumn<QStringList>("after"); // every command's key afterwards

    const int tools = TForm3::ToolsTab, shortcuts = TForm3::ShortcutsTab;
    const QStringList before{"Ctrl+O", "Ctrl+Enter", "", "F7", "", ""};
    QTest::newRow("free key") << shortcuts << 2 << "Shift+F2" << false << ""
                              << QStringList{"Ctrl+O", "Ctrl+Enter", "Shift+F2", "F7", "", ""};
    QTest::newRow("its own key again") << shortcuts << 0 << "Ctrl+O" << false << "" << before;
    QTest::newRow("command's key, refused") << shortcuts << 2 << "Ctrl+O" << false
                                            << "Ctrl+O は「ファイルを開く」" << before;
    QTest::newRow("command's key, swapped") << shortcuts << 1 << "Ctrl+O" << true << "「ファイルを開く」"
                                            << QStringList{"Ctrl+Enter", "Ctrl+O", "", "F7", "", ""};
    QTest::newRow("tool's key taken by a command") << shortcuts << 2 << "F7" << true << "「Viewer」"
                                                   << QStringList{"Ctrl+O", "Ctrl+Enter", "F7", "", "", ""};
    QTest::newRow("command's key taken by a tool") << tools << 1 << "Ctrl+Enter" << false << "「検索」" << before;
    QTest::newRow("tool's key taken by a tool") << tools << 2 << "F7" << true << "「Viewer」"
                                                << QStringList{"Ctrl+O", "Ctrl+Enter", "", "", "", "F7"};
    QTest::newRow("new tool, refused") << tools << -1 << "F7" << false << "「Viewer」" << before;
    QTest::newRow("new tool, swapped") << tools << -1 << "F7" << true << "「Viewer」"
                                       << QStringList{"Ctrl+O", "Ctrl+Enter", "", "", "", "", "F7"};
}

void TestSettingsDialog::shortcutTaken()
{
    QFETCH(int, tab);
    QFETCH(int, row);
    QFETCH(QString, key);
    QFETCH(bool, swap);
    QFETCH(QString, warning);
    QFETCH(QStringList, after);
    Host->List.At(0)->ShortCut = 0x76; // F7

    QStringList warnings;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        warnings << box->text();
        for (QAbstractButton *b : box->buttons()) {
            if (swap ? b->objectName() == QLatin1String("SwapButton") : box->buttonRole(b) == QMessageBox::RejectRole) {
                b->click();
                break;
            }
        }
    });
    answer.start(10);

    Dialog->TabControlBase->setCurrentIndex(tab);
    if (row >= 0) {
        Dialog->SelectRow(row);
    } else {
        Dialog->ListViewTool->clearSelection();
        Dialog->EditCaption->setText(QStringLiteral("Grep"));
    }
    Dialog->EditShortCut->setText(key);
    (row >= 0 ? Dialog->ActionEditEdit : Dialog->ActionEditAdd)->trigger();
    answer.stop();

    if (warning.isEmpty()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'|')));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(warning), qPrintable(warnings[0]));
    }
    QStringList keys;
    for (QAction *a : Host->Actions)
        keys << TShortcutCodes::ToText(Host->Codes[a]);
    for (int n = 0; n < Host->List.Count(); ++n)
        keys << TShortcutCodes::ToText(Host->List.At(n)->ShortCut);
    QCOMPARE(keys, after);
    // The actions carry what the dialog set.
    for (QAction *a : Host->Actions)
        QCOMPARE(a->shortcuts(), TShortcutCodes::ToKeySequences(Host->Codes[a]));
    // Refused, the field shows the key the command still has.
    if (!swap && !warning.isEmpty()) {
        const int command = row < 0 ? -1 : row + (tab == TForm3::ToolsTab ? 3 : 0);
        QCOMPARE(Dialog->EditShortCut->text(), command < 0 ? QString() : after[command]);
    }
}

void TestSettingsDialog::placeholders_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("selectFrom"); // -1: caret only
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("file at the caret") << "MenuParamF" << -1 << "a%Fbc" << 3;
    QTest::newRow("folder") << "MenuParamD" << -1 << "a%Dbc" << 3;
    QTest::newRow("line replaces the selection") << "MenuParamL" << 0 << "%Lc" << 2;
    QTest::newRow("column") << "MenuParamN" << -1 << "a%Nbc" << 3;
    QTest::newRow("length") << "MenuParamB" << -1 << "a%Bbc" << 3;
    QTest::newRow("hit text") << "MenuParamR" << -1 << "a%Rbc" << 3;
}

void TestSettingsDialog::placeholders()
{
    QFETCH(QString, entry);
    QFETCH(int, selectFrom);
    QFETCH(QString, expected);
    QFETCH(int, caret);

    QLineEdit *param = Dialog->EditParam;
    param->setText(QStringLiteral("abc"));
    if (selectFrom >= 0)
        param->setSelection(selectFrom, 2);
    else
        param->setCursorPosition(1);
    QAction *a = Dialog->PopupMenuParam->findChild<QAction *>(entry);
    QVERIFY(a);
    a->trigger();
    QCOMPARE(param->text(), expected);
    QCOMPARE(param->cursorPosition(), caret);
}

void TestSettingsDialog::fileButton_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expectedCaption");
    QTest::addColumn<QString>("expectedPath");

    QTest::newRow("caption from the name") << "" << "/opt/Tools/viewer.exe" << "viewer" << "/opt/Tools/viewer.exe";
    QTest::newRow("caption kept") << "Mine" << "/usr/bin/gedit" << "Mine" << "/usr/bin/gedit";
    QTest::newRow("cancelled") << "" << "" << "" << "/old";
}

void TestSettingsDialog::fileButton()
{
    QFETCH(QString, caption);
    QFETCH(QString, chosen);
    QFETCH(QString, expectedCaption);
    QFETCH(QString, expectedPath);

    Dialog->EditCaption->setText(caption);
    Dialog->EditFilePath->setText(QStringLiteral("/old"));
    QString preset = QStringLiteral("<not asked>");
    Dialog->ChooseFile = [&](QWidget *, const QString &p) {
        preset = p;
        return chosen;
    };
    QTest::mouseClick(Dialog->EditFilePath->Button(), Qt::LeftButton);
    QCOMPARE(preset, QString()); // "/old" is no file
    QCOMPARE(Dialog->EditCaption->text(), expectedCaption);
    QCOMPARE(Dialog->EditFilePath->text(), expectedPath);
}

void TestSettingsDialog::closeRebuildsToolCommands()
{
    QCOMPARE(Host->Builds, 0);
    Dialog->close();
    QCOMPARE(Host->Builds, 1);
}

bool TestSettingsDialog::Reopen()
{
    Dialog = std::make_unique<TForm3>(*Host);
    Dialog->show();
    Dialog->activateWindow();
    return QTest::qWaitForWindowActive(Dialog.get());
}

void TestSettingsDialog::searchTabShowsHostList_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("none") << "";
    QTest::newRow("as the file keeps it, blanks and all") << ".git, node_*";
    QTest::newRow("japanese names") << QString::fromUtf8("作業中,古い*");
}

void TestSettingsDialog::searchTabShowsHostList()
{
    QFETCH(QString, list);
    Host->Excluded = list;
    QVERIFY(Reopen());
    QCOMPARE(Dialog->TabControlBase->count(), 3);
    QCOMPARE(Dialog->TabControlBase->tabText(TForm3::SearchTab), QStringLiteral("検索"));
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::ToolsTab)); // still opens on the tools
    QCOMPARE(Dialog->EditExcludeDirs->text(), list);
    QCOMPARE(Dialog->LabelExcludeDirs->buddy(), Dialog->EditExcludeDirs);
    QVERIFY(Dialog->LabelExcludeDirsHint->text().contains(QStringLiteral(".git,node_modules")));
}

void TestSettingsDialog::tabsShowTheirControls_data()
{
    QTest::addColumn<QList<int>>("tabs"); // chosen in this order
    QTest::addColumn<bool>("listTab");    // the list and its fields show
    QTest::addColumn<bool>("toolFields"); // the tool-only fields show
    QTest::newRow("search") << QList<int>{TForm3::SearchTab} << false << false;
    QTest::newRow("search, then tools") << QList<int>{TForm3::SearchTab, TForm3::ToolsTab} << true << true;
    QTest::newRow("search, then shortcuts") << QList<int>{TForm3::SearchTab, TForm3::ShortcutsTab} << true << false;
    QTest::newRow("shortcuts, then search") << QList<int>{TForm3::ShortcutsTab, TForm3::SearchTab} << false << false;
}

void TestSettingsDialog::tabsShowTheirControls()
{
    QFETCH(QList<int>, tabs);
    QFETCH(bool, listTab);
    QFETCH(bool, toolFields);
    for (int tab : tabs)
        Dialog->TabControlBase->setCurrentIndex(tab);
    const bool search = !listTab;
    QCOMPARE(Dialog->EditExcludeDirs->isVisible(), search);
    QCOMPARE(Dialog->LabelExcludeDirs->isVisible(), search);
    QCOMPARE(Dialog->LabelExcludeDirsHint->isVisible(), search);
    for (QWidget *w : std::initializer_list<QWidget *>{Dialog->ListViewTool, Dialog->EditShortCut, Dialog->LabelShortCut,
                                                       Dialog->ButtonEditEdit})
        QVERIFY2(w->isVisible() == listTab, qPrintable(w->objectName()));
    for (QWidget *w : std::initializer_list<QWidget *>{Dialog->EditCaption, Dialog->EditFilePath,
                                                       Dialog->EditParam, Dialog->EditFilter,
                                                       Dialog->ButtonEditAdd, Dialog->ButtonEditDelete,
                                                       Dialog->ButtonEditUp, Dialog->ButtonEditDown})
        QVERIFY2(w->isVisible() == toolFields, qPrintable(w->objectName()));
    if (search)
        QCOMPARE(Dialog->focusWidget(), Dialog->EditExcludeDirs);
    else
        QCOMPARE(Dialog->EditShortCut->y(), toolFields ? 352 : 280);
    // The list tabs work as before a visit to the search tab.
    if (toolFields) {
        Dialog->SelectRow(1);
        QVERIFY(Dialog->ActionEditEdit->isEnabled());
        QCOMPARE(Dialog->EditCaption->text(), QStringLiteral("Editor"));
    } else if (listTab) {
        QCOMPARE(Dialog->ListViewToolData(0, 1), QStringLiteral("ファイルを開く(F)..."));
        Dialog->SelectRow(0);
        QVERIFY(Dialog->EditShortCut->isEnabled());
    }
}

void TestSettingsDialog::excludeDirsOnClose_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("typed"); // "<none>": the field is not touched
    QTest::addColumn<bool>("byEscape");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("sets");

    const QString none = QStringLiteral("<none>");
    QTest::newRow("typed, closed") << "" << ".git,node_modules" << false << ".git,node_modules" << 1;
    QTest::newRow("Esc keeps it as well") << "" << ".git,node_modules" << true << ".git,node_modules" << 1;
    QTest::newRow("blanks and empty entries go, the order stays")
        << ".git" << " node_* , .git ,, build " << false << "node_*,.git,build" << 1;
    QTest::newRow("cleared") << ".git,build" << "" << false << "" << 1;
    QTest::newRow("only blanks") << ".git" << " , " << true << "" << 1;
    QTest::newRow("untouched, kept as written") << ".git, node_*" << none << false << ".git, node_*" << 0;
    QTest::newRow("typed back to what it was") << ".git" << ".git" << false << ".git" << 0;
    QTest::newRow("nothing before, nothing after") << "" << none << true << "" << 0;
}

void TestSettingsDialog::excludeDirsOnClose()
{
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(bool, byEscape);
    QFETCH(QString, after);
    QFETCH(int, sets);

    Host->Excluded = before;
    QVERIFY(Reopen());
    Dialog->TabControlBase->setCurrentIndex(TForm3::SearchTab);
    if (typed != QStringLiteral("<none>")) {
        Dialog->EditExcludeDirs->selectAll();
        QTest::keyClick(Dialog->EditExcludeDirs, Qt::Key_Backspace);
        QTest::keyClicks(Dialog->EditExcludeDirs, typed);
        QCOMPARE(Dialog->EditExcludeDirs->text(), typed);
    }
    // Switching tabs keeps the field's text and hands nothing over yet.
    Dialog->TabControlBase->setCurrentIndex(TForm3::ToolsTab);
    QCOMPARE(Host->ExcludeSets, 0);
    QCOMPARE(Host->Excluded, before);
    if (byEscape)
        QTest::keyClick(Dialog->ListViewTool, Qt::Key_Escape);
    else
        QVERIFY(Dialog->close());
    QVERIFY(!Dialog->isVisible());
    QCOMPARE(Host->Excluded, after);
    QCOMPARE(Host->ExcludeSets, sets);
    QCOMPARE(Host->Builds, 1);
}

void TestSettingsDialog::fileLimitsOnClose_data()
{
    QTest::addColumn<qint64>("minSizeBefore");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("shownBefore"); // the size fields when opened: "number unit"
    QTest::addColumn<qint64>("minSizeAfter");
    QTest::addColumn<bool>("minOnAfter");
    QTest::addColumn<bool>("newerOnAfter");
    QTest::addColumn<int>("sets");

    QTest::newRow("untouched") << qint64(512000) << "" << "500 KB" << qint64(512000) << true << false << 0;
    QTest::newRow("an odd size keeps its bytes") << qint64(1000) << "" << "1000 バイト" << qint64(1000) << true << false << 0;
    QTest::newRow("exactly a unit") << qint64(1) << "" << "1 バイト" << qint64(1) << true << false << 0;
    QTest::newRow("too large for the field: rounded up, kept until edited")
        << (qint64(1) << 40) + 1 << "" << "1025 GB" << (qint64(1) << 40) + 1 << true << false << 0;
    QTest::newRow("number typed") << qint64(512000) << "type 20" << "500 KB" << qint64(20 * 1024) << true << false << 1;
    QTest::newRow("unit changed") << qint64(512000) << "unit MB" << "500 KB" << qint64(500) * 1024 * 1024 << true << false << 1;
    QTest::newRow("box off, value kept") << qint64(512000) << "min off" << "500 KB" << qint64(512000) << false << false << 1;
    QTest::newRow("date box on by its access key") << qint64(512000) << "newer on" << "500 KB" << qint64(512000) << true << true << 1;
}

void TestSettingsDialog::fileLimitsOnClose()
{
    QFETCH(qint64, minSizeBefore);
    QFETCH(QString, action);
    QFETCH(QString, shownBefore);
    QFETCH(qint64, minSizeAfter);
    QFETCH(bool, minOnAfter);
    QFETCH(bool, newerOnAfter);
    QFETCH(int, sets);

    Host->Limits = {};
    Host->Limits.MinSizeOn = true;
    Host->Limits.MinSize = minSizeBefore;
    Host->Limits.Newer = QDateTime(QDate(2003, 4, 12), QTime(10, 0, 30)).toSecsSinceEpoch();
    QVERIFY(Reopen());
    Dialog->TabControlBase->setCurrentIndex(TForm3::SearchTab);
    QCOMPARE(Dialog->EditMinSize->text() + u' ' + Dialog->ComboMinSizeUnit->currentText(), shownBefore);
    // A field is enabled only while its box is on.
    QVERIFY(Dialog->EditMinSize->isEnabled());
    QVERIFY(!Dialog->EditNewer->isEnabled());
    QCOMPARE(Dialog->EditNewer->dateTime().toSecsSinceEpoch(), Host->Limits.Newer);
    if (action.startsWith(QLatin1String("type "))) {
        Dialog->EditMinSize->selectAll();
        QTest::keyClicks(Dialog->EditMinSize, action.mid(5));
    } else if (action.startsWith(QLatin1String("unit "))) {
        Dialog->ComboMinSizeUnit->setCurrentText(action.mid(5));
    } else if (action == QLatin1String("min off")) {
        Dialog->CheckMinSize->click();
        QVERIFY(!Dialog->EditMinSize->isEnabled());
    } else if (action == QLatin1String("newer on")) {
        QTest::keyClick(Dialog.get(), Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(Dialog->EditNewer->isEnabled()); // a button's access key clicks it a moment later
    }
    QCOMPARE(Host->LimitSets, 0); // nothing handed over before the dialog closes
    QVERIFY(Dialog->close());
    QCOMPARE(Host->LimitSets, sets);
    QCOMPARE(Host->Limits.MinSize, minSizeAfter);
    QCOMPARE(Host->Limits.MinSizeOn, minOnAfter);
    QCOMPARE(Host->Limits.NewerOn, newerOnAfter);
    QCOMPARE(Host->Limits.Newer, QDateTime(QDate(2003, 4, 12), QTime(10, 0, 30)).toSecsSinceEpoch());
}

void TestSettingsDialog::searchTabKeyboard()
{
    QVERIFY(Reopen());
    // Ctrl+Tab steps through the tabs, Ctrl+Shift+Tab back, both around.
    Dialog->ListViewTool->setFocus();
    QTest::keyClick(Dialog->ListViewTool, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::ShortcutsTab));
    QTest::keyClick(Dialog->ListViewTool, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::SearchTab));
    QVERIFY(Dialog->EditExcludeDirs->hasFocus());
    QTest::keyClick(Dialog->EditExcludeDirs, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::ToolsTab));
    QTest::keyClick(Dialog->ListViewTool, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::SearchTab));

    // Tab goes on to the filters' boxes (their fields are off) and around
    // back to the field; Alt+X comes back to it from anywhere.
    QTest::keyClick(Dialog->EditExcludeDirs, Qt::Key_Tab);
    QVERIFY(Dialog->CheckMinSize->hasFocus());
    QTest::keyClick(Dialog->CheckMinSize, Qt::Key_Tab);
    QVERIFY(Dialog->CheckMaxSize->hasFocus());
    QTest::keyClick(Dialog->CheckMaxSize, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(Dialog->CheckMinSize, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(Dialog->EditExcludeDirs->hasFocus());
    Dialog->EditExcludeDirs->clearFocus();
    QTest::keyClick(Dialog.get(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(Dialog->EditExcludeDirs->hasFocus());

    // On the tools tab Alt+X reaches nothing hidden, and in the shortcut
    // field Ctrl+Tab is a shortcut to record, not a change of tab.
    Dialog->TabControlBase->setCurrentIndex(TForm3::ToolsTab);
    Dialog->EditCaption->setFocus();
    QTest::keyClick(Dialog->EditCaption, Qt::Key_X, Qt::AltModifier);
    QVERIFY(!Dialog->EditExcludeDirs->hasFocus());
    Dialog->EditShortCut->setFocus();
    QTest::keyClick(Dialog->EditShortCut, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(Dialog->TabControlBase->currentIndex(), int(TForm3::ToolsTab));
    QCOMPARE(Dialog->EditShortCut->text(), QStringLiteral("Ctrl+Tab"));
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
