// The preview pane in the window: its command, its settings, and following
// the current row.

#include "IniFile.h"
#include "MainWindow.h"
#include "PreviewLoader.h"
#include "PreviewPane.h"
#include "ResultListView.h"
#include "TestIni.h"
#include "TestMain.h"
#include "TestTree.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QMenuBar>
#include <QSplitter>
#include <QtTest>

class TestPreviewPane : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fromSettings_data();
    void fromSettings();
    void followsCurrentRow();
    void bigFileOpensAtItsLine_data();
    void bigFileOpensAtItsLine();
    void heightRemembered();
    void nameThatIsNotUtf8();
    void bigFileReadAside();

private:
    void SearchTree(const QString &text);
    TForm1 *Window = nullptr;
    TTestTree *Tree = nullptr;
};

void TestPreviewPane::init()
{
    Window = new TForm1;
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window));
    Tree = new TTestTree;
}

void TestPreviewPane::cleanup()
{
    delete Window;
    Window = nullptr;
    delete Tree;
    Tree = nullptr;
}

void TestPreviewPane::SearchTree(const QString &text)
{
    Window->ComboBoxTarget->setEditText(Tree->Root());
    Window->ComboBoxGrep->setEditText(text);
    Window->ActionFileGrepExecute();
    QTRY_VERIFY(Window->ActionFileGrep->isEnabled());
}

void TestPreviewPane::fromSettings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("height"); // of the pane; 0: a third of the room
    QTest::newRow("no preview keys") << QByteArray("[View]\r\nDetail=1\r\n") << false << 0;
    QTest::newRow("turned off, height kept") << QByteArray("[View]\r\nPreview=0\r\nPreviewHeight=90\r\n") << false << 0;
    QTest::newRow("turned on") << QByteArray("[View]\r\nPreview=1\r\n") << true << 0;
    QTest::newRow("turned on with a height") << QByteArray("[View]\r\nPreview=1\r\nPreviewHeight=90\r\n") << true << 90;
}

void TestPreviewPane::fromSettings()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, on);
    QFETCH(int, height);
    Window->ReadSettings(IniFrom(ini));
    Window->FinishSettings();
    QCOMPARE(Window->ActionViewPreview->isChecked(), on);
    QCOMPARE(Window->PreviewPane->isVisible(), on);
    const int room = Window->SplitterResult->height();
    if (!on) {
        // The list has the whole panel, as it has without a pane.
        QCOMPARE(Window->ListViewResult->height(), room);
        return;
    }
    const int expected = height > 0 ? height : (room - Window->SplitterResult->handleWidth()) / 3;
    QTRY_COMPARE(Window->PreviewPane->height(), expected);
}

void TestPreviewPane::followsCurrentRow()
{
    QList<QAction *> viewMenu;
    for (QAction *menu : Window->menuBar()->actions()) {
        if (menu->text() == QStringLiteral("表示(&V)"))
            viewMenu = menu->menu()->actions();
    }
    QVERIFY(viewMenu.contains(Window->ActionViewPreview));
    QCOMPARE(Window->ActionViewPreview->text(), QStringLiteral("プレビュー(&W)"));
    QVERIFY(Window->ActionViewPreview->isCheckable());
    QVERIFY(!Window->ActionViewPreview->isChecked());

    QByteArray text;
    for (int i = 1; i <= 30; ++i)
        text += i == 15 ? "line with the word\n" : "line " + QByteArray::number(i) + "\n";
    Tree->File("a.txt", text);
    Tree->File("b.txt", "the word\n");
    SearchTree(QStringLiteral("word"));
    QCOMPARE(Window->HitList.Size(), qsizetype(2));
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(0, 0));
    QVERIFY(Window->PreviewPane->BodyText().isEmpty()); // hidden: nothing read

    Window->ActionViewPreview->trigger();
    QVERIFY(Window->PreviewPane->isVisible());
    // Whichever file the search listed first.
    const auto expectRow = [this](int row, const QString &note) {
        const TGrepResult hit = Window->HitList.At(row);
        QCOMPARE(Window->PreviewPane->HeaderText(),
                 note.isEmpty() ? hit.FileName : hit.FileName + QStringLiteral("  —  ") + note);
        QCOMPARE(Window->PreviewPane->HighlightedText(Window->Display.FindColor), QStringLiteral("word"));
        const QStringList shown = Window->PreviewPane->BodyText().split(u'\n');
        QCOMPARE(shown.size(), hit.Line == 14 ? 21 : 1);
        QVERIFY(shown.contains(hit.Line == 14 ? QStringLiteral("15  line with the word")
                                              : QStringLiteral("1  the word")));
    };
    expectRow(0, QString());

    // The next row's file goes before the arrow key reaches it.
    const QString second = Window->HitList.FileNameAt(1);
    QByteArray secondText;
    {
        QFile f(second);
        QVERIFY(f.open(QIODevice::ReadOnly));
        secondText = f.readAll();
    }
    QVERIFY(QFile::remove(second));
    Window->ListViewResult->setFocus();
    QTest::keyClick(Window->ListViewResult, Qt::Key_Down);
    QCOMPARE(Window->ListViewResult->SelectedRow(), 1);
    QVERIFY(Window->PreviewPane->HeaderText().contains(QStringLiteral("ファイルがありません")));
    QVERIFY(Window->PreviewPane->BodyText().isEmpty());

    // Written back after the search, the row shows again with a note.
    QFile back(second);
    QVERIFY(back.open(QIODevice::WriteOnly));
    back.write(secondText);
    QVERIFY(back.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    back.close();
    QTest::keyClick(Window->ListViewResult, Qt::Key_Up);
    expectRow(0, QString());
    QTest::keyClick(Window->ListViewResult, Qt::Key_Down);
    expectRow(1, QStringLiteral("ファイルは検索の後に更新されています。"));

    Window->ActionViewPreview->trigger();
    QVERIFY(!Window->PreviewPane->isVisible());
    QVERIFY(Window->PreviewPane->BodyText().isEmpty());
}

void TestPreviewPane::nameThatIsNotUtf8()
{
    // 検索.txt with its name in Shift-JIS: read, and named as it shows.
    Tree->NativeFile("\x8c\x9f\x8d\xf5.txt", "one\nthe word\nthree\n");
    SearchTree(QStringLiteral("word"));
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
    Window->ActionViewPreview->trigger();
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(0, 0));
    QCOMPARE(Window->PreviewPane->HeaderText(), Tree->Root() + QStringLiteral("検索.txt"));
    QCOMPARE(Window->PreviewPane->BodyText().split(u'\n').size(), 3);
    QCOMPARE(Window->PreviewPane->HighlightedText(Window->Display.FindColor), QStringLiteral("word"));
}

void TestPreviewPane::bigFileReadAside()
{
    // A file above the size read at once, its hit on the last line. It is
    // ISO-2022-JP (the escape at its start says so), and that one escape
    // lies too far before the hit to be found near it: the lines are read
    // from the start, aside.
    QByteArray big = "\x1B(B";
    big.reserve(qsizetype(TForm1::AsidePreviewSize) + (1 << 20));
    while (big.size() <= TForm1::AsidePreviewSize)
        big += "filler line of some length, nothing to find here\n";
    big += "the last line has the word\n";
    const QString bigPath = Tree->File("big.txt", big);
    const QString smallPath = Tree->File("small.txt", "a small word\n");
    SearchTree(QStringLiteral("word"));
    QCOMPARE(Window->HitList.Size(), qsizetype(2));
    const int bigRow = Window->HitList.FileNameAt(0) == bigPath ? 0 : 1;
    Window->ActionViewPreview->trigger();
    QSignalSpy loaded(Window->PreviewLoader, &TPreviewLoader::Loaded);

    // The pane says it is reading, then shows the lines.
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(bigRow, 0));
    QCOMPARE(Window->PreviewPane->HeaderText(), bigPath + QStringLiteral("  —  読み込み中…"));
    QVERIFY(loaded.wait(20000));
    QCOMPARE(Window->PreviewPane->HeaderText(), bigPath);
    QCOMPARE(Window->PreviewPane->HighlightedText(Window->Display.FindColor), QStringLiteral("word"));
    QVERIFY(Window->PreviewPane->BodyText().contains(QStringLiteral("the last line has the word")));

    // Moving on before the read ends: the small file stays in the pane.
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(1 - bigRow, 0));
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(bigRow, 0));
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(1 - bigRow, 0));
    QCOMPARE(Window->PreviewPane->HeaderText(), smallPath);
    // The second read of the big file went on from the line start the first
    // one met, so it may have ended already; whatever it gives is dropped.
    QCoreApplication::processEvents();
    QCOMPARE(Window->PreviewPane->HeaderText(), smallPath);
}

void TestPreviewPane::bigFileOpensAtItsLine_data()
{
    QTest::addColumn<QByteArray>("mark");    // the file's first bytes
    QTest::addColumn<QByteArray>("line");    // a filler line, repeated
    QTest::addColumn<QByteArray>("last");    // the line with the hit
    QTest::addColumn<QString>("find");
    QTest::newRow("Shift-JIS, CR LF") << QByteArray() << QByteArray("\x8c\x9f\x8d\xf5\x82\xb5\x82\xc8\x82\xa2\x8d\x73\r\n")
                                      << QByteArray("\x8d\xc5\x8c\xe3\x82\xcc\x8c\xea\r\n") << QString::fromUtf8("最後");
    QTest::newRow("UTF-8, LF") << QByteArray() << QByteArray("filler line, \xe6\x97\xa5\xe6\x9c\xac\n")
                               << QByteArray("the last line has the \xe8\xaa\x9e\n") << QString::fromUtf8("語");
    QTest::newRow("EUC-JP, CR") << QByteArray() << QByteArray("\xb8\xa1\xba\xf7 filler\r") << QByteArray("last \xb8\xec here\r")
                                << QString::fromUtf8("語");
    QTest::newRow("ISO-2022-JP, LF") << QByteArray() << QByteArray("\x1B$B9T\x1B(B filler\n")
                                     << QByteArray("last \x1B$B8l\x1B(B\n") << QString::fromUtf8("語");
    const auto utf16 = [](const QString &text) {
        QByteArray out;
        for (const QChar c : text)
            out += char(c.unicode() & 0xFF), out += char(c.unicode() >> 8);
        return out;
    };
    QTest::newRow("UTF-16LE, CR LF") << QByteArray("\xFF\xFE") << utf16(QString::fromUtf8("filler 行\r\n"))
                                     << utf16(QString::fromUtf8("最後の語\r\n")) << QString::fromUtf8("語");
}

void TestPreviewPane::bigFileOpensAtItsLine()
{
    // A file far above the size read at once, its hit on the last line:
    // the search saw where that line begins, so the pane shows the lines
    // at once, and only the bytes around them are read.
    QFETCH(QByteArray, mark);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, last);
    QFETCH(QString, find);
    QByteArray big = mark;
    const qsizetype size = qsizetype(TForm1::AsidePreviewSize) + (1 << 20);
    big.reserve(size + line.size() + last.size());
    while (big.size() <= size)
        big += line;
    const qint64 lines = (big.size() - mark.size()) / line.size();
    big += last;
    const QString bigPath = Tree->File("big.txt", big);
    SearchTree(find);
    QCOMPARE(Window->HitList.Size(), qsizetype(1));
    QCOMPARE(Window->HitList.At(0).Line, lines);
    QVERIFY(Window->HitList.At(0).LineOffset > 0);
    Window->ActionViewPreview->trigger();
    Window->ListViewResult->setCurrentIndex(Window->ListViewResult->model()->index(0, 0));
    QCOMPARE(Window->PreviewPane->HeaderText(), bigPath); // no reading aside
    QCOMPARE(Window->PreviewPane->HighlightedText(Window->Display.FindColor), find);
    QVERIFY(Window->PreviewPane->BodyText().contains(QString::number(lines + 1)));
    QVERIFY(Window->PreviewPane->BodyText().contains(QString::number(lines - 9)));
    QVERIFY2(Window->PreviewReader->BytesRead() < 2 * TPreviewReader::PieceSize,
             qPrintable(QString::number(Window->PreviewReader->BytesRead())));
}

void TestPreviewPane::heightRemembered()
{
    Window->ActionViewPreview->trigger();
    QTRY_VERIFY(Window->PreviewPane->height() > 0);
    const int room = Window->SplitterResult->height() - Window->SplitterResult->handleWidth();
    Window->SplitterResult->setSizes({room - 77, 77});
    QTRY_COMPARE(Window->PreviewPane->height(), 77);
    TIniFile file;
    Window->WriteSettings(file);
    QCOMPARE(file.ReadBool(u"View", u"Preview", false), true);
    QCOMPARE(file.ReadInteger(u"View", u"PreviewHeight", 0), 77);

    TForm1 again;
    again.ReadSettings(file);
    again.FinishSettings();
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QVERIFY(again.PreviewPane->isVisible());
    QTRY_COMPARE(again.PreviewPane->height(), 77);
}

KESTU_TEST_CLASS(TestPreviewPane)
#include "tst_previewpane.moc"
