#include "MessageCatcher.h"
#include "MainWindow.h"
#include "MemberCopies.h"
#include "PreviewPane.h"
#include "FileKind.h"
#include "NativePath.h"
#include "ShortcutCodes.h"
#include "ResultListView.h"
#include "IniFile.h"
#include "Cp932.h"
#include "StatusBar.h"
#include "TargetDialogs.h"
#include "FolderBrowser.h"
#include "TestTree.h"
#include "WindowDefaults.h"
#include "WKSpinEdit.h"

#include <cerrno>
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QStringEncoder>
#include <sys/fsuid.h>
#include <sys/types.h>
#include <unistd.h>
#include <QUrl>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include "TestMain.h"

#include <QtTest>
#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// Answers the target dialogs as a person would, and remembers how they were opened.
class TScriptedDialogs : public TTargetDialogs
{
public:
    QString Answer;
    QString AskedFile, AskedFolder, AskedTitle;
    QString OpenFile(QWidget *, const QString &file, const QString &folder) override
    {
        AskedFile = file;
        AskedFolder = folder;
        return Answer;
    }
    QString BrowseForFolder(const QString &title, const QString &folder, QWidget *) override
    {
        AskedTitle = title;
        AskedFolder = folder;
        return Answer;
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void actionsFollowActionTable();
    void designedLayout();
    void resizeKeepsAnchors_data();
    void resizeKeepsAnchors();
    void detailRowsToggle();
    void searchRunsAndFinishes();
    void longListIsReplacedByAFreshOne();
    void searchSaysWhatItCouldNotSearch();
    void excludedFoldersReachTheSearch();
    void fileLimitsReachTheSearch();
    void inputMessages_data();
    void inputMessages();
    void rowsFollowArrivingHits();
    void cancelStopsAndRestartWorks();
    void enterWhileSearchingDoesNothing();
    void targetBaseLength_data();
    void targetBaseLength();
    void selectionShowsPathWhenIdle();
    void applyArgument_data();
    void applyArgument();
    void historiesGrow();
    void closeDuringWorkerMessage();
    void viewCommands();
    void filterFollowsTarget();
    void accessKeys_data();
    void accessKeys();
    void badRegExpStopsBeforeSearch();
    void settingsWithSharedKeyKeepTheFirst();
    void fileCommand_data();
    void fileCommand();
    void folderCommand_data();
    void folderCommand();
    void drop_data();
    void drop();
    void dropOfNameThatIsNotUtf8();
    void sizingClearsOtherSelections();
    void settingsRoundTrip();
    void notationOptionsStoredAndHighlighted();
    void archiveHitGoesToACopy();
    void settingsFromNothing();
    void settingsPlacement_data();
    void settingsPlacement();
    void settingsSaveFailureIsReported();
    void settingsSaveKeepsOtherSections();
    void settingsSaveRefusedWhenUnreadable();
    void singleInstanceHandOver();
    void singleInstanceOff();
    void targetNotUtf8SurvivesRestart_data();
    void targetNotUtf8SurvivesRestart();
    void folderBrowserShowsAndOpensNamesNotUtf8();
    void settingsOnlyOntoRegularFiles_data();
    void settingsOnlyOntoRegularFiles();
    void settingsThroughLinkToFileKeepTheLink();
    void settingsInOtherCodesKeepTheirText_data();
    void settingsInOtherCodesKeepTheirText();
    void settingsInNoKnownCodeAreNotWrittenOver();
    void signalCloseReportsSaveFailure();
    void signalCloseEndsAnOpenBox();
    void signalDuringStartUpBoxEndsTheStart();

private:
    // A tree with millions of hits, set as target with "x" as search text:
    // a search of it runs long enough to be interrupted.
    void PrepareLongSearch();

    TForm1 *Window = nullptr;
    TTestTree *Tree = nullptr;
};

void TestMainWindow::init()
{
    Window = new TForm1;
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window));
    Tree = new TTestTree;
}

void TestMainWindow::cleanup()
{
    delete Window;
    Window = nullptr;
    delete Tree;
    Tree = nullptr;
}

void TestMainWindow::actionsFollowActionTable()
{
    // One action per table entry, in table order, built as the entry says.
    QCOMPARE(Window->ActionListMain.size(), TActionTable::Count);
    for (int i = 0; i < TActionTable::Count; ++i) {
        const TActionTable::TEntry &entry = TActionTable::Entries()[size_t(i)];
        const QAction *action = Window->ActionListMain.at(i);
        QCOMPARE(action->objectName(), entry.NameText());
        QCOMPARE(action->text(), entry.CaptionText());
        QCOMPARE(action->property("category").toString(), entry.CategoryText());
        QCOMPARE(action->isCheckable(), entry.Checkable);
        QCOMPARE(TShortcutCodes::FromKeySequence(action->shortcut()), entry.KeyCode);
        QCOMPARE(action->shortcuts(), TShortcutCodes::ToKeySequences(entry.KeyCode));
        if (entry.Group != TActionTable::TGroup::None)
            QCOMPARE(action->data().toInt(), entry.Tag);
        // What the settings file lists is what the window has.
        QCOMPARE(Window->Settings.Action.at(i).Name, action->objectName());
    }
    // The named members are the table's actions.
    QCOMPARE(Window->ActionFileGrep->objectName(), QStringLiteral("ActionFileGrep"));
    QCOMPARE(Window->ActionViewAlignR->objectName(), QStringLiteral("ActionViewAlignR"));
    QCOMPARE(Window->ActionToolsResultTarget->objectName(), QStringLiteral("ActionToolsResultTarget"));
    // The keys a user presses.
    QCOMPARE(Window->ActionFileGrep->shortcuts(),
             QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}));
    QCOMPARE(Window->ActionFileCancel->shortcut(), QKeySequence(Qt::Key_Escape));
    QCOMPARE(Window->ActionFileExit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
    QCOMPARE(Window->ActionViewAlignR->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_3));
    QCOMPARE(Window->ActionOptionTool->shortcut(), QKeySequence(Qt::Key_F9));
    QCOMPARE(Window->ActionFileGrep->text(), QStringLiteral("検索(&G)"));
    QCOMPARE(Window->ActionToolsProperty->property("category").toString(), QStringLiteral("検索結果"));
    QVERIFY(Window->ActionFileGrep->isEnabled());
    QVERIFY(!Window->ActionFileCancel->isEnabled());
    QVERIFY(Window->ActionViewFType0->isChecked());
    QVERIFY(Window->ActionViewAlignC->isChecked());
}

void TestMainWindow::designedLayout()
{
    QCOMPARE(Window->windowTitle(), QStringLiteral("kestu"));
    QCOMPARE(Window->minimumWidth(), 450);
    QCOMPARE(Window->ComboBoxFilter->currentText(), QStringLiteral("*.txt"));
    QCOMPARE(Window->ComboBoxFilter->count(), 9);
    QCOMPARE(Window->ComboBoxCode->count(), 7);
    QCOMPARE(Window->ComboBoxCode->currentIndex(), 0);
    QCOMPARE(Window->EditSubLimit->MaxValue(), 64);
    QCOMPARE(Window->StatusBar1->PanelCount(), 5);
    QCOMPARE(Window->StatusBar1->PanelText(0), QStringLiteral("対象:"));
    QCOMPARE(Window->StatusBar1->PanelText(1), QStringLiteral("該当:"));
    QCOMPARE(Window->StatusBar1->PanelWidth(3), 46);
    QCOMPARE(Window->CheckBoxRegExpr->text(), Window->ActionOptionRegExpr->text());
    QCOMPARE(Window->ButtonGrep->text(), QStringLiteral("検索(&G)"));
}

void TestMainWindow::resizeKeepsAnchors_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("expectedWidth");
    QTest::newRow("designed") << 450 << 450;
    QTest::newRow("wider") << 700 << 700;
    QTest::newRow("narrower than the minimum") << 300 << 450;
}

void TestMainWindow::resizeKeepsAnchors()
{
    QFETCH(int, width);
    QFETCH(int, expectedWidth);
    Window->resize(width, 420);
    QTRY_COMPARE(Window->width(), expectedWidth);
    const int panel = Window->PanelSetup->width();
    // Right-anchored buttons keep their distance to the right edge; the boxes stretch.
    QCOMPARE(panel - Window->SpeedButtonTarget->geometry().right(), 442 - 432);
    QCOMPARE(panel - Window->ComboBoxGrep->geometry().right(), 442 - 432);
    QCOMPARE(Window->ComboBoxGrep->x(), 80);
    QCOMPARE(panel - Window->ButtonGrep->geometry().right(), 442 - 430);
    // Panel 2 fills what the others leave.
    int sum = 0;
    for (int i = 0; i < 5; ++i)
        sum += Window->StatusBar1->PanelWidth(i);
    QCOMPARE(sum, Window->StatusBar1->width());
    // The alignment buttons sit side by side inside panel 3.
    const QRect p3 = Window->StatusBar1->PanelRect(3);
    for (QToolButton *b : {Window->SpeedButtonAlignL, Window->SpeedButtonAlignC, Window->SpeedButtonAlignR}) {
        QCOMPARE(b->parentWidget(), static_cast<QWidget *>(Window->StatusBar1));
        QVERIFY(p3.contains(b->geometry()));
    }
    QCOMPARE(Window->SpeedButtonAlignC->x(), Window->SpeedButtonAlignL->geometry().right() + 1);
    QCOMPARE(Window->ComboBoxTarget->view()->minimumWidth(), Window->ComboBoxFilter->width());
}

void TestMainWindow::detailRowsToggle()
{
    // The detail rows are hidden at first.
    QVERIFY(!Window->ActionViewDetail->isChecked());
    QCOMPARE(Window->PanelSetup->height(), 169);
    QVERIFY(!Window->ComboBoxCode->isVisible());
    const int buttonY = Window->ButtonGrep->y();
    const int listY = Window->PanelResult->y();
    Window->ActionViewDetail->trigger();
    QCOMPARE(Window->PanelSetup->height(), 193);
    QVERIFY(Window->ComboBoxCode->isVisible());
    QVERIFY(Window->SpeedButtonDetail->isChecked());
    QCOMPARE(Window->ButtonGrep->y(), buttonY + 24);
    QTRY_COMPARE(Window->PanelResult->y(), listY + 24);
    Window->SpeedButtonDetail->click();
    QVERIFY(!Window->ActionViewDetail->isChecked());
    QVERIFY(!Window->ComboBoxCode->isVisible());
    QCOMPARE(Window->ButtonGrep->y(), buttonY);
}

void TestMainWindow::searchSaysWhatItCouldNotSearch()
{
    // Hits are listed; what could not be searched is counted in one line
    // at the end, naming the first. A link that points at itself cannot be
    // looked at, even by root.
    Tree->File("a.txt", "hit\n");
    QVERIFY(QFile::link(Tree->Path("knot"), Tree->Path("knot")));
    QVERIFY(QFile::link(Tree->Path("tie"), Tree->Path("tie")));
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
    const QString note = Window->StatusBar1->PanelText(2);
    QVERIFY2(note.startsWith(QStringLiteral("検索終了 - 2 件のファイル・フォルダを検索できませんでした (最初: ")),
             qPrintable(note));
    QVERIFY(note.endsWith(qt_error_string(ELOOP) + u')'));
    QCOMPARE(Window->StatusBar1->toolTip(), note);
    // The next search starts its count afresh.
    QFile::remove(Tree->Path("knot"));
    QFile::remove(Tree->Path("tie"));
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->StatusBar1->PanelText(2), QStringLiteral("検索終了"));
    QVERIFY(Window->StatusBar1->toolTip().isEmpty());
}

void TestMainWindow::searchRunsAndFinishes()
{
    Tree->File("a.txt", "one hit\nanother hit here\n");
    Tree->File("sub/b.txt", "hit\n");
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionOptionSubDirectory->setChecked(true);
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QVERIFY(!Window->ActionFileCancel->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(3));
    QCOMPARE(Window->ListViewResult->model()->rowCount(), 3);
    QCOMPARE(Window->StatusBar1->PanelText(0), QStringLiteral("対象: 2/2"));
    QCOMPARE(Window->StatusBar1->PanelText(1), QStringLiteral("該当: 3"));
    QCOMPARE(Window->StatusBar1->PanelText(2), QStringLiteral("検索終了"));
    // A second search replaces the rows, it does not add to them.
    Window->ComboBoxGrep->setEditText("another");
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->ListViewResult->model()->rowCount(), 1);
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
}

void TestMainWindow::excludedFoldersReachTheSearch()
{
    Tree->File("a.txt", "hit\n");
    Tree->File(".git/b.txt", "hit\n");
    Tree->File("sub/node_x/c.txt", "hit\n");
    Tree->File("sub/d.txt", "hit\n");
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionOptionSubDirectory->setChecked(true);
    // As the settings dialog hands the list over.
    Window->SetExcludeDirs(QStringLiteral(".git,node_*"));
    QCOMPARE(Window->ExcludeDirs(), QStringLiteral(".git,node_*"));
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(2));
    // An emptied list enters every folder again.
    Window->SetExcludeDirs(QString());
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(4));
}

void TestMainWindow::fileLimitsReachTheSearch()
{
    Tree->File("small.txt", "hit\n");
    Tree->File("sub/big.txt", QByteArray("hit\n") + QByteArray(4096, ' '));
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionOptionSubDirectory->setChecked(true);
    // As the settings dialog hands them over: at most 1K, the box on.
    TFileLimitChoice limits;
    limits.MaxSize = 1024;
    limits.MaxSizeOn = true;
    Window->SetFileLimits(limits);
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
    // The file left out is not counted among the targets.
    QCOMPARE(Window->StatusBar1->PanelText(0), QStringLiteral("対象: 1/1"));
    // The box off: the value stays, every file is searched.
    limits.MaxSizeOn = false;
    Window->SetFileLimits(limits);
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(2));
    QCOMPARE(Window->FileLimits().MaxSize, qint64(1024));
}

void TestMainWindow::inputMessages_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing target") << "@missing" << "x" << "検索対象がありません";
    QTest::newRow("both wrong: the target comes first") << "@missing" << "" << "検索対象がありません";
    QTest::newRow("empty text") << "@" << "" << "検索文字がありません";
    QTest::newRow("not shift-jis") << "@" << QString::fromUtf8("😀") << "検索文字に Shift-JIS で表せない文字があります";
}

void TestMainWindow::badRegExpStopsBeforeSearch()
{
    // Reported once, by the check, before any file is read; no worker starts.
    Tree->File("a.txt", "abc\n");
    Tree->File("b.txt", "abc\n");
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("a(b");
    Window->ActionOptionRegExpr->setChecked(true);
    TMessageCatcher catcher;
    catcher.Arm();
    Window->ActionFileGrepExecute();
    QCOMPARE(catcher.Texts.size(), 1);
    QVERIFY2(catcher.Texts[0].startsWith(QStringLiteral("正規表現に誤りがあります (2 文字目)")), qPrintable(catcher.Texts[0]));
    QVERIFY(!Window->GrepThread);
    QVERIFY(Window->ActionFileGrep->isEnabled());
}

void TestMainWindow::settingsWithSharedKeyKeepTheFirst()
{
    // A settings file written by hand gives Ctrl+O to two commands and F9
    // to a command and a tool: the first in the dialog's order keeps each.
    const QString ini = Tree->Path("kestu.ini");
    Tree->File("kestu.ini", "[Action]\r\nActionFileOpenFile=" + QByteArray::number(0x4000 | 'O')
                                + "\r\nActionViewDetail=" + QByteArray::number(0x4000 | 'O')
                                + "\r\nActionOptionTool=" + QByteArray::number(0x78)
                                + "\r\n[Tools0]\r\nCaption=T\r\nFilePath=/bin/true\r\nShortCut="
                                + QByteArray::number(0x78) + "\r\n");
    TForm1 again;
    again.SettingsPath = ini;
    again.Start({});
    QCOMPARE(again.ActionFileOpenFile->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QVERIFY(again.ActionViewDetail->shortcuts().isEmpty());
    QCOMPARE(again.Settings.ShortcutOf(u"ActionViewDetail"), quint16(0));
    QCOMPARE(again.ActionOptionTool->shortcut(), QKeySequence(Qt::Key_F9));
    QVERIFY(again.ToolList.Count() == 1);
    QCOMPARE(again.ToolList.At(0)->ShortCut, quint16(0));
    QVERIFY(again.ActionListTools.at(0)->shortcuts().isEmpty());
}

void TestMainWindow::inputMessages()
{
    QFETCH(QString, target);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Window->ComboBoxTarget->setEditText(target.replace(u'@', Tree->Root()));
    Window->ComboBoxGrep->setEditText(text);
    TMessageCatcher catcher;
    catcher.Arm();
    Window->ActionFileGrepExecute();
    QCOMPARE(catcher.Texts, QStringList{message});
    QVERIFY(Window->ActionFileGrep->isEnabled()); // nothing started
    QVERIFY(!Window->GrepThread);
}

void TestMainWindow::longListIsReplacedByAFreshOne()
{
    // After a list of many rows the next search starts on a new view (the
    // old one keeps memory for every row it held); the new one must be the
    // same list to the user: in its place, widths kept, heard by the window.
    QByteArray many;
    for (int i = 0; i < 120000; ++i)
        many += "hit\n";
    Tree->File("many.txt", many);
    Tree->File("one.txt", "one hit\n");
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionOptionSubDirectory->setChecked(true);
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->ListViewResult->model()->rowCount(), 120001);
    QPointer<TResultListView> old = Window->ListViewResult;
    old->setColumnWidth(1, 177);
    old->setFocus();

    Window->ComboBoxTarget->setEditText(Tree->Path("one.txt"));
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    TResultListView *fresh = Window->ListViewResult;
    QVERIFY(fresh != old.data());
    QTRY_VERIFY(old.isNull());
    QCOMPARE(Window->findChildren<TResultListView *>().size(), 1);
    QCOMPARE(Window->SplitterResult->indexOf(fresh), 0);
    QVERIFY(fresh->isVisible());
    QCOMPARE(fresh->columnWidth(1), 177);
    QCOMPARE(fresh->model()->rowCount(), 1);
    QVERIFY(fresh->hasFocus());
    // Selecting a row reaches the window as before: the idle status shows its file.
    fresh->setCurrentIndex(fresh->model()->index(0, 0));
    QCOMPARE(Window->StatusBar1->PanelText(2), Tree->Path("one.txt"));

    // A short list is only emptied.
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->ListViewResult, fresh);
}

void TestMainWindow::PrepareLongSearch()
{
    QByteArray big;
    for (int i = 0; i < 200000; ++i)
        big += "x x x x x\n";
    for (int i = 0; i < 8; ++i)
        Tree->File(QStringLiteral("f%1.txt").arg(i), big);
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("x");
}

void TestMainWindow::rowsFollowArrivingHits()
{
    // A short list grows with every batch of hits; a long one by an eighth
    // at a time, and the rows that wait for that come soon all the same.
    TGrepResult hit;
    hit.FileName = Tree->Path("a.txt");
    hit.TextFromHit = "hit";
    hit.HitLength = 3;
    auto arrive = [&](int count) {
        Window->HitInbox.assign(size_t(count), hit);
        Window->ShowHitCount(Window->HitList.Size() + count);
    };
    const int few = int(TForm1::FewRows);
    arrive(5);
    QCOMPARE(Window->ListViewResult->model()->rowCount(), 5);
    arrive(few - 5 + 800);
    QCOMPARE(Window->ListViewResult->model()->rowCount(), few + 800);
    arrive(10);
    QCOMPARE(Window->ListViewResult->model()->rowCount(), few + 800);
    QTRY_COMPARE(Window->ListViewResult->model()->rowCount(), few + 810);
    arrive((few + 810) / 8);
    QCOMPARE(Window->ListViewResult->model()->rowCount(), few + 810 + (few + 810) / 8);
}

void TestMainWindow::cancelStopsAndRestartWorks()
{
    PrepareLongSearch();
    Window->ActionFileGrepExecute();
    QVERIFY(!Window->ActionFileGrep->isEnabled());
    QVERIFY(Window->ActionFileCancel->isEnabled());
    Window->ActionFileCancelExecute();
    // The cancel waited for the worker: the window is idle with final texts.
    QVERIFY(Window->ActionFileGrep->isEnabled());
    QVERIFY(!Window->ActionFileCancel->isEnabled());
    QCOMPARE(Window->StatusBar1->PanelText(2), QStringLiteral("検索終了"));
    QCOMPARE(Window->StatusBar1->PanelText(1), QStringLiteral("該当: %1").arg(Window->HitList.Size()));
    QCOMPARE(qsizetype(Window->ListViewResult->model()->rowCount()), qsizetype(Window->HitList.Size()));
    // Esc while idle does nothing.
    Window->ActionFileCancelExecute();
    QVERIFY(Window->ActionFileGrep->isEnabled());
    // A new search starts from an empty list.
    Tree->File("small/one.txt", "x\n");
    Window->ComboBoxTarget->setEditText(Tree->Path("small"));
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
}

void TestMainWindow::enterWhileSearchingDoesNothing()
{
    PrepareLongSearch();
    QTest::keyClick(Window->ComboBoxGrep->lineEdit(), Qt::Key_Return);
    QVERIFY(Window->Searching());
    TGrepThread *worker = Window->GrepThread;
    QTest::keyClick(Window->ComboBoxGrep->lineEdit(), Qt::Key_Return);
    QCOMPARE(Window->GrepThread, worker); // no second search was started
    Window->ActionFileCancelExecute();
    QVERIFY(!Window->Searching());
}

void TestMainWindow::targetBaseLength_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("extra");
    QTest::newRow("folder without separator") << "dir" << 1;
    QTest::newRow("folder with separator") << "dir/" << 0;
    QTest::newRow("file") << "dir/a.txt" << -1;
}

void TestMainWindow::targetBaseLength()
{
    QFETCH(QString, target);
    QFETCH(int, extra);
    Tree->File("dir/a.txt", "hit\n");
    const QString path = Tree->Path(target);
    Window->ComboBoxTarget->setEditText(path);
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->TargetBaseLength, extra < 0 ? 0 : int(path.size()) + extra);
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
}

void TestMainWindow::selectionShowsPathWhenIdle()
{
    const QString file = Tree->File("a.txt", "hit\nhit\n");
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hit");
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(1, 0));
    QCOMPARE(Window->StatusBar1->PanelText(2), file);
    Window->ListViewResult->clearSelection();
    QCOMPARE(Window->StatusBar1->PanelText(2), QString());
}

// How parsed arguments land in the controls; the parsing rules themselves
// are tested with TStartArguments.
void TestMainWindow::applyArgument_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("check"); // what to look at
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder gets a separator") << QStringList{"@dir"} << "target" << "@dir/";
    QTest::newRow("file as it is") << QStringList{"@dir/a.txt"} << "target" << "@dir/a.txt";
    QTest::newRow("search text") << QStringList{"-sword"} << "grep" << "word";
    QTest::newRow("filter") << QStringList{"-f*.c"} << "filter" << "*.c";
    QTest::newRow("regexp on") << QStringList{"-r1"} << "regexp" << "1";
    QTest::newRow("regexp off again") << QStringList{"-r1", "-r0"} << "regexp" << "0";
    QTest::newRow("subdirectory") << QStringList{"-b1"} << "sub" << "1";
    QTest::newRow("ignore case") << QStringList{"-i1"} << "case" << "1";
    QTest::newRow("code") << QStringList{"-c3"} << "code" << "3";
    QTest::newRow("depth") << QStringList{"-l5"} << "depth" << "5";
    QTest::newRow("depth clamped") << QStringList{"-l99"} << "depth" << "64";
    QTest::newRow("detail on") << QStringList{"-d1"} << "detail" << "1";
    QTest::newRow("detail off again") << QStringList{"-d1", "-d0"} << "detail" << "0";
}

void TestMainWindow::applyArgument()
{
    QFETCH(QStringList, args);
    QFETCH(QString, check);
    QFETCH(QString, expected);
    Tree->File("dir/a.txt", "x");
    for (const QString &a : args)
        Window->ApplyArgument(QString(a).replace(u'@', Tree->Root()));
    expected.replace(u'@', Tree->Root());
    QString got;
    if (check == "target") got = Window->ComboBoxTarget->currentText();
    else if (check == "grep") got = Window->ComboBoxGrep->currentText();
    else if (check == "filter") got = Window->ComboBoxFilter->currentText();
    else if (check == "regexp") got = QString::number(Window->ActionOptionRegExpr->isChecked());
    else if (check == "sub") got = QString::number(Window->ActionOptionSubDirectory->isChecked());
    else if (check == "case") got = QString::number(Window->ActionOptionIgnoreCase->isChecked());
    else if (check == "code") got = QString::number(Window->ComboBoxCode->currentIndex());
    else if (check == "depth") got = QString::number(Window->EditSubLimit->Value());
    else if (check == "detail") got = QString::number(Window->ActionViewDetail->isChecked());
    QCOMPARE(got, expected);
}

void TestMainWindow::historiesGrow()
{
    Tree->File("a.txt", "alpha beta\n");
    Window->ComboBoxTarget->setEditText(Tree->Root());
    for (const char *word : {"alpha", "beta", "ALPHA"}) {
        Window->ComboBoxGrep->setEditText(word);
        Window->ActionFileGrepExecute();
        QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    }
    // "ALPHA" found "alpha" regardless of case and moved it to the top.
    QCOMPARE(Window->ComboBoxGrep->count(), 2);
    QCOMPARE(Window->ComboBoxGrep->itemText(1), QStringLiteral("beta"));
    QCOMPARE(Window->ComboBoxTarget->count(), 1);
    QCOMPARE(Window->ComboBoxFilter->itemText(0), QStringLiteral("*.txt"));
}

void TestMainWindow::closeDuringWorkerMessage()
{
    // The worker shows a message (no library for regular expressions) and
    // waits for it; the window is closed while the box is up. That must not
    // hang: the window closes once the search has ended.
    Tree->File("a.txt", "abc\n");
    Window->RegExpLibrary = Tree->Path("no-such-library.so");
    Window->ActionOptionRegExpr->setChecked(true);
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("b");
    QStringList texts;
    std::function<void()> answer = [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts.append(box->text());
            QVERIFY(!Window->close()); // cannot close yet: the worker waits for this box
            box->accept();
        } else {
            QTimer::singleShot(0, answer);
        }
    };
    QTimer::singleShot(0, answer);
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(!Window->isVisible());
    QCOMPARE(texts, QStringList{"BRegExp dll Error"});
    QVERIFY(!Window->GrepThread);
}

void TestMainWindow::viewCommands()
{
    QCOMPARE(Window->Display.PAlign, 1);
    QVERIFY(Window->SpeedButtonAlignC->isChecked());
    Window->ActionViewAlignL->trigger();
    QCOMPARE(Window->Display.PAlign, 0);
    QVERIFY(Window->ActionViewAlignL->isChecked() && !Window->ActionViewAlignC->isChecked());
    QVERIFY(Window->SpeedButtonAlignL->isChecked() && !Window->SpeedButtonAlignC->isChecked());
    QTest::mouseClick(Window->SpeedButtonAlignR, Qt::LeftButton);
    QCOMPARE(Window->Display.PAlign, 2);
    QVERIFY(Window->ActionViewAlignR->isChecked());
    Window->ActionViewFType2->trigger();
    QCOMPARE(Window->Display.FType, 2);
    QVERIFY(!Window->ActionViewFType0->isChecked());
    // The depth limit follows the subfolder option.
    QVERIFY(!Window->EditSubLimit->isEnabled());
    Window->CheckBoxSubDirectory->click();
    QVERIFY(Window->ActionOptionSubDirectory->isChecked());
    QVERIFY(Window->EditSubLimit->isEnabled());
    // The position column takes the rest of the list when asked to.
    Window->ActionOptionAutoColumn->trigger();
    QVERIFY(Window->Display.AutoColumn);
    int others = 0;
    for (int c : {0, 2, 3, 4})
        others += Window->ListViewResult->columnWidth(c);
    QCOMPARE(Window->ListViewResult->columnWidth(1), Window->ListViewResult->viewport()->width() - others - 1);
}

void TestMainWindow::filterFollowsTarget()
{
    Tree->Folder("dir");
    QLineEdit *edit = Window->ComboBoxTarget->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, Tree->Path("dir"));
    QVERIFY(Window->ComboBoxFilter->isEnabled());
    QVERIFY(Window->LabelFilter->isEnabled());
    QTest::keyClicks(edit, "/");
    QVERIFY(Window->ComboBoxFilter->isEnabled());
    QTest::keyClicks(edit, "x");
    QVERIFY(!Window->ComboBoxFilter->isEnabled());
    QVERIFY(!Window->LabelFilter->isEnabled());
}

void TestMainWindow::accessKeys_data()
{
    // A letter goes to the menu bar first, then to an enabled button, and
    // only then to a label, whose key moves the focus to its box.
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("searching"); // 中止 enabled
    QTest::addColumn<QString>("menu");   // the menu that opens; empty: none
    QTest::addColumn<QString>("focus");  // the box that gets the focus; empty: unchanged
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("Alt+F: the file menu, not the filter box") << int(Qt::Key_F) << false << "ファイル(&F)" << "" << false;
    QTest::newRow("Alt+V: the view menu") << int(Qt::Key_V) << false << "表示(&V)" << "" << false;
    QTest::newRow("Alt+T: the target box") << int(Qt::Key_T) << false << "" << "ComboBoxTarget" << false;
    QTest::newRow("Alt+S: the search text box") << int(Qt::Key_S) << false << "" << "ComboBoxGrep" << false;
    QTest::newRow("Alt+C while idle: the code box") << int(Qt::Key_C) << false << "" << "ComboBoxCode" << false;
    QTest::newRow("Alt+C while searching: 中止") << int(Qt::Key_C) << true << "" << "" << true;
}

void TestMainWindow::accessKeys()
{
    QFETCH(int, key);
    QFETCH(bool, searching);
    QFETCH(QString, menu);
    QFETCH(QString, focus);
    QFETCH(bool, cancelled);
    // The letter the menu bar holds shows no underline on the label.
    QCOMPARE(Window->LabelFilter->text(), QStringLiteral("フィルタ(F)"));
    QCOMPARE(Window->LabelTarget->text(), QStringLiteral("検索対象(&T)"));
    QCOMPARE(Window->LabelCode->text(), QStringLiteral("文字コード(&C)"));

    Window->ComboBoxTarget->setEditText(Tree->Root());
    if (!Window->ActionViewDetail->isChecked())
        Window->ActionViewDetail->trigger(); // the code box is a detail row
    QVERIFY(Window->ComboBoxCode->isVisible());
    Window->ActionFileCancel->setEnabled(searching);
    QSignalSpy cancels(Window->ActionFileCancel, &QAction::triggered);
    Window->activateWindow();
    Window->ListViewResult->setFocus();
    QTRY_VERIFY(Window->ListViewResult->hasFocus());
    QWidget *before = QApplication::focusWidget();

    // Every press gives the same answer, also the second one.
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        if (!menu.isEmpty()) {
            QTRY_VERIFY(Window->menuBar()->activeAction());
            QCOMPARE(Window->menuBar()->activeAction()->text(), menu);
            QTRY_VERIFY(Window->menuBar()->activeAction()->menu()->isVisible());
            Window->menuBar()->activeAction()->menu()->close();
            QTRY_VERIFY(!QApplication::activePopupWidget());
            Window->ListViewResult->setFocus();
        }
        if (!focus.isEmpty()) {
            QWidget *box = Window->findChild<QWidget *>(focus);
            QVERIFY(box);
            QTRY_VERIFY(box->hasFocus());
            Window->ListViewResult->setFocus();
        }
        if (cancelled)
            QTRY_COMPARE(cancels.size(), press + 1);
        else
            QCOMPARE(cancels.size(), 0);
        if (menu.isEmpty() && focus.isEmpty())
            QCOMPARE(QApplication::focusWidget(), before);
    }
}

void TestMainWindow::fileCommand_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("askedFile");
    QTest::addColumn<QString>("askedFolder");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("filterEnabled");
    QTest::newRow("folder without separator opens in its parent") << "@dir" << "@dir/a.txt" << "" << "@" << "@dir/a.txt" << false;
    QTest::newRow("folder with separator opens in itself") << "@dir/" << "@dir/a.txt" << "" << "@dir/" << "@dir/a.txt" << false;
    QTest::newRow("file preselected") << "@dir/a.txt" << "@dir/new.txt" << "@dir/a.txt" << "" << "@dir/new.txt" << false;
    QTest::newRow("cancel changes nothing") << "@dir/" << "" << "" << "@dir/" << "@dir/" << true;
}

void TestMainWindow::fileCommand()
{
    QFETCH(QString, target);
    QFETCH(QString, answer);
    QFETCH(QString, askedFile);
    QFETCH(QString, askedFolder);
    QFETCH(QString, result);
    QFETCH(bool, filterEnabled);
    Tree->File("dir/a.txt", "x");
    auto at = [&](QString s) { return s.replace(u'@', Tree->Root()); };
    auto dialogs = std::make_unique<TScriptedDialogs>();
    TScriptedDialogs *d = dialogs.get();
    d->Answer = at(answer);
    Window->SetTargetDialogs(std::move(dialogs));
    Window->ComboBoxTarget->setEditText(at(target));
    Window->ActionFileOpenFile->trigger();
    QCOMPARE(d->AskedFile, at(askedFile));
    QCOMPARE(d->AskedFolder, at(askedFolder));
    QCOMPARE(Window->ComboBoxTarget->currentText(), at(result));
    QCOMPARE(Window->ComboBoxFilter->isEnabled(), filterEnabled);
}

void TestMainWindow::folderCommand_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("askedFolder");
    QTest::addColumn<QString>("result");
    QTest::newRow("from a file: its folder") << "@dir/a.txt" << "@dir" << "@dir/" << "@dir/";
    QTest::newRow("from a folder: itself") << "@dir" << "@other" << "@dir" << "@other/";
    QTest::newRow("root keeps one separator") << "@dir" << "/" << "@dir" << "/";
    QTest::newRow("not a folder: ignored") << "@dir/a.txt" << "@missing" << "@dir/" << "@dir/a.txt";
    QTest::newRow("cancel") << "@dir/a.txt" << "" << "@dir/" << "@dir/a.txt";
}

void TestMainWindow::folderCommand()
{
    QFETCH(QString, target);
    QFETCH(QString, answer);
    QFETCH(QString, askedFolder);
    QFETCH(QString, result);
    Tree->File("dir/a.txt", "x");
    Tree->Folder("other");
    auto at = [&](QString s) { return s.replace(u'@', Tree->Root()); };
    auto dialogs = std::make_unique<TScriptedDialogs>();
    TScriptedDialogs *d = dialogs.get();
    d->Answer = at(answer);
    Window->SetTargetDialogs(std::move(dialogs));
    Window->ComboBoxTarget->setEditText(at(target));
    Window->ActionFileOpenDirectory->trigger();
    QCOMPARE(d->AskedTitle, QStringLiteral("ディレクトリ選択"));
    QCOMPARE(d->AskedFolder, at(askedFolder));
    QCOMPARE(Window->ComboBoxTarget->currentText(), at(result));
    QCOMPARE(Window->ComboBoxFilter->isEnabled(), result.endsWith(u'/'));
}

void TestMainWindow::drop_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("result");
    QTest::newRow("one file") << QStringList{"@dir/a.txt"} << "@dir/a.txt";
    QTest::newRow("three files: the first counts") << QStringList{"@dir/b.txt", "@dir/a.txt", "@dir"} << "@dir/b.txt";
    QTest::newRow("a folder gets a separator") << QStringList{"@dir"} << "@dir/";
    QTest::newRow("a missing item changes nothing") << QStringList{"@gone.txt"} << "@start/";
}

void TestMainWindow::drop()
{
    QFETCH(QStringList, items);
    QFETCH(QString, result);
    Tree->File("dir/a.txt", "x");
    Tree->File("dir/b.txt", "x");
    Tree->Folder("start");
    auto at = [&](QString s) { return s.replace(u'@', Tree->Root()); };
    Window->ComboBoxTarget->setEditText(at("@start/"));
    QList<QUrl> urls;
    for (const QString &item : items)
        urls.append(QUrl::fromLocalFile(at(item)));
    Window->DropFiles(urls);
    QCOMPARE(Window->ComboBoxTarget->currentText(), at(result));
    QCOMPARE(Window->ComboBoxFilter->isEnabled(), result.endsWith(u'/'));
}

void TestMainWindow::dropOfNameThatIsNotUtf8()
{
    // A folder named 検索 in Shift-JIS, dropped from a file manager: the
    // target is the folder's own bytes.
    const QByteArray folder = TNativePath::Encode(Tree->Root()) + "\x8c\x9f\x8d\xf5";
    QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    QVERIFY(TFileKind::IsFolder(TNativePath::Decode(folder)));
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), "# from a file manager\r\n"
                                                  + TNativePath::FileUri(TNativePath::Decode(folder)) + "\r\n");
    Window->DropData(data);
    // The field shows the name decoded; the target is the folder's bytes,
    // and a search goes into it.
    QCOMPARE(Window->ComboBoxTarget->currentText(), Tree->Root() + QString::fromUtf8("検索/"));
    QCOMPARE(TNativePath::Encode(Window->TargetPath()), folder + '/');
    QVERIFY(Window->ComboBoxFilter->isEnabled());
    FILE *f = std::fopen((folder + "/a.txt").constData(), "wb");
    QVERIFY(f);
    std::fputs("hit\n", f);
    std::fclose(f);
    Window->ComboBoxFilter->setEditText(QStringLiteral("*.txt"));
    Window->ComboBoxGrep->setEditText(QStringLiteral("hit"));
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), 1);
    QCOMPARE(TNativePath::Encode(Window->HitList.FileNameAt(0)), folder + "/a.txt");

    // Typed over, the field is the target again.
    Window->ComboBoxTarget->setEditText(Tree->Root() + QString::fromUtf8("検索/"));
    QCOMPARE(TNativePath::Encode(Window->TargetPath()), folder + '/'); // the same text still stands for it
    Window->ComboBoxTarget->setEditText(Tree->Root() + QStringLiteral("other/"));
    QCOMPARE(Window->TargetPath(), Tree->Root() + QStringLiteral("other/"));
}

void TestMainWindow::sizingClearsOtherSelections()
{
    Window->ComboBoxTarget->setEditText("target text");
    Window->ComboBoxGrep->setEditText("search text");
    Window->ComboBoxTarget->lineEdit()->selectAll();
    Window->ComboBoxGrep->lineEdit()->setFocus();
    Window->ComboBoxGrep->lineEdit()->selectAll();
    QTRY_VERIFY(Window->ComboBoxGrep->lineEdit()->hasFocus());
    Window->resize(Window->width() + 40, Window->height());
    QTRY_VERIFY(!Window->ComboBoxTarget->lineEdit()->hasSelectedText());
    QVERIFY(Window->ComboBoxGrep->lineEdit()->hasSelectedText());
}

void TestMainWindow::settingsRoundTrip()
{
    const QString ini = Tree->Path("kestu.ini");
    Tree->Folder("dir");
    Window->SettingsPath = ini;
    Window->ComboBoxTarget->setEditText(Tree->Path("dir/"));
    Window->ComboBoxGrep->setEditText(QString::fromUtf8("検索"));
    Window->AddHistory(Window->ComboBoxGrep);
    Window->ComboBoxGrep->setEditText("word");
    Window->ActionOptionIgnoreCase->trigger();
    Window->ActionOptionSubDirectory->trigger();
    Window->EditSubLimit->SetFValue(7);
    Window->ComboBoxCode->setCurrentIndex(5);
    Window->ActionViewFType1->trigger();
    Window->ActionViewAlignR->trigger();
    Window->ActionViewDetail->trigger();
    Window->ListViewResult->setColumnWidth(0, 140);
    Window->ActionFileCancel->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    Window->Settings.SetShortcut(u"ActionFileCancel", 0x4000 | 'K');
    Window->SetExcludeDirs(QStringLiteral(".git,node_*"));
    TFileLimitChoice limits;
    limits.MinSizeOn = true;
    limits.MinSize = 500 * 1024;
    limits.Older = QDateTime(QDate(2003, 4, 12), QTime(10, 0)).toSecsSinceEpoch();
    limits.OlderOn = true;
    limits.Newer = QDateTime(QDate(2001, 1, 1), QTime(0, 0)).toSecsSinceEpoch(); // kept with its box off
    Window->SetFileLimits(limits);
    Window->resize(520, 430);
    QVERIFY(Window->close());

    TForm1 again;
    again.SettingsPath = ini;
    again.Start({});
    QCOMPARE(again.ComboBoxTarget->currentText(), Tree->Path("dir/"));
    QCOMPARE(again.ComboBoxGrep->currentText(), QStringLiteral("word"));
    QVERIFY(again.ComboBoxGrep->findText(QString::fromUtf8("検索")) >= 0);
    QVERIFY(again.ActionOptionIgnoreCase->isChecked());
    QVERIFY(again.ActionOptionSubDirectory->isChecked());
    QVERIFY(again.EditSubLimit->isEnabled());
    QCOMPARE(again.EditSubLimit->Value(), 7);
    QCOMPARE(again.ComboBoxCode->currentIndex(), 5);
    QCOMPARE(again.Display.FType, 1);
    QCOMPARE(again.Display.PAlign, 2);
    QVERIFY(again.SpeedButtonAlignR->isChecked());
    QVERIFY(again.ActionViewDetail->isChecked());
    QCOMPARE(again.ListViewResult->columnWidth(0), 140);
    QCOMPARE(again.ActionFileCancel->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    QCOMPARE(again.ExcludeDirs(), QStringLiteral(".git,node_*"));
    QVERIFY(again.FileLimits() == limits);
    QCOMPARE(again.size(), QSize(520, 430));
    QVERIFY(again.ComboBoxFilter->isEnabled()); // the target is a folder
}

void TestMainWindow::notationOptionsStoredAndHighlighted()
{
    // The two notation options sit under 大文字と小文字を区別しない, in
    // its column, are kept in the settings file, and reach the search: a
    // hit on ﾃﾞｰﾀ for データ is coloured over ﾃﾞｰﾀ and no further.
    const QString ini = Tree->Path("kestu.ini");
    Window->SettingsPath = ini;
    QCOMPARE(Window->CheckBoxIgnoreWidth->x(), Window->CheckBoxIgnoreCase->x());
    QCOMPARE(Window->CheckBoxIgnoreKana->x(), Window->CheckBoxIgnoreCase->x());
    QVERIFY(Window->CheckBoxIgnoreWidth->y() > Window->CheckBoxIgnoreCase->y());
    QVERIFY(Window->CheckBoxIgnoreKana->y() > Window->CheckBoxIgnoreWidth->y());
    QVERIFY(Window->CheckBoxIgnoreKana->geometry().bottom() < Window->PanelSetup->height());
    QTest::mouseClick(Window->CheckBoxIgnoreWidth, Qt::LeftButton, {}, QPoint(4, 8));
    QVERIFY(Window->ActionOptionIgnoreWidth->isChecked());
    QVERIFY(!Window->ActionOptionIgnoreKana->isChecked());
    QVERIFY(Window->close());
    TIniFile written;
    QVERIFY(written.LoadFromFile(ini));
    QCOMPARE(written.ReadString(u"Option", u"IgnoreWidth", {}), QStringLiteral("1"));
    QVERIFY(!written.ValueExists(u"Option", u"IgnoreKana")); // never set: not written

    TForm1 again;
    again.SettingsPath = ini;
    again.Start({});
    QVERIFY(again.ActionOptionIgnoreWidth->isChecked());
    QVERIFY(again.CheckBoxIgnoreWidth->isChecked());
    QVERIFY(!again.ActionOptionIgnoreKana->isChecked());

    QByteArray line;
    QVERIFY(TCp932::FromQString(QString::fromUtf8("ﾃﾞｰﾀ と\n"), line));
    Tree->File("n.txt", line);
    again.ComboBoxTarget->setEditText(Tree->Path("n.txt"));
    again.ComboBoxGrep->setEditText(QString::fromUtf8("データ"));
    again.show();
    again.ActionFileGrepExecute();
    QTRY_VERIFY(again.ActionFileGrep->isEnabled());
    QCOMPARE(again.HitList.Size(), qsizetype(1));
    QCOMPARE(again.HitList.At(0).HitLength, qint64(4));
    // Hard-edged glyphs on an unselected row: the hit's pixels are in its colour.
    QFont font = again.ListViewResult->font();
    font.setStyleStrategy(QFont::NoAntialias);
    again.ListViewResult->setFont(font);
    again.ListViewResult->clearSelection();
    again.ListViewResult->setCurrentIndex(QModelIndex());
    const QImage image = again.ListViewResult->viewport()->grab().toImage();
    const QRgb hitColour = again.Display.FindColor.rgb();
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == hitColour) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    QVERIFY(right >= 0);
    const QFontMetrics metrics(again.ListViewResult->font());
    const int spread = right - left + 1;
    QVERIFY2(spread > metrics.horizontalAdvance(QString::fromUtf8("ﾃﾞｰ")), qPrintable(QString::number(spread)));
    QVERIFY2(spread <= metrics.horizontalAdvance(QString::fromUtf8("ﾃﾞｰﾀ")), qPrintable(QString::number(spread)));
}

void TestMainWindow::archiveHitGoesToACopy()
{
    // With アーカイブの中も検索 a hit inside a compressed file shows as
    // ARCHIVE{MEMBER}; the preview shows the member's lines and a program
    // is handed a copy of the member with its content, whose folder goes
    // when the window does; the folder commands take the archive.
    QByteArray gz;
    {
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
        QVERIFY(gzip.waitForStarted());
        gzip.write("first line\nthe hidden word\nlast line\n");
        gzip.closeWriteChannel();
        QVERIFY(gzip.waitForFinished());
        gz = gzip.readAllStandardOutput();
    }
    const QString archive = Tree->File("notes.txt.gz", gz);
    Window->ActionOptionSearchArchives->setChecked(true);
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText("hidden");
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
    QCOMPARE(Window->HitList.At(0).FileName, archive + QStringLiteral("{notes.txt}"));
    QCOMPARE(Window->HitList.At(0).ArchiveEnd, qint32(archive.size()));
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(0, 0));
    const std::optional<TGrepResult> onDisk = Window->SelectedHitOnDisk();
    QVERIFY(onDisk);
    QVERIFY(onDisk->FileName.endsWith(QStringLiteral("/notes.txt")));
    QFile copy(onDisk->FileName);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("first line\nthe hidden word\nlast line\n"));
    Window->ActionViewPreview->setChecked(true);
    Window->UpdatePreview();
    QTRY_VERIFY(Window->PreviewPane->BodyText().contains(QStringLiteral("the hidden word")));
    QVERIFY(Window->PreviewPane->BodyText().contains(QStringLiteral("last line")));
    Window->ActionToolsResultFileFileExecute();
    QCOMPARE(Window->TargetPath(), archive);
    const QString folder = Window->MemberCopies->Folder();
    QVERIFY(QFileInfo(folder).isDir());
    Window->MemberCopies.reset();
    QVERIFY(!QFileInfo::exists(folder));
}

void TestMainWindow::settingsFromNothing()
{
    const QString ini = Tree->Path("fresh.ini");
    Window->SettingsPath = ini;
    Window->move(200, 115);
    QVERIFY(Window->close());
    QFile f(ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("[Window]\r"));
    QCOMPARE(lines.value(1), QByteArray("Left=200\r"));
    QCOMPARE(lines.value(2), QByteArray("Top=115\r"));
}

void TestMainWindow::settingsPlacement_data()
{
    QTest::addColumn<QByteArray>("window"); // the Window section's lines
    QTest::addColumn<QPoint>("position");   // (-1, -1): only on screen
    QTest::newRow("off every screen") << QByteArray("Left=-20000\r\nTop=-20000\r\nWidth=500\r\nHeight=400")
                                      << QPoint(TWindowDefaults::Left, TWindowDefaults::Top);
    QTest::newRow("partly on screen, kept") << QByteArray("Left=-100\r\nTop=20\r\nWidth=500\r\nHeight=400")
                                            << QPoint(-100, 20);
    QTest::newRow("huge size") << QByteArray("Left=0\r\nTop=0\r\nWidth=100000\r\nHeight=100000") << QPoint(0, 0);
    QTest::newRow("width to the end of int")
        << QByteArray("Left=100\r\nTop=0\r\nWidth=2147483647\r\nHeight=400") << QPoint(100, 0);
    QTest::newRow("all four at the bottom of int")
        << QByteArray("Left=-2147483648\r\nTop=-2147483648\r\nWidth=-2147483648\r\nHeight=-2147483648")
        << QPoint(TWindowDefaults::Left, TWindowDefaults::Top);
}

void TestMainWindow::settingsPlacement()
{
    QFETCH(QByteArray, window);
    QFETCH(QPoint, position);
    const QString ini = Tree->File("kestu.ini", "[Window]\r\n" + window + "\r\n");
    TForm1 form;
    form.SettingsPath = ini;
    form.Start({});
    QCOMPARE(form.pos(), position);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(form.width() <= std::max(screen.width(), form.minimumWidth()));
    QVERIFY(form.height() <= screen.height());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!form.grab().isNull()); // the first paint
    // What is written back is a placement the screen shows.
    QVERIFY(form.close());
    TIniFile saved;
    QVERIFY(saved.LoadFromFile(ini));
    const QRect written(saved.ReadInteger(u"Window", u"Left", -30000), saved.ReadInteger(u"Window", u"Top", -30000),
                        saved.ReadInteger(u"Window", u"Width", 0), saved.ReadInteger(u"Window", u"Height", 0));
    QVERIFY2(screen.intersects(written), qPrintable(QStringLiteral("written back: %1,%2 %3x%4")
                                                        .arg(written.x()).arg(written.y())
                                                        .arg(written.width()).arg(written.height())));
}

void TestMainWindow::settingsSaveFailureIsReported()
{
    Window->SettingsPath = Tree->Path("no/such/folder/kestu.ini");
    TMessageCatcher catcher;
    catcher.Arm();
    QVERIFY(Window->close()); // the window closes all the same
    QCOMPARE(catcher.Texts.size(), 1);
    QVERIFY(catcher.Texts[0].contains(Window->SettingsPath));
}

void TestMainWindow::settingsSaveKeepsOtherSections()
{
    // Sections the window does not know survive its save.
    const QString ini = Tree->File("kestu.ini", "[Unknown0]\r\nName=viewer\r\n[Text]\r\nGrep=old\r\n");
    Window->SettingsPath = ini;
    Window->ComboBoxGrep->setEditText("new");
    QVERIFY(Window->close());
    TIniFile saved;
    QVERIFY(saved.LoadFromFile(ini));
    QCOMPARE(saved.ReadString(u"Unknown0", u"Name", {}), QStringLiteral("viewer"));
    QCOMPARE(saved.ReadString(u"Text", u"Grep", {}), QStringLiteral("new"));
}

void TestMainWindow::settingsSaveRefusedWhenUnreadable()
{
    const QByteArray content = "[Tools0]\r\nName=viewer\r\n";
    const QString ini = Tree->File("kestu.ini", content);
    Window->SettingsPath = ini;
    // The folder stays writable, the file is not readable; as root the
    // file checks are made as an ordinary user for the time of the save.
    QVERIFY(QFile::setPermissions(Tree->Root(), QFileDevice::Permissions(0x7777)));
    QVERIFY(QFile::setPermissions(ini, {}));
    const bool asRoot = ::geteuid() == 0;
    if (asRoot)
        ::setfsuid(65534);
    {
        QFile probe(ini);
        const bool readable = probe.open(QIODevice::ReadOnly);
        if (readable && asRoot)
            ::setfsuid(0);
        QVERIFY2(!readable, "the test cannot make an unreadable file here");
    }
    TMessageCatcher catcher;
    catcher.Arm();
    const bool closed = Window->close(); // the window closes all the same
    if (asRoot)
        ::setfsuid(0);
    QVERIFY(closed);
    QCOMPARE(catcher.Texts.size(), 1);
    QVERIFY(catcher.Texts[0].contains(ini));
    QVERIFY(QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestMainWindow::targetNotUtf8SurvivesRestart_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("Shift-JIS folder") << QByteArray("\x8c\x9f\x8d\xf5");
    QTest::newRow("lone trailing lead byte") << QByteArray("old\x8c");
    QTest::newRow("percent and raw bytes") << QByteArray("%E6%A4\x8c\x9f");
    QTest::newRow("newline") << QByteArray("two\nlines");
}

void TestMainWindow::targetNotUtf8SurvivesRestart()
{
    // The target and both histories keep the bytes of a name that is not
    // UTF-8 through the settings file: the next start searches the same folder.
    QFETCH(QByteArray, name);
    const QByteArray folderBytes = QFile::encodeName(Tree->Root()) + name + "/";
    QCOMPARE(::mkdir(folderBytes.constData(), 0700), 0);
    const QString folder = TNativePath::Decode(folderBytes);
    Tree->NativeFile(name + "/hit.txt", "hit\n");
    const QString ini = Tree->Path("kestu.ini");
    {
        TForm1 form;
        form.SettingsPath = ini;
        form.Start({folder, QStringLiteral("-shit")});
        QCOMPARE(form.TargetPath(), folder);
        form.ActionFileGrepExecute();
        QTRY_VERIFY(form.ActionFileGrep->isEnabled());
        QCOMPARE(form.HitList.Size(), qsizetype(1));
        // Another target after it, so the first lives on in the history only.
        form.SetTargetText(Tree->Root());
        form.AddHistory(form.ComboBoxTarget);
        form.SetTargetText(folder);
        QVERIFY(form.close());
    }
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(!text.contains("\xEF\xBF\xBD")); // no U+FFFD stands in for a byte
    QVERIFY(QString::fromUtf8(text).toUtf8() == text);

    TForm1 again;
    again.SettingsPath = ini;
    again.Start({});
    QCOMPARE(again.TargetPath(), folder);
    again.ActionFileGrepExecute();
    QTRY_VERIFY(again.ActionFileGrep->isEnabled());
    QCOMPARE(again.HitList.Size(), qsizetype(1));
    // The history entry, picked from the list, is the folder again.
    int entry = -1;
    for (int i = 0; i < again.ComboBoxTarget->count(); ++i)
        if (again.ComboBoxTarget->itemData(i).toString() == folder || again.ComboBoxTarget->itemText(i) == folder)
            entry = i;
    QVERIFY(entry >= 0);
    again.SetTargetText(Tree->Root());
    again.ComboBoxTarget->setCurrentIndex(entry);
    QCOMPARE(again.TargetPath(), folder);
}

void TestMainWindow::folderBrowserShowsAndOpensNamesNotUtf8()
{
    // 検索 in Shift-JIS bytes: shown decoded, chosen as its bytes, opened.
    QCOMPARE(::mkdir((QFile::encodeName(Tree->Root()) + "\x8c\x9f\x8d\xf5").constData(), 0700), 0);
    Tree->NativeFile("\x8c\x9f\x8d\xf5/inside.txt", "x\n");
    Tree->File("plain/a.txt", "x\n");
    const QString sjis = TNativePath::Decode(QFile::encodeName(Tree->Root()) + "\x8c\x9f\x8d\xf5/");
    TFolderBrowser browser(QStringLiteral("ディレクトリ選択"), TFolderBrowser::TMode::Folders);
    QVERIFY(browser.ShowFolder(Tree->Root()));
    QStringList shown;
    for (int i = 0; i < browser.List()->count(); ++i)
        shown << browser.List()->item(i)->text();
    QCOMPARE(shown, (QStringList{"plain", "検索"}));
    QCOMPARE(browser.Chosen(), Tree->Root());
    browser.List()->setCurrentRow(1);
    QCOMPARE(browser.Chosen(), sjis);
    // Enter opens it: its file is not listed (folders only), the path shows decoded.
    QTest::keyClick(browser.List(), Qt::Key_Return);
    QCOMPARE(browser.Folder(), sjis);
    QCOMPARE(browser.List()->count(), 0);
    QVERIFY(browser.PathField()->text().endsWith(QStringLiteral("/検索/")));
    QTest::keyClick(browser.List(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(browser.Folder(), Tree->Root());
    QCOMPARE(browser.Chosen(), sjis); // the folder just left is selected

    TFolderBrowser files(QString(), TFolderBrowser::TMode::Files);
    QVERIFY(files.ShowFolder(sjis));
    QCOMPARE(files.List()->count(), 1);
    QCOMPARE(files.Chosen(), QString()); // nothing selected yet
    files.List()->setCurrentRow(0);
    QCOMPARE(TNativePath::Encode(files.Chosen()), QFile::encodeName(Tree->Root()) + "\x8c\x9f\x8d\xf5/inside.txt");
}

void TestMainWindow::settingsOnlyOntoRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a character device") << "link-device";
    QTest::newRow("character device in its place") << "device";
    QTest::newRow("FIFO in its place") << "fifo";
    QTest::newRow("link to a FIFO") << "link-fifo";
    QTest::newRow("folder in its place") << "folder";
}

void TestMainWindow::settingsOnlyOntoRegularFiles()
{
    // "ln -s /dev/null kestu.ini" keeps no settings: nothing is read from
    // such a file (a FIFO would block the start), nothing is written, the
    // device or FIFO stays what it is, and nobody is asked anything.
    QFETCH(QString, kind);
    const QByteArray special = QFile::encodeName(Tree->Path("special"));
    if (kind.contains("device")) {
        // A private twin of /dev/null (char 1:3), never the real one.
        if (::mknod(special.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("cannot make a device node here (not root?)");
    } else if (kind.contains("fifo")) {
        QCOMPARE(::mkfifo(special.constData(), 0600), 0);
    } else {
        QVERIFY(QDir().mkpath(QFile::decodeName(special)));
    }
    const QString ini = Tree->Path("kestu.ini");
    if (kind.startsWith("link"))
        QVERIFY(QFile::link(QFile::decodeName(special), ini));
    else
        QVERIFY(QFile::rename(QFile::decodeName(special), ini));

    TForm1 form;
    form.SettingsPath = ini;
    form.Start({}); // returns: a FIFO was not opened
    form.ComboBoxGrep->setEditText("written?");
    TMessageCatcher catcher;
    catcher.Arm();
    QVERIFY(form.close());
    QCOMPARE(catcher.Texts, QStringList());
    struct stat after {};
    QCOMPARE(::lstat(QFile::encodeName(ini).constData(), &after), 0);
    if (kind.startsWith("link")) {
        QVERIFY(S_ISLNK(after.st_mode));
        QCOMPARE(::stat(special.constData(), &after), 0);
    }
    if (kind.contains("device"))
        QVERIFY(S_ISCHR(after.st_mode));
    else if (kind.contains("fifo"))
        QVERIFY(S_ISFIFO(after.st_mode));
    else
        QVERIFY(S_ISDIR(after.st_mode));
}

void TestMainWindow::settingsThroughLinkToFileKeepTheLink()
{
    const QString real = Tree->File("real/kestu.ini", "[Text]\r\nGrep=old\r\n");
    const QString ini = Tree->Path("kestu.ini");
    QVERIFY(QFile::link(QStringLiteral("real/kestu.ini"), ini)); // relative, as people make them
    Window->SettingsPath = ini;
    Window->ComboBoxGrep->setEditText("new");
    QVERIFY(Window->close());
    QVERIFY(QFileInfo(ini).isSymLink());
    TIniFile saved;
    QVERIFY(saved.LoadFromFile(real));
    QCOMPARE(saved.ReadString(u"Text", u"Grep", {}), QStringLiteral("new"));
}

void TestMainWindow::settingsInOtherCodesKeepTheirText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("[Text]\r\nGrep=検索文字\r\n[Tools0]\r\nCaption=テキスト編集\r\nFilePath=/opt/エディタ/bin\r\n");
    QByteArray sjis;
    QVERIFY(TCp932::FromQString(text, sjis));
    QStringEncoder le(QStringEncoder::Utf16LE), be(QStringEncoder::Utf16BE);
    QTest::newRow("Shift-JIS") << sjis;
    QTest::newRow("UTF-16LE with mark") << (QByteArray("\xFF\xFE") + QByteArray(le(text)));
    QTest::newRow("UTF-16BE with mark") << (QByteArray("\xFE\xFF") + QByteArray(be(text)));
    QTest::newRow("UTF-8 with mark") << (QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    QTest::newRow("UTF-8") << text.toUtf8();
}

void TestMainWindow::settingsInOtherCodesKeepTheirText()
{
    // Read as what it is, written back as UTF-8 with every text intact.
    QFETCH(QByteArray, bytes);
    const QString ini = Tree->File("kestu.ini", bytes);
    {
        TForm1 form;
        form.SettingsPath = ini;
        form.Start({});
        QCOMPARE(form.ComboBoxGrep->currentText(), QStringLiteral("検索文字"));
        QCOMPARE(form.ToolList.Count(), 1);
        QCOMPARE(form.ToolList.At(0)->Caption, QStringLiteral("テキスト編集"));
        QVERIFY(form.close());
    }
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QVERIFY(written.contains("Grep=検索文字"));
    QVERIFY(written.contains("Caption=テキスト編集"));
    QVERIFY(written.contains("/opt/エディタ/bin"));
}

void TestMainWindow::settingsInNoKnownCodeAreNotWrittenOver()
{
    // Neither UTF-8, UTF-16 nor CP932: saving over it would lose it.
    const QByteArray bytes("[Tools0]\r\nName=\x85\x40\xFF\xFE\x81\r\n", 22);
    const QString ini = Tree->File("kestu.ini", bytes);
    Window->SettingsPath = ini;
    TMessageCatcher catcher;
    catcher.Arm();
    QVERIFY(Window->close());
    QCOMPARE(catcher.Texts.size(), 1);
    QVERIFY(catcher.Texts[0].contains(ini));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

namespace {
// A copy of the program in a folder of its own, so that its settings file
// and its single-instance name belong to the test.
struct TProgramCopy
{
    QString Folder, Program;
    QProcessEnvironment Environment;
    TProgramCopy(const TTestTree &tree, const QByteArray &settings)
    {
        Folder = tree.Folder("prog");
        Program = Folder + "/kestu";
        QFile::copy(QStringLiteral(KESTU_PROGRAM), Program);
        QFile::setPermissions(Program, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        tree.File("prog/kestu.ini", settings);
        Environment = QProcessEnvironment::systemEnvironment();
        Environment.insert("QT_QPA_PLATFORM", "offscreen");
        Environment.insert("TMPDIR", tree.Folder("tmp"));
        const QString runtime = tree.Folder("run");
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Environment.insert("XDG_RUNTIME_DIR", runtime);
    }
    QString SocketFile() const
    {
        return Environment.value("XDG_RUNTIME_DIR") + QStringLiteral("/ApplicationMutexKestuDblOpenChk");
    }
};
} // namespace

void TestMainWindow::singleInstanceHandOver()
{
    TProgramCopy copy(*Tree, "[Option]\r\nMutex=1\r\n");
    const QString first = Tree->Folder("first");
    const QString second = Tree->Folder("second");
    QProcess one;
    one.setProcessEnvironment(copy.Environment);
    one.start(copy.Program, {first});
    QVERIFY(one.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy.SocketFile()), 20000);

    // The second start names the folder relative to its own working folder.
    QProcess two;
    two.setProcessEnvironment(copy.Environment);
    two.setWorkingDirectory(Tree->Root());
    two.start(copy.Program, {"second", "-shanded"});
    QVERIFY(two.waitForFinished(20000));
    QCOMPARE(two.exitCode(), 1);

    // Ended from outside, the first one still writes what it shows.
    one.terminate();
    QVERIFY(one.waitForFinished(20000));
    TIniFile ini;
    QVERIFY(ini.LoadFromFile(copy.Folder + "/kestu.ini"));
    QCOMPARE(ini.ReadString(u"Text", u"Target", {}), second + u'/');
    QCOMPARE(ini.ReadString(u"Text", u"Grep", {}), QStringLiteral("handed"));
}

void TestMainWindow::singleInstanceOff()
{
    TProgramCopy copy(*Tree, "[Option]\r\nMutex=0\r\n");
    QProcess one;
    one.setProcessEnvironment(copy.Environment);
    one.start(copy.Program, {Tree->Folder("first")});
    QVERIFY(one.waitForStarted());
    // The second start is a window of its own: it is still running after
    // the first one is gone, and ends only when asked to.
    QProcess two;
    two.setProcessEnvironment(copy.Environment);
    two.start(copy.Program, {Tree->Folder("second")});
    QVERIFY(two.waitForStarted());
    QVERIFY(!two.waitForFinished(1500));
    QVERIFY(!QFile::exists(copy.SocketFile()));
    one.terminate();
    two.terminate();
    QVERIFY(one.waitForFinished(20000));
    QVERIFY(two.waitForFinished(20000));
    QCOMPARE(two.exitCode(), 0);
}

void TestMainWindow::signalDuringStartUpBoxEndsTheStart()
{
    // The single-instance lock cannot be made, so the start-up shows
    // "[ERROR] : CreateMutex"; the exit signal comes while that box is open.
    const QString ini = Tree->File("kestu.ini", "[Option]\r\nMutex=1\r\n");
    TForm1 form;
    form.SettingsPath = ini;
    form.SingleInstanceName = Tree->Path("no/such/folder/socket");
    QString boxText;
    bool fallbackNeeded = false;
    QTimer::singleShot(0, &form, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            boxText = box->text();
        form.CloseForSignal();
    });
    QTimer fallback;
    fallback.setSingleShot(true);
    connect(&fallback, &QTimer::timeout, &form, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            fallbackNeeded = true;
            box->close();
        }
    });
    fallback.start(10000);
    form.Start({});
    QCOMPARE(boxText, QStringLiteral("[ERROR] : CreateMutex"));
    QVERIFY(!fallbackNeeded);
    // The program's main ends here instead of showing the window.
    QVERIFY(form.EndedBySignal());
    QVERIFY(!form.isVisible());
}

void TestMainWindow::signalCloseEndsAnOpenBox()
{
    // The signal comes while a box waits for an answer (the box's own
    // event loop runs the handler). Should the box stay, the fallback
    // answers it after a while, so that the test fails instead of hanging.
    bool boxWasUp = false;
    bool fallbackNeeded = false;
    QTimer::singleShot(0, Window, [&] {
        boxWasUp = QApplication::activeModalWidget() != nullptr;
        Window->CloseForSignal();
    });
    QTimer fallback;
    fallback.setSingleShot(true);
    connect(&fallback, &QTimer::timeout, Window, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            fallbackNeeded = true;
            box->close();
        }
    });
    fallback.start(10000);
    Window->ActionHelpOnlineHelpExecute(); // returns when its box has gone
    QVERIFY(boxWasUp);
    QVERIFY(!fallbackNeeded);
    QVERIFY(!Window->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMainWindow::signalCloseReportsSaveFailure()
{
    // A settings file the program reads but cannot save: read-only, in a
    // read-only folder. Root writes anyway, so as root the program runs as
    // an ordinary user ("nobody").
    constexpr uid_t Nobody = 65534;
    const bool asRoot = ::geteuid() == 0;
    TProgramCopy copy(*Tree, {});
    const QString config = Tree->Folder("config");
    const QString ini = Tree->File("config/kestu/kestu.ini", "[Option]\r\nMutex=1\r\n");
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto enterable = readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(Tree->Root(), enterable | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(config, enterable));
    QVERIFY(QFile::setPermissions(config + "/kestu", enterable));
    QVERIFY(QFile::setPermissions(ini, readOnly));
    QVERIFY(QFile::setPermissions(copy.Program, enterable));
    QVERIFY(QFile::setPermissions(copy.Folder, enterable)); // the settings do not go beside the program
    const QString tmp = copy.Environment.value("TMPDIR");
    QVERIFY(QFile::setPermissions(tmp, enterable | QFileDevice::WriteOwner | QFileDevice::WriteGroup
                                           | QFileDevice::WriteOther));
    copy.Environment.insert("XDG_CONFIG_HOME", config);
    copy.Environment.insert("HOME", tmp);
    const QString runtime = copy.Environment.value("XDG_RUNTIME_DIR");
    if (asRoot)
        QVERIFY(::chown(QFile::encodeName(runtime).constData(), Nobody, Nobody) == 0);
    const QString socket = copy.SocketFile();

    QProcess one;
    one.setProcessEnvironment(copy.Environment);
    if (asRoot) {
        one.setChildProcessModifier([] {
            if (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ::_exit(125);
        });
    }
    one.start(copy.Program, {Tree->Folder("first")});
    QVERIFY(one.waitForStarted());
    // Up: it holds its single-instance name.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket) || one.state() == QProcess::NotRunning, 20000);
    QVERIFY2(one.state() == QProcess::Running, one.readAllStandardError().constData());
    one.terminate();
    const bool ended = one.waitForFinished(20000);
    if (!ended) {
        one.kill();
        one.waitForFinished();
    }
    QVERIFY2(ended, "a box waits for an answer nobody gives");
    QCOMPARE(one.exitStatus(), QProcess::NormalExit);
    QCOMPARE(one.exitCode(), 1);
    const QString error = QString::fromUtf8(one.readAllStandardError());
    QVERIFY2(error.contains(QStringLiteral("kestu: 設定を保存できませんでした: ") + ini + QStringLiteral(": ")),
             qPrintable(error));
    // The file is as it was.
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Option]\r\nMutex=1\r\n"));
    // Writable again, so that the tree can be removed.
    for (const QString &folder : {config, config + "/kestu", copy.Folder})
        QFile::setPermissions(folder, enterable | QFileDevice::WriteOwner);
}

KESTU_TEST_CLASS(TestMainWindow)
#include "tst_mainwindow.moc"
