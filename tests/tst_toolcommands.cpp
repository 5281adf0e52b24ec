#include "MessageCatcher.h"
#include "DesktopShell.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "NativePath.h"
#include "PathText.h"
#include "PropertiesDialog.h"
#include "ResultListView.h"
#include "SystemShell.h"
#include "StatusBar.h"
#include "TestTree.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <QFileDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMessageBox>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Records what the window asks of the desktop.
class TShellDouble : public TDesktopShell
{
public:
    QStringList Calls;
    QString OpenDefault(const QString &target) override
    {
        Calls << "open " + target;
        return OpenAnswer;
    }
    QString OpenAnswer;
    QString StartProgram(const QString &program, const QStringList &arguments) override
    {
        Calls << "start " + program;
        Started << arguments;
        return {};
    }
    void LaunchDesktopEntry(const QString &entry, const QStringList &files) override
    {
        Calls << "launch " + entry + " [" + files.join(u'|') + "]";
    }
    bool ShowProperties(const QString &path) override
    {
        Calls << "properties " + path;
        return true;
    }
    QList<QStringList> Started;
};

TGrepResult Hit(const QString &file, int line, int column, const QByteArray &text)
{
    TGrepResult hit;
    hit.FileName = file;
    hit.Line = line;
    hit.Column = column;
    hit.HitLength = int(text.size());
    hit.TextFromHit = text + " after";
    return hit;
}

TToolItems Tool(const QString &caption, const QString &path, const QString &param, const QString &filter)
{
    TToolItems t;
    t.Caption = caption;
    t.FilePath = path;
    t.Param = param;
    t.Filter = filter;
    return t;
}

QStringList EntryNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *a : menu->actions())
        names << (a->isSeparator() ? QStringLiteral("-") : a->menu() ? a->menu()->objectName() : a->objectName());
    return names;
}

} // namespace

class TToolCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void popupOrder();
    void popupEnabledStates_data();
    void popupEnabledStates();
    void toolActionsFollowTheList();
    void doubleClickAndEnterChooseByExtension_data();
    void doubleClickAndEnterChooseByExtension();
    void hostileHitReachesToolAsArguments();
    void templateWithoutProgramNeverRunsTheFile_data();
    void templateWithoutProgramNeverRunsTheFile();
    void commandLineOverTheLimitIsReported();
    void nameThatIsNotUtf8ReachesToolExactly();
    void resultCommands();
    void copyRow_data();
    void copyRow();
    void copyNameThatIsNotUtf8();
    void copyRowKeyFollowsSetting();
    void propertiesBox_data();
    void propertiesBox();
    void saveResultList();
    void saveDialogAddsTheExtension();
    void sendTo();
    void settingsPasses();

private:
    void Select(int row);
    std::unique_ptr<TTestTree> Tree;
    std::unique_ptr<TForm1> Window;
    TShellDouble *Shell = nullptr;
};

void TToolCommandsTest::init()
{
    Tree = std::make_unique<TTestTree>();
    qputenv("XDG_DATA_HOME", QFile::encodeName(Tree->Folder("data")));
    Window = std::make_unique<TForm1>();
    auto shell = std::make_unique<TShellDouble>();
    Shell = shell.get();
    Window->Shell = std::move(shell);
}

void TToolCommandsTest::cleanup()
{
    Window.reset();
    Tree.reset();
}

void TToolCommandsTest::Select(int row)
{
    Window->ListViewResult->SetRowCount(qsizetype(Window->HitList.Size()));
    Window->ListViewResult->clearSelection();
    if (row >= 0)
        Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(row, 0));
}

void TToolCommandsTest::popupOrder()
{
    Window->ToolList.Add(Tool("ed", "/bin/ed", "%F", ""));
    Window->BuildToolActions();
    QCOMPARE(EntryNames(Window->PopupMenuResult),
             (QStringList{"MenuToolsShellExecute", "MenuToolsDirectory", "MenuToolsSendTo", "-",
                          "MenuToolsResult", "MenuToolsResultCopyRow", "MenuToolsProperty", "-",
                          "MenuTools0"}));
    QCOMPARE(Window->MenuToolsResultCopyRow->text(), QStringLiteral("行をコピー(&L)"));
    QCOMPARE(Window->MenuToolsResultCopyRow->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    QCOMPARE(EntryNames(Window->MenuToolsResult),
             (QStringList{"MenuToolsResultFile", "MenuToolsResultDirectory", "-", "MenuToolsResultFilePath",
                          "MenuToolsResultTarget"}));
    QCOMPARE(Window->MenuToolsSendTo->title(), QStringLiteral("送る(&N)"));
    QCOMPARE(Window->MenuToolsResult->title(), QStringLiteral("検索結果(&R)"));
    QCOMPARE(Window->MenuToolsProperty->text(), QStringLiteral("プロパティ(&P)"));
    QCOMPARE(Window->PopupMenuResult->defaultAction()->objectName(), QStringLiteral("MenuTools0"));
    QVERIFY(Window->PopupMenuResult->defaultAction()->font().bold());
}

void TToolCommandsTest::popupEnabledStates_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("withSendTo");
    QTest::newRow("no selection") << false << true;
    QTest::newRow("selection, Send To entries") << true << true;
    QTest::newRow("selection, empty Send To") << true << false;
}

void TToolCommandsTest::popupEnabledStates()
{
    QFETCH(bool, selected);
    QFETCH(bool, withSendTo);
    if (withSendTo)
        Tree->File("data/kestu/SendTo/Mail.desktop", "[Desktop Entry]\n");
    Window->BuildSendToMenu();
    Window->HitList.Append(Hit(Tree->File("a.txt", "x"), 0, 1, "x"));
    Select(selected ? 0 : -1);
    Window->PopupMenuResultPopup();
    for (QAction *entry : {Window->MenuToolsShellExecute, Window->MenuToolsDirectory, Window->MenuToolsProperty,
                           Window->MenuToolsResult->menuAction(), Window->MenuToolsResultCopyRow})
        QCOMPARE(entry->isEnabled(), selected);
    QCOMPARE(Window->MenuToolsSendTo->menuAction()->isEnabled(), selected && withSendTo);
    // The actions stay enabled, so their shortcuts keep working.
    for (QAction *action : {Window->ActionToolsShellExecute, Window->ActionToolsDirectory, Window->ActionToolsProperty,
                            Window->ActionToolsResultFilePath})
        QVERIFY(action->isEnabled());
}

void TToolCommandsTest::toolActionsFollowTheList()
{
    for (const char *c : {"one", "two", "three"})
        Window->ToolList.Add(Tool(c, "/bin/true", "", ""));
    Window->ToolList.At(2)->ShortCut = 0x4054; // Ctrl+T
    Window->BuildToolActions();
    QCOMPARE(Window->ActionListTools.size(), 3);
    QAction *first = Window->ActionListTools[0];
    Window->ToolList.Delete(1);
    Window->BuildToolActions();
    QCOMPARE(Window->ActionListTools.size(), 3);
    QCOMPARE(Window->ActionListTools[0], first); // pairs are reused, never remade
    const auto entry = [&](int n) { return Window->PopupMenuResult->findChild<QAction *>(QStringLiteral("MenuTools%1").arg(n)); };
    QCOMPARE(entry(0)->text(), QStringLiteral("one"));
    QCOMPARE(entry(1)->text(), QStringLiteral("three"));
    QCOMPARE(Window->ActionListTools[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    QVERIFY(entry(0)->isVisible() && entry(1)->isVisible() && !entry(2)->isVisible());
    QVERIFY(!Window->ActionListTools[2]->isEnabled() && !entry(2)->isEnabled());
    Window->ToolList.Add(Tool("four", "/bin/true", "", ""));
    Window->BuildToolActions();
    QCOMPARE(Window->ActionListTools.size(), 3);
    QVERIFY(entry(2)->isVisible() && entry(2)->isEnabled());
    QCOMPARE(entry(2)->text(), QStringLiteral("four"));
}

void TToolCommandsTest::doubleClickAndEnterChooseByExtension_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QString>("program"); // empty: nothing runs
    QTest::newRow("txt by double click") << "a.txt" << false << "/bin/second";
    QTest::newRow("txt by Enter") << "a.TXT" << true << "/bin/second";
    QTest::newRow("doc falls back to the first") << "a.doc" << false << "/bin/first";
    QTest::newRow("no extension, Enter") << "README" << true << "/bin/first";
}

void TToolCommandsTest::doubleClickAndEnterChooseByExtension()
{
    QFETCH(QString, file);
    QFETCH(bool, enter);
    QFETCH(QString, program);
    Window->ToolList.Add(Tool("first", "/bin/first", "%L", ""));
    Window->ToolList.Add(Tool("second", "/bin/second", "%L", "*.txt"));
    Window->BuildToolActions();
    Window->HitList.Append(Hit(Tree->Path(file), 6, 1, "x"));
    Select(0);
    // /bin/first and /bin/second don't exist: the double opens them as documents.
    if (enter) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QVERIFY(QApplication::sendEvent(Window->ListViewResult, &key));
        QVERIFY(key.isAccepted());
    } else {
        Window->ListViewResultDblClick();
    }
    QCOMPARE(Shell->Calls, QStringList{"open " + program});

    // Without a selection or without tools nothing happens.
    Shell->Calls.clear();
    Select(-1);
    Window->ListViewResultDblClick();
    Select(0);
    Window->ToolList.Clear();
    Window->BuildToolActions();
    Window->ListViewResultDblClick();
    QCOMPARE(Shell->Calls, QStringList());
}

void TToolCommandsTest::hostileHitReachesToolAsArguments()
{
    const QString record = Tree->Path("args.txt");
    const QString script = Tree->File("rec.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\n"
                                                "mv \"$0.tmp\" \"" + QFile::encodeName(record) + "\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString file = Tree->File("a b.txt", "x $(touch PWNED)\n");
    Window->Shell = std::make_unique<TSystemShell>();
    Window->ToolList.Add(Tool("rec", script, "%F:%L %N %B %R", "*.txt"));
    Window->BuildToolActions();
    Window->HitList.Append(Hit(file, 0, 3, "$(touch PWNED)"));
    Select(0);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(Tree->Root());
    Window->ListViewResultDblClick();
    QDir::setCurrent(cwd);
    QTRY_VERIFY(QFile::exists(record));
    QFile f(record);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts),
             (QStringList{file + ":1", "3", "14", "$(touch PWNED)"}));
    QVERIFY(!QFile::exists(Tree->Path("PWNED")));
    QVERIFY(!QFile::exists(cwd + "/PWNED"));
}

void TToolCommandsTest::templateWithoutProgramNeverRunsTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("executable");
    QTest::newRow("executable text without #!") << "notes.txt" << QByteArray("touch RAN\n") << true;
    QTest::newRow("executable script") << "run.sh" << QByteArray("#!/bin/sh\ntouch RAN\n") << true;
    QTest::newRow("plain text") << "plain.txt" << QByteArray("x\n") << false;
    QTest::newRow("a launcher among the results") << "evil.desktop"
        << QByteArray("[Desktop Entry]\nType=Application\nName=x\nExec=touch RAN\n") << true;
}

void TToolCommandsTest::templateWithoutProgramNeverRunsTheFile()
{
    // A tool with no program and the template %F: the hit's file is a
    // document to open, whatever its permission bits or its name say.
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
    const QString file = Tree->File(name, content);
    if (executable)
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Window->ToolList.Add(Tool("open", "", "%F", ""));
    Window->BuildToolActions();
    Window->HitList.Append(Hit(file, 0, 1, "x"));
    Select(0);
    Window->ListViewResultDblClick();
    QCOMPARE(Shell->Calls, QStringList{"open " + file});
    QVERIFY(Shell->Started.isEmpty());
}

void TToolCommandsTest::commandLineOverTheLimitIsReported()
{
    // One argument past the kernel's limit for a single argument (128 KiB):
    // the start fails, and the status bar says why instead of nothing.
    Window->Shell = std::make_unique<TSystemShell>();
    Window->ToolList.Add(Tool("long", "/bin/true", QString(200000, u'x') + " %L", ""));
    Window->BuildToolActions();
    Window->HitList.Append(Hit(Tree->File("a.txt", "x\n"), 0, 1, "x"));
    Select(0);
    Window->ListViewResultDblClick();
    QVERIFY2(Window->StatusBar1->PanelText(2).contains(QStringLiteral("コマンドラインがシステムの上限を超えています")),
             qPrintable(Window->StatusBar1->PanelText(2)));
}

void TToolCommandsTest::nameThatIsNotUtf8ReachesToolExactly()
{
    // 検索.txt with its name in Shift-JIS: the tool gets the name's bytes.
    const QString record = Tree->Path("args.txt");
    const QString script = Tree->File("rec.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"$0.tmp\"\n"
                                                "mv \"$0.tmp\" \"" + QFile::encodeName(record) + "\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray name = Tree->NativeFile("\x8c\x9f\x8d\xf5.txt", "x\n");
    Window->Shell = std::make_unique<TSystemShell>();
    Window->ToolList.Add(Tool("rec", script, "%F", "*.txt"));
    Window->BuildToolActions();
    Window->HitList.Append(Hit(TNativePath::Decode(name), 0, 1, "x"));
    Select(0);
    Window->ListViewResultDblClick();
    QTRY_VERIFY(QFile::exists(record));
    QFile f(record);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), name + '\n');
}

void TToolCommandsTest::resultCommands()
{
    const QString file = Tree->File("d/x.txt", "abc");
    Window->HitList.Append(Hit(file, 0, 1, "ABC"));
    Window->HitList.Append(Hit(Tree->Path("gone/y.txt"), 0, 1, "q"));
    QApplication::clipboard()->setText(QStringLiteral("old"));

    Select(-1); // shortcuts without a selection do nothing
    Window->ActionToolsResultFilePath->trigger();
    Window->ActionToolsShellExecute->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("old"));

    Select(0);
    Window->ActionToolsResultFilePath->trigger();
    QCOMPARE(QApplication::clipboard()->text(), file);
    Window->ActionToolsResultTarget->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ABC"));
    // The filter box follows the new target at once: a folder takes a
    // filter, a file does not.
    Window->ActionToolsResultFileDirectory->trigger();
    QCOMPARE(Window->ComboBoxTarget->currentText(), Tree->Path("d/"));
    QVERIFY(Window->ComboBoxFilter->isEnabled());
    Window->ActionToolsResultFileFile->trigger();
    QCOMPARE(Window->ComboBoxTarget->currentText(), file);
    QVERIFY(!Window->ComboBoxFilter->isEnabled());
    Window->ActionToolsResultFileDirectory->trigger();
    QVERIFY(Window->ComboBoxFilter->isEnabled());
    Window->ActionToolsResultFileFile->trigger();
    Window->ActionToolsShellExecute->trigger();
    Window->ActionToolsDirectory->trigger();
    Window->ActionToolsProperty->trigger();
    QCOMPARE(Shell->Calls, (QStringList{"open " + file, "open " + Tree->Path("d/"), "properties " + file}));

    // A hit whose file is gone: open and properties do nothing, copy works.
    Shell->Calls.clear();
    Select(1);
    Window->ActionToolsShellExecute->trigger();
    Window->ActionToolsProperty->trigger();
    Window->ActionToolsDirectory->trigger();
    Window->ActionToolsResultFilePath->trigger();
    QCOMPARE(Shell->Calls, QStringList());
    QCOMPARE(QApplication::clipboard()->text(), Tree->Path("gone/y.txt"));
}

void TToolCommandsTest::copyRow_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QByteArray>("before");  // CP932 working text
    QTest::addColumn<QByteArray>("fromHit");
    QTest::addColumn<QString>("expected");   // after the path
    QTest::newRow("key, ASCII") << true << QByteArray("say ") << QByteArray("word now") << ":3:5: say word now";
    QTest::newRow("menu, Japanese") << false << QByteArray("\x88\xea\x8d\x73") << QByteArray("\x8c\x9f\x8d\xf5")
                                    << QString::fromUtf8(":3:5: 一行検索");
    QTest::newRow("key, half-width kana") << true << QByteArray() << QByteArray("\xb6\xc5") << QString::fromUtf8(":3:5: ｶﾅ");
}

void TToolCommandsTest::copyRow()
{
    QFETCH(bool, byKey);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, fromHit);
    QFETCH(QString, expected);
    const QString file = Tree->Path(QString::fromUtf8("フォルダ/x.txt"));
    Window->HitList.Append(Hit(Tree->Path("other.txt"), 0, 1, "q"));
    TGrepResult hit = Hit(file, 2, 5, "");
    hit.BeforeText = before;
    hit.TextFromHit = fromHit;
    hit.HitLength = 2;
    Window->HitList.Append(hit);
    auto copy = [&] {
        if (byKey)
            QTest::keySequence(Window->ListViewResult, QKeySequence::Copy);
        else
            Window->MenuToolsResultCopyRow->trigger();
    };
    QApplication::clipboard()->setText(QStringLiteral("old"));
    Select(-1);
    copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("old")); // nothing selected, nothing copied
    Select(1);
    copy();
    QCOMPARE(QApplication::clipboard()->text(), file + expected);
}

void TToolCommandsTest::copyRowKeyFollowsSetting()
{
    // The copy command's key is a setting like any other; it works in the
    // list only, so Ctrl+C in a text box keeps copying that box's text.
    const QString file = Tree->File("a.txt", "abc");
    Window->HitList.Append(Hit(file, 0, 1, "abc"));
    Select(0);
    Window->SetShortcut(Window->ActionToolsResultCopyRow, 0x4000 | 'L');
    QCOMPARE(Window->MenuToolsResultCopyRow->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    QApplication::clipboard()->setText(QStringLiteral("old"));
    QTest::keyClick(Window->ListViewResult, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("old"));
    QTest::keyClick(Window->ListViewResult, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(QApplication::clipboard()->text().startsWith(file));

    Window->SetShortcut(Window->ActionToolsResultCopyRow, 0x4000 | 'C');
    QLineEdit *edit = Window->ComboBoxGrep->lineEdit();
    edit->setText(QStringLiteral("typed"));
    edit->selectAll();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("typed"));
}

void TToolCommandsTest::copyNameThatIsNotUtf8()
{
    // The text is the name as shown; the name's bytes go along as an address.
    const QByteArray name = Tree->NativeFile("\x8c\x9f\x8d\xf5.txt", "x\n");
    const QString file = TNativePath::Decode(name);
    Window->HitList.Append(Hit(file, 0, 1, "x"));
    Select(0);
    const QByteArray uri = "file://" + name.toPercentEncoding("/");
    for (QAction *copy : {Window->ActionToolsResultFilePath, Window->MenuToolsResultCopyRow}) {
        QApplication::clipboard()->clear();
        copy->trigger();
        const QMimeData *data = QApplication::clipboard()->mimeData();
        QVERIFY(data);
        QVERIFY(data->text().startsWith(Tree->Path(QString::fromUtf8("検索.txt"))));
        QCOMPARE(data->data(QStringLiteral("text/uri-list")), uri + "\r\n");
        QCOMPARE(data->data(QStringLiteral("x-special/gnome-copied-files")), "copy\n" + uri);
    }
    // A UTF-8 name is plain text, as before.
    Window->HitList.Append(Hit(Tree->File("plain.txt", "x"), 0, 1, "x"));
    Select(1);
    Window->ActionToolsResultFilePath->trigger();
    QCOMPARE(QApplication::clipboard()->text(), Tree->Path("plain.txt"));
    QVERIFY(!QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/uri-list")));
}

void TToolCommandsTest::propertiesBox_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("code");
    QTest::newRow("Shift-JIS name") << QByteArray("\x8c\x9f\x8d\xf5.txt") << QByteArray("\x8c\x9f\x8d\xf5 text\n")
                                    << "10 バイト" << "Shift-JIS";
    QTest::newRow("UTF-16 by its mark") << QByteArray("u16.txt") << QByteArray("\xff\xfe\x1c\x69\x00\x00", 6)
                                        << "6 バイト" << "UTF16LE";
    // The deciding bytes lie past the first piece the box reads.
    QTest::newRow("EUC-JP after 3 MB of ASCII")
        << QByteArray("late.txt") << (QByteArray(3 << 20, 'a') + "\xb8\xa1\xba\xf7\n") << "3,145,733 バイト" << "EUC-JP";
    QTest::newRow("gone") << QByteArray() << QByteArray() << "0 バイト" << "";
}

void TToolCommandsTest::propertiesBox()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, size);
    QFETCH(QString, code);
    QString path = Tree->Path("gone.txt");
    if (!name.isEmpty()) {
        const QByteArray native = Tree->NativeFile(name, content);
        QCOMPARE(::chmod(native.constData(), 0640), 0);
        path = TNativePath::Decode(native);
    }
    TPropertiesDialog box(path, Window.get());
    auto label = [&](const char *which) { return box.findChild<QLabel *>(QLatin1String(which))->text(); };
    QCOMPARE(label("Name"), ShownPath(path).section(u'/', -1));
    QCOMPARE(label("Size"), size);
    QCOMPARE(label("Code"), code);
    // The box is wide enough for its title.
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    QVERIFY(box.minimumWidth() > title.horizontalAdvance(box.windowTitle()));
    if (!name.isEmpty()) {
        QCOMPARE(label("Permissions"), QStringLiteral("rw-r-----"));
        QVERIFY(!label("Modified").isEmpty());
    }
}

void TToolCommandsTest::saveResultList()
{
    QCOMPARE(Window->ActionFileSaveResult->text(), QStringLiteral("検索結果を保存(&A)..."));
    QCOMPARE(Window->ActionFileSaveResult->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    Window->HitList.Append(Hit(Tree->Path("a.txt"), 0, 1, "x"));
    Window->HitList.Append(Hit(Tree->Path("b.txt"), 4, 2, "y"));
    const QString out = Tree->Path("saved.txt");
    QVERIFY(Window->SaveResultList(out, TResultExport::Format::Text));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), (Tree->Path("a.txt") + ":1:1: x after\n" + Tree->Path("b.txt") + ":5:2: y after\n").toUtf8());
}

void TToolCommandsTest::saveDialogAddsTheExtension()
{
    // A name typed without an extension, TSV chosen: saved as name.tsv.
    Window->HitList.Append(Hit(Tree->Path("a.txt"), 0, 1, "x"));
    bool answered = false;
    QTimer::singleShot(0, Window.get(), [&] {
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = Window->findChild<QFileDialog *>(QStringLiteral("SaveResultDialog"))) != nullptr
                    && dialog->isVisible());
        dialog->setDirectory(Tree->Root());
        dialog->selectNameFilter(QStringLiteral("TSV (*.tsv)"));
        emit dialog->filterSelected(QStringLiteral("TSV (*.tsv)"));
        dialog->selectFile(QStringLiteral("hits"));
        QMetaObject::invokeMethod(dialog, "accept");
        answered = true;
    });
    Window->ActionFileSaveResult->trigger();
    QVERIFY(answered);
    QFile file(Tree->Path("hits.tsv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(TResultExport::TsvHeader()));
    QVERIFY(!QFile::exists(Tree->Path("hits")));
}

void TToolCommandsTest::sendTo()
{
    const QString mail = Tree->File("data/kestu/SendTo/Mail.desktop", "[Desktop Entry]\n");
    Tree->File("data/kestu/SendTo/Note.DESKTOP", "[Desktop Entry]\n");
    Tree->Folder("data/kestu/SendTo/Old.desktop");
    Window->BuildSendToMenu();
    QCOMPARE(Window->SendToList.size(), 2);
    const int m = Window->SendToList.indexOf(mail);
    QVERIFY(m >= 0);
    QStringList captions;
    for (QAction *a : Window->MenuToolsSendTo->actions())
        captions << a->text();
    captions.sort();
    QCOMPARE(captions, (QStringList{"Mail", "Note"}));

    const QString file = Tree->File("a b.txt", "x");
    Window->HitList.Append(Hit(file, 0, 1, "x"));
    Select(0);
    Window->ActionListSendTo[m]->trigger();
    QCOMPARE(Shell->Calls, QStringList{"launch " + mail + " [" + file + "]"});

    // A launcher removed after start-up.
    Shell->Calls.clear();
    QVERIFY(QFile::remove(mail));
    TMessageCatcher catcher;
    catcher.Arm();
    Window->ActionListSendTo[m]->trigger();
    QCOMPARE(catcher.Texts, QStringList{"ファイルがありません。\n[" + mail + "]"});
    QCOMPARE(Shell->Calls, QStringList());
}

void TToolCommandsTest::settingsPasses()
{
    // No settings file: the editors found become the tools; with one, the
    // file's tools, written back with the others' sections intact.
    const QString ini = Tree->Path("kestu.ini");
    {
        TForm1 window;
        window.SettingsPath = ini;
        window.Start({});
        const TToolList found = window.ToolList;
        QVERIFY(window.close());
        TIniFile file;
        QVERIFY(file.LoadFromFile(ini));
        TToolList reread;
        reread.LoadTools(file);
        QCOMPARE(reread, found);
    }
    Tree->File("kestu.ini", "[Tools0]\r\nCaption=vi\r\nFilePath=vi\r\nParam=+%L %F\r\n[Tools1]\r\nCaption=b\r\n"
                            "[Other]\r\nKey=kept\r\n");
    TForm1 window;
    window.SettingsPath = ini;
    window.Start({});
    QCOMPARE(window.ToolList.Count(), 2);
    QCOMPARE(window.ActionListTools[0]->text(), QStringLiteral("vi"));
    window.ToolList.Delete(0);
    QVERIFY(window.close());
    TIniFile file;
    QVERIFY(file.LoadFromFile(ini));
    QVERIFY(!file.SectionExists(u"Tools1"));
    QCOMPARE(file.ReadString(u"Tools0", u"Caption", {}), QStringLiteral("b"));
    QCOMPARE(file.ReadString(u"Other", u"Key", {}), QStringLiteral("kept"));
}

QTEST_MAIN(TToolCommandsTest)
#include "tst_toolcommands.moc"
