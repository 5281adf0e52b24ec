#include "Form3.h"
#include "MainWindow.h"
#include "WKSpeedEdit.h"
#include "QtTranslations.h"
#include "ShortcutCodes.h"
#include "ShortcutMenu.h"
#include "StatusBar.h"
#include "TestTree.h"
#include "SingleInstance.h"
#include "ResultListView.h"
#include "WKSpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include "TestMain.h"

#include <QtTest>

#include <memory>

class TestViewCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void menusUseOwnShortcutText_data();
    void menusUseOwnShortcutText();
    void everyMenuUsesOwnShortcutText();
    void qtTextsInJapanese();
    void searchBoxKeepsTypedText_data();
    void searchBoxKeepsTypedText();
    void typingIsNotCompleted_data();
    void typingIsNotCompleted();
    void countsAreNeverCut();
    void goUp_data();
    void goUp();
    void goUpTwiceFromSub();
    void alignmentInStep_data();
    void alignmentInStep();
    void fileFormInStep_data();
    void fileFormInStep();
    void depthBoxFollowsSubfolders();
    void autoColumnRefitsWhenTurnedOn();
    void singleInstanceFollowsOption();
    void onlineHelp_data();
    void onlineHelp();
    void readme();
    void settingsDialogChangesShortcutAtOnce();
    void settingsDialogSetsExcludedFolders();

private:
    QAction *Action(const char *name) const;
    TShortcutMenu *MenuOf(const QAction *action) const;

    QComboBox *Box(const QString &name) const;

    TForm1 *Window = nullptr;
};

namespace {

// Types text into a widget key by key, as a keyboard would, whatever the
// characters (QTest::keyClicks only knows Latin-1).
void Type(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// Answers the next modal message box with the given button and remembers
// what it showed.
class TBoxAnswer : public QObject
{
public:
    QString Caption, Text;
    QList<QMessageBox::StandardButton> Buttons;
    void Arm(QMessageBox::StandardButton answer)
    {
        QTimer::singleShot(0, this, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                Arm(answer); // not up yet
                return;
            }
            Caption = box->windowTitle();
            Text = box->text();
            for (QAbstractButton *b : box->buttons())
                Buttons << box->standardButton(b);
            box->button(answer)->click();
        });
    }
};

// Puts the tree's root in for "{T}".
QString InTree(const TTestTree &tree, QString text)
{
    return text.replace(QStringLiteral("{T}"), tree.Root());
}

} // namespace

void TestViewCommands::init()
{
    Window = new TForm1;
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window));
}

void TestViewCommands::cleanup()
{
    delete Window;
    Window = nullptr;
}

QAction *TestViewCommands::Action(const char *name) const
{
    return Window->findChild<QAction *>(QString::fromLatin1(name));
}

TShortcutMenu *TestViewCommands::MenuOf(const QAction *action) const
{
    for (TShortcutMenu *menu : Window->menuBar()->findChildren<TShortcutMenu *>()) {
        if (menu->actions().contains(action))
            return menu;
    }
    return nullptr;
}

void TestViewCommands::menusUseOwnShortcutText_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<quint16>("code"); // 0: keep the designed shortcut
    QTest::addColumn<QString>("shown");

    QTest::newRow("search") << "ActionFileGrep" << quint16(0) << "Ctrl+Enter";
    QTest::newRow("cancel") << "ActionFileCancel" << quint16(0) << "Esc";
    QTest::newRow("exit") << "ActionFileExit" << quint16(0) << "Alt+F4";
    QTest::newRow("go up") << "ActionViewTargetParent" << quint16(0) << "Ctrl+Up";
    QTest::newRow("centre") << "ActionViewAlignC" << quint16(0) << "Shift+Ctrl+2";
    QTest::newRow("settings") << "ActionOptionTool" << quint16(0) << "F9";
    QTest::newRow("no shortcut") << "ActionOptionMutex" << quint16(0) << "";
    QTest::newRow("backspace") << "ActionViewDetail" << quint16(0x08) << "BkSp";
    QTest::newRow("delete") << "ActionViewDetail" << quint16(0x2E) << "Del";
    QTest::newRow("page up") << "ActionViewDetail" << quint16(0x4000 | 0x21) << "Ctrl+PgUp";
    QTest::newRow("page down") << "ActionViewDetail" << quint16(0x8000 | 0x22) << "Alt+PgDn";
    QTest::newRow("insert") << "ActionViewDetail" << quint16(0x2D) << "Ins";
    QTest::newRow("all modifiers") << "ActionViewDetail" << quint16(0xE000 | 0x74) << "Shift+Ctrl+Alt+F5";
}

void TestViewCommands::menusUseOwnShortcutText()
{
    QFETCH(QString, action);
    QFETCH(quint16, code);
    QFETCH(QString, shown);

    QAction *a = Action(qPrintable(action));
    QVERIFY(a);
    if (code != 0)
        a->setShortcuts(TShortcutCodes::ToKeySequences(code));
    TShortcutMenu *menu = MenuOf(a);
    QVERIFY(menu);
    const QString caption = a->text();
    QCOMPARE(menu->EntryText(a), shown.isEmpty() ? caption : caption + u'\t' + shown);
    // The caption itself stays clean: check boxes and the settings dialog use it.
    QVERIFY(!a->text().contains(u'\t'));
}

void TestViewCommands::everyMenuUsesOwnShortcutText()
{
    // Every menu of the window, its submenus and popups included, draws
    // shortcuts the program's way; a plain QMenu would fall back to Qt's.
    QList<QMenu *> menus{Window->PopupMenuRefer, Window->PopupMenuResult};
    QList<QAction *> entries = Window->menuBar()->actions();
    while (!entries.isEmpty()) {
        if (QMenu *menu = entries.takeFirst()->menu()) {
            menus << menu;
            entries << menu->actions();
        }
    }
    QCOMPARE(menus.size(), 8);
    for (QMenu *menu : menus)
        QVERIFY2(qobject_cast<TShortcutMenu *>(menu), qPrintable(menu->title()));
}

void TestViewCommands::qtTextsInJapanese()
{
    QVERIFY2(TQtTranslations::Install(), qPrintable(TQtTranslations::Folder()));
    auto isJapanese = [](const QString &text) {
        return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x3000; });
    };

    // Standard buttons of message boxes.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("kestu"), QStringLiteral("x"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    const QString cancel = box.button(QMessageBox::Cancel)->text();
    QVERIFY2(isJapanese(cancel), qPrintable(cancel));

    // The edit boxes' context menu.
    QLineEdit edit;
    edit.setText(QStringLiteral("abc"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    int japanese = 0;
    for (QAction *a : menu->actions())
        japanese += a->isSeparator() || isJapanese(a->text()) ? 1 : 0;
    QCOMPARE(japanese, menu->actions().size());

    // The file dialog.
    const QString open = QCoreApplication::translate("QFileDialog", "Look in:");
    QVERIFY2(isJapanese(open), qPrintable(open));
}

QComboBox *TestViewCommands::Box(const QString &name) const
{
    return Window->findChild<QComboBox *>(name);
}

void TestViewCommands::searchBoxKeepsTypedText_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("typed");

    QTest::newRow("older spelling in lower case") << QStringList{"abc"} << "ABC";
    QTest::newRow("older spelling further down") << QStringList{"x", "y", "Abc"} << "aBC";
    QTest::newRow("same spelling") << QStringList{"ABC"} << "ABC";
}

void TestViewCommands::searchBoxKeepsTypedText()
{
    QFETCH(QStringList, history);
    QFETCH(QString, typed);

    TTestTree tree;
    tree.File(QStringLiteral("a.txt"), QStringLiteral("abc ABC aBC\n").toUtf8());
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    Window->ActionOptionIgnoreCase->setChecked(false);
    Window->ComboBoxTarget->setEditText(tree.Root());
    Window->ComboBoxFilter->setEditText(QStringLiteral("*"));
    QComboBox *grep = Window->ComboBoxGrep;
    grep->addItems(history);
    grep->setEditText(QString());
    grep->setFocus();
    QTRY_VERIFY(grep->lineEdit()->hasFocus());
    Type(grep->lineEdit(), typed);
    QCOMPARE(grep->currentText(), typed);
    QTest::keyClick(grep->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());

    // The search ran for the typed text, the focus went to the list, and
    // the box still shows what was typed; the history kept its spelling.
    QVERIFY(!Window->HitList.IsEmpty());
    QVERIFY(!grep->lineEdit()->hasFocus());
    QCOMPARE(grep->currentText(), typed);
    QCOMPARE(grep->itemText(0), history.contains(typed, Qt::CaseInsensitive)
                                    ? history.filter(typed, Qt::CaseInsensitive).first()
                                    : typed);
    // Once more through the box and out again: still as typed.
    grep->setFocus();
    QTRY_VERIFY(grep->lineEdit()->hasFocus());
    Window->ComboBoxTarget->setFocus();
    QTRY_VERIFY(!grep->lineEdit()->hasFocus());
    QCOMPARE(grep->currentText(), typed);
    Window->CaptureSettings();
    QCOMPARE(Window->Settings.Grep, typed);
}

void TestViewCommands::typingIsNotCompleted_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("typed");

    QTest::newRow("search text") << "ComboBoxGrep" << QStringList{"検索[がの]"} << "検索[";
    QTest::newRow("search text, other case") << "ComboBoxGrep" << QStringList{"Abcdef"} << "ab";
    QTest::newRow("filter") << "ComboBoxFilter" << QStringList{"*.txt,*.html"} << "*.t";
    QTest::newRow("target") << "ComboBoxTarget" << QStringList{"/tmp/abc/"} << "/tmp/a";
}

void TestViewCommands::typingIsNotCompleted()
{
    QFETCH(QString, box);
    QFETCH(QStringList, history);
    QFETCH(QString, typed);

    QComboBox *combo = Box(box);
    QVERIFY(combo);
    Window->ComboBoxTarget->setEditText(QStringLiteral("/")); // the filter box takes input
    combo->clear();
    combo->addItems(history);
    combo->setEditText(QString());
    combo->setFocus();
    Type(combo->lineEdit(), typed);
    QCOMPARE(combo->currentText(), typed);
    QVERIFY(!combo->lineEdit()->hasSelectedText());
    QVERIFY(!combo->completer());
    // The drop-down history is still there.
    QCOMPARE(combo->count(), history.size());
}

void TestViewCommands::countsAreNeverCut()
{
    TStatusBar *bar = Window->StatusBar1;
    const QRect alignPanel = bar->PanelRect(3);
    const int designed = bar->PanelWidth(1);

    for (const QString &hits : {QStringLiteral("該当: 357,143"), QStringLiteral("該当: 1,234,567,890")}) {
        Window->UpdateStatus(QStringLiteral("対象: 123,456,789"), hits, QStringLiteral("検索終了"));
        for (int panel : {0, 1})
            QVERIFY2(bar->PanelWidth(panel) >= bar->TextWidth(panel), qPrintable(bar->PanelText(panel)));
        // The panels right of the stretching one keep their place.
        QCOMPARE(bar->PanelRect(3), alignPanel);
    }
    // A resize keeps the room the counts need.
    Window->resize(Window->width() + 30, Window->height());
    QTRY_COMPARE(bar->PanelRect(3).right(), alignPanel.right() + 30);
    QVERIFY(bar->PanelWidth(1) >= bar->TextWidth(1));

    // Short counts give the room back.
    Window->UpdateStatus(QStringLiteral("対象: 1"), QStringLiteral("該当: 2"), QString());
    QCOMPARE(bar->PanelWidth(1), designed);
    QCOMPARE(bar->PanelRect(3).right(), alignPanel.right() + 30);
}

void TestViewCommands::goUp_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("autoFilter");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("expectedTarget");
    QTest::addColumn<QString>("expectedFilter");
    QTest::addColumn<bool>("filterEnabled");

    const QStringList three{"*.c,*.cpp,*.h", "*.txt,*.html,*.htm", "*.txt"};
    QTest::newRow("folder with /") << "{T}t/sub/" << false << three << "{T}t/" << "*.c,*.cpp,*.h" << true;
    QTest::newRow("folder without /") << "{T}t/sub" << false << three << "{T}" << "*.c,*.cpp,*.h" << true;
    QTest::newRow("file, automatic filter") << "{T}t/Note.TXT" << true << three << "{T}t/" << "*.txt,*.html,*.htm" << true;
    QTest::newRow("file, nothing fits") << "{T}t/Note.TXT" << true << QStringList{"*.htm"} << "{T}t/" << "*.htm" << true;
    QTest::newRow("file, prefix of an extension")
        << "{T}t/page.htm" << true << QStringList{"*.html", "*.html,*.htm"} << "{T}t/" << "*.html,*.htm" << true;
    QTest::newRow("file, choice off") << "{T}t/Note.TXT" << false << three << "{T}t/" << "*.c,*.cpp,*.h" << true;
    QTest::newRow("folder, choice on") << "{T}t/sub/" << true << three << "{T}t/" << "*.c,*.cpp,*.h" << true;
    QTest::newRow("missing file, choice on") << "{T}t/gone.txt" << true << three << "{T}t/" << "*.txt,*.html,*.htm" << true;
    QTest::newRow("name that exists nowhere") << "abcd" << true << three << "" << "*.c,*.cpp,*.h" << false;
    QTest::newRow("top folder") << "/tmp" << false << three << "/" << "*.c,*.cpp,*.h" << true;
    QTest::newRow("top folder with /") << "/tmp/" << false << three << "/" << "*.c,*.cpp,*.h" << true;
}

void TestViewCommands::goUp()
{
    QFETCH(QString, target);
    QFETCH(bool, autoFilter);
    QFETCH(QStringList, filters);
    QFETCH(QString, expectedTarget);
    QFETCH(QString, expectedFilter);
    QFETCH(bool, filterEnabled);

    TTestTree tree;
    tree.Folder(QStringLiteral("t/sub"));
    tree.File(QStringLiteral("t/Note.TXT"), "x");
    tree.File(QStringLiteral("t/page.htm"), "x");
    Window->ActionOptionAutoFilter->setChecked(autoFilter);
    Window->ComboBoxFilter->clear();
    Window->ComboBoxFilter->addItems(filters);
    Window->ComboBoxFilter->setEditText(filters.first());
    Window->ComboBoxTarget->setEditText(InTree(tree, target));
    const QStringList targets{Window->ComboBoxTarget->currentText()};
    Window->ComboBoxTarget->addItems(targets);

    Window->ActionViewTargetParent->trigger();
    QCOMPARE(Window->ComboBoxTarget->currentText(), InTree(tree, expectedTarget));
    QCOMPARE(Window->ComboBoxFilter->currentText(), expectedFilter);
    QCOMPARE(Window->ComboBoxFilter->isEnabled(), filterEnabled);
    QCOMPARE(Window->LabelFilter->isEnabled(), filterEnabled);
    // No search starts and the histories stay as they were.
    QVERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->ComboBoxFilter->count(), filters.size());
    QCOMPARE(Window->ComboBoxTarget->count(), 1);
}

void TestViewCommands::goUpTwiceFromSub()
{
    // Ctrl+Up walks up to the root and stays there; at the root the filter
    // box's state is left alone.
    TTestTree tree;
    tree.Folder(QStringLiteral("t/sub"));
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    Window->ComboBoxTarget->setEditText(tree.Path(QStringLiteral("t/sub/")));
    QTest::keyClick(Window, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Window->ComboBoxTarget->currentText(), tree.Path(QStringLiteral("t/")));
    QStringList seen;
    for (int i = 0; i < 64 && Window->ComboBoxTarget->currentText() != QStringLiteral("/"); ++i) {
        seen << Window->ComboBoxTarget->currentText();
        QTest::keyClick(Window, Qt::Key_Up, Qt::ControlModifier);
    }
    QCOMPARE(Window->ComboBoxTarget->currentText(), QStringLiteral("/"));
    QCOMPARE(seen.size(), tree.Root().count(u'/') ); // one step per level
    Window->ComboBoxFilter->setEnabled(false);
    QTest::keyClick(Window, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Window->ComboBoxTarget->currentText(), QStringLiteral("/"));
    QVERIFY(!Window->ComboBoxFilter->isEnabled());
}

void TestViewCommands::alignmentInStep_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("tag");

    for (const char *way : {"menu", "button", "shortcut"}) {
        for (int tag : {0, 1, 2, 0})
            QTest::addRow("%s %d", way, tag) << QString::fromLatin1(way) << tag;
    }
}

void TestViewCommands::alignmentInStep()
{
    QFETCH(QString, way);
    QFETCH(int, tag);

    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    const QList<QAction *> actions{Window->ActionViewAlignL, Window->ActionViewAlignC, Window->ActionViewAlignR};
    const QList<QToolButton *> buttons{Window->SpeedButtonAlignL, Window->SpeedButtonAlignC,
                                       Window->SpeedButtonAlignR};
    // Start from another alignment than the one asked for.
    actions[(tag + 1) % 3]->trigger();
    if (way == QLatin1String("menu"))
        actions[tag]->trigger();
    else if (way == QLatin1String("button"))
        QTest::mouseClick(buttons[tag], Qt::LeftButton);
    else
        QTest::keyClick(Window, Qt::Key(Qt::Key_1 + tag), Qt::ControlModifier | Qt::ShiftModifier);

    QCOMPARE(Window->Display.PAlign, tag);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(actions[i]->isChecked(), i == tag);
        QCOMPARE(buttons[i]->isChecked(), i == tag);
    }
    // The buttons sit in the status bar's fourth panel.
    for (QToolButton *b : buttons) {
        QCOMPARE(b->parentWidget(), static_cast<QWidget *>(Window->StatusBar1));
        QVERIFY(Window->StatusBar1->PanelRect(3).contains(b->geometry()));
    }
}

void TestViewCommands::fileFormInStep_data()
{
    QTest::addColumn<bool>("byShortcut");
    QTest::addColumn<int>("tag");
    for (int tag : {2, 1, 0})
        QTest::addRow("menu %d", tag) << false << tag;
    for (int tag : {2, 1, 0})
        QTest::addRow("shortcut %d", tag) << true << tag;
}

void TestViewCommands::fileFormInStep()
{
    QFETCH(bool, byShortcut);
    QFETCH(int, tag);

    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    const QList<QAction *> actions{Window->ActionViewFType0, Window->ActionViewFType1, Window->ActionViewFType2};
    actions[(tag + 1) % 3]->trigger();
    if (byShortcut)
        QTest::keyClick(Window, Qt::Key(Qt::Key_1 + tag), Qt::ControlModifier);
    else
        actions[tag]->trigger();
    QCOMPARE(Window->Display.FType, tag);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(actions[i]->isChecked(), i == tag);
    // Choosing the checked one again keeps it checked.
    actions[tag]->trigger();
    QVERIFY(actions[tag]->isChecked());
    QCOMPARE(Window->Display.FType, tag);
}

void TestViewCommands::depthBoxFollowsSubfolders()
{
    Window->ActionOptionSubDirectory->setChecked(false);
    Window->ActionOptionSubDirectory->trigger(); // on
    QVERIFY(Window->EditSubLimit->isEnabled());
    QVERIFY(Window->LabelSubLimit->isEnabled());
    Window->EditSubLimit->SetFValue(7);
    // Off through the check box: greyed at once, the value kept.
    Window->CheckBoxSubDirectory->click();
    QVERIFY(!Window->ActionOptionSubDirectory->isChecked());
    QVERIFY(!Window->CheckBoxSubDirectory->isChecked());
    QVERIFY(!Window->EditSubLimit->isEnabled());
    QVERIFY(!Window->LabelSubLimit->isEnabled());
    QCOMPARE(Window->EditSubLimit->Value(), 7);
    // On through the menu's action.
    Window->ActionOptionSubDirectory->trigger();
    QVERIFY(Window->CheckBoxSubDirectory->isChecked());
    QVERIFY(Window->EditSubLimit->isEnabled());
    QCOMPARE(Window->EditSubLimit->Value(), 7);

    // The other two search options only flip, box and action together.
    for (QAction *a : {Window->ActionOptionRegExpr, Window->ActionOptionIgnoreCase}) {
        QCheckBox *box = a == Window->ActionOptionRegExpr ? Window->CheckBoxRegExpr : Window->CheckBoxIgnoreCase;
        const bool before = a->isChecked();
        box->click();
        QCOMPARE(a->isChecked(), !before);
        QCOMPARE(box->isChecked(), !before);
        a->trigger();
        QCOMPARE(box->isChecked(), before);
    }
}

void TestViewCommands::autoColumnRefitsWhenTurnedOn()
{
    TResultListView *list = Window->ListViewResult;
    Window->ActionOptionAutoColumn->setChecked(false);
    Window->ActionOptionAutoColumnExecute();
    list->setColumnWidth(1, 60);
    const auto fitted = [list] {
        int others = 0;
        for (int c : {0, 2, 3, 4})
            others += list->columnWidth(c);
        return list->viewport()->width() - others - 1;
    };
    QVERIFY(fitted() != 60);
    Window->ActionOptionAutoColumn->trigger(); // on: refits at once
    QVERIFY(Window->ActionOptionAutoColumn->isChecked());
    QCOMPARE(list->columnWidth(1), fitted());
    const int width = list->columnWidth(1);
    Window->ActionOptionAutoColumn->trigger(); // off: the width stays
    QVERIFY(!Window->Display.AutoColumn);
    QCOMPARE(list->columnWidth(1), width);
    // ...also when the list grows afterwards.
    const int viewport = list->viewport()->width();
    Window->resize(Window->width() + 50, Window->height());
    QTRY_VERIFY(list->viewport()->width() > viewport);
    QCOMPARE(list->columnWidth(1), width);
}

void TestViewCommands::singleInstanceFollowsOption()
{
    TTestTree tree;
    Window->SingleInstanceName = tree.Path(QStringLiteral("lock"));
    Window->ActionOptionMutex->setChecked(false);
    Window->UpdateSingleInstance();
    TSingleInstance other(Window->SingleInstanceName);

    Window->ActionOptionMutex->trigger(); // on: the lock is taken at once
    QVERIFY(Window->SingleInstance && Window->SingleInstance->IsHeld());
    QVERIFY(!other.Acquire());
    Window->ActionOptionMutex->trigger(); // off: released at once
    QVERIFY(!Window->SingleInstance->IsHeld());
    QVERIFY(other.Acquire());
    other.Release();
    Window->ActionOptionMutex->trigger();
    QVERIFY(Window->SingleInstance->IsHeld());
}

void TestViewCommands::onlineHelp_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opens");
    QTest::newRow("OK") << int(QMessageBox::Ok) << true;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false;
}

void TestViewCommands::onlineHelp()
{
    QFETCH(int, answer);
    QFETCH(bool, opens);

    QList<QUrl> opened;
    Window->OpenDocument = [&opened](const QUrl &url) { opened << url; };
    TBoxAnswer box;
    box.Arm(QMessageBox::StandardButton(answer));
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    QTest::keyClick(Window, Qt::Key_F1);

    QCOMPARE(box.Caption, QStringLiteral("online Help"));
    QCOMPARE(box.Text, TForm1::OnlineHelpAddress());
    QCOMPARE(box.Buttons.size(), 2);
    QVERIFY(box.Buttons.contains(QMessageBox::Ok) && box.Buttons.contains(QMessageBox::Cancel));
    if (!opens) {
        QVERIFY(opened.isEmpty());
        return;
    }
    QCOMPARE(opened.size(), 1);
    // The same address, a file URL of the bundled manual, which the build
    // put beside the program.
    QCOMPARE(opened.first().toString(), box.Text);
    QVERIFY(opened.first().isLocalFile());
    QCOMPARE(opened.first().fileName(), QStringLiteral("manual.html"));
    QVERIFY(QFileInfo::exists(opened.first().toLocalFile()));
}

void TestViewCommands::readme()
{
    QList<QUrl> opened;
    Window->OpenDocument = [&opened](const QUrl &url) { opened << url; };
    Window->ActionHelpReadme->trigger();
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().isLocalFile());
    const QFileInfo file(opened.first().toLocalFile());
    QCOMPARE(file.fileName(), QStringLiteral("readme.txt"));
    const QString folder = QCoreApplication::applicationDirPath();
    QVERIFY2(file.absolutePath() == folder
                 || file.absolutePath() == QDir::cleanPath(folder + QStringLiteral("/../share/doc/kestu")),
             qPrintable(file.absolutePath()));
}

void TestViewCommands::settingsDialogChangesShortcutAtOnce()
{
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    QSignalSpy edited(Window, &TForm1::ToolListEdited);
    const int row = int(Window->ActionListMain.indexOf(Window->ActionViewDetail));
    QString title;
    bool sawForm3 = false;
    // F9 opens the dialog; the user picks the detail command on the
    // shortcuts tab, presses Ctrl+K in the shortcut field, applies, closes.
    std::function<void()> act = [&] {
        auto *dialog = qobject_cast<TForm3 *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(0, this, act);
            return;
        }
        title = dialog->windowTitle();
        sawForm3 = Window->Form3 == dialog;
        dialog->TabControlBase->setCurrentIndex(TForm3::ShortcutsTab);
        dialog->SelectRow(row);
        QTest::keyClick(dialog->EditShortCut, Qt::Key_K, Qt::ControlModifier);
        dialog->ActionEditEdit->trigger();
        dialog->close();
    };
    QTimer::singleShot(0, this, act);
    QTest::keyClick(Window, Qt::Key_F9);
    QCOMPARE(title, QStringLiteral("環境設定"));
    QVERIFY(sawForm3);
    QVERIFY(!Window->Form3);
    QCOMPARE(edited.size(), 1);

    // The new key works at once, the menu shows it, the settings keep it.
    QCOMPARE(Window->ActionViewDetail->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    const bool before = Window->ActionViewDetail->isChecked();
    QTest::keyClick(Window, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(Window->ActionViewDetail->isChecked(), !before);
    QTest::keyClick(Window, Qt::Key_D, Qt::ControlModifier); // the old key is gone
    QCOMPARE(Window->ActionViewDetail->isChecked(), !before);
    TShortcutMenu *menu = MenuOf(Window->ActionViewDetail);
    QVERIFY(menu->EntryText(Window->ActionViewDetail).endsWith(QStringLiteral("\tCtrl+K")));
    QCOMPARE(int(Window->Settings.ShortcutOf(QStringLiteral("ActionViewDetail"))), 0x4000 | 'K');
}

void TestViewCommands::settingsDialogSetsExcludedFolders()
{
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window));
    QString shown = QStringLiteral("<not shown>");
    // F9, the search tab, new patterns typed over the old, Esc.
    std::function<void()> act = [&] {
        auto *dialog = qobject_cast<TForm3 *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(0, this, act);
            return;
        }
        dialog->TabControlBase->setCurrentIndex(TForm3::SearchTab);
        shown = dialog->EditExcludeDirs->text();
        dialog->EditExcludeDirs->selectAll();
        QTest::keyClicks(dialog->EditExcludeDirs, QStringLiteral(".git, node_modules"));
        QTest::keyClick(dialog->EditExcludeDirs, Qt::Key_Escape);
    };
    Window->Settings.ExcludeDirs = QStringLiteral("build");
    QTimer::singleShot(0, this, act);
    QTest::keyClick(Window, Qt::Key_F9);
    QVERIFY(!Window->Form3);
    QCOMPARE(shown, QStringLiteral("build"));
    QCOMPARE(Window->Settings.ExcludeDirs, QStringLiteral(".git,node_modules"));
}

KESTU_TEST_CLASS(TestViewCommands)
#include "tst_viewcommands.moc"
