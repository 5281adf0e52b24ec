#include "ActionTable.h"
#include "GrepSettings.h"
#include "StartArguments.h"
#include "TestMain.h"
#include "TestTree.h"

#include <QSet>
#include <QtTest>

#include <functional>

#include <sys/stat.h>

using TArgumentsEdit = std::function<void(TStartArguments &, const QString &root)>;
Q_DECLARE_METATYPE(TArgumentsEdit)

// The window's command line read into typed values, without a window.
class TestStartArguments : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void targetOf_data();
    void targetOf();
};

void TestStartArguments::parse_data()
{
    QTest::addColumn<QStringList>("args"); // "@" stands for the test tree's root
    QTest::addColumn<TArgumentsEdit>("expected");
    using A = TStartArguments;
    auto none = [](A &, const QString &) {};

    QTest::newRow("nothing") << QStringList{} << TArgumentsEdit(none);
    QTest::newRow("empty argument") << QStringList{""} << TArgumentsEdit(none);
    QTest::newRow("folder gets a separator")
        << QStringList{"@dir"} << TArgumentsEdit([](A &a, const QString &root) { a.Target = root + "dir/"; });
    QTest::newRow("folder keeps its separator")
        << QStringList{"@dir/"} << TArgumentsEdit([](A &a, const QString &root) { a.Target = root + "dir/"; });
    QTest::newRow("file as it is")
        << QStringList{"@dir/a.txt"} << TArgumentsEdit([](A &a, const QString &root) { a.Target = root + "dir/a.txt"; });
    QTest::newRow("missing path is no target") << QStringList{"@nothing"} << TArgumentsEdit(none);
    QTest::newRow("last path wins")
        << QStringList{"@dir/a.txt", "@dir"} << TArgumentsEdit([](A &a, const QString &root) { a.Target = root + "dir/"; });
    QTest::newRow("restore") << QStringList{"-restore"} << TArgumentsEdit([](A &a, const QString &) { a.Restore = true; });
    QTest::newRow("search text") << QStringList{"-sword"} << TArgumentsEdit([](A &a, const QString &) { a.Grep = "word"; });
    QTest::newRow("search text with blanks")
        << QStringList{"-s 前 後 "} << TArgumentsEdit([](A &a, const QString &) { a.Grep = QString::fromUtf8(" 前 後 "); });
    QTest::newRow("-s alone does nothing") << QStringList{"-s"} << TArgumentsEdit(none);
    QTest::newRow("filter") << QStringList{"-f*.c"} << TArgumentsEdit([](A &a, const QString &) { a.Filter = "*.c"; });
    QTest::newRow("later wins") << QStringList{"-sone", "-stwo"} << TArgumentsEdit([](A &a, const QString &) { a.Grep = "two"; });
    QTest::newRow("regexp on") << QStringList{"-r1"} << TArgumentsEdit([](A &a, const QString &) { a.RegExpr = true; });
    QTest::newRow("regexp off again")
        << QStringList{"-r1", "-r0"} << TArgumentsEdit([](A &a, const QString &) { a.RegExpr = false; });
    QTest::newRow("regexp other digit is ignored")
        << QStringList{"-r1", "-r5"} << TArgumentsEdit([](A &a, const QString &) { a.RegExpr = true; });
    QTest::newRow("regexp without digit") << QStringList{"-rx"} << TArgumentsEdit(none);
    QTest::newRow("subdirectory") << QStringList{"-b1"} << TArgumentsEdit([](A &a, const QString &) { a.SubDirectory = true; });
    QTest::newRow("-b too long") << QStringList{"-b11"} << TArgumentsEdit(none);
    QTest::newRow("ignore case") << QStringList{"-i1"} << TArgumentsEdit([](A &a, const QString &) { a.IgnoreCase = true; });
    QTest::newRow("notation options")
        << QStringList{"-w1", "-k1", "-k0"} << TArgumentsEdit([](A &a, const QString &) { a.IgnoreWidth = true; a.IgnoreKana = false; });
    QTest::newRow("detail") << QStringList{"-d0"} << TArgumentsEdit([](A &a, const QString &) { a.Detail = false; });
    QTest::newRow("full-width digit is no digit") << QStringList{"-d１"} << TArgumentsEdit(none);
    QTest::newRow("code") << QStringList{"-c3"} << TArgumentsEdit([](A &a, const QString &) { a.CodePage = 3; });
    QTest::newRow("last code") << QStringList{"-c6"} << TArgumentsEdit([](A &a, const QString &) { a.CodePage = 6; });
    QTest::newRow("code out of range") << QStringList{"-c7"} << TArgumentsEdit(none);
    QTest::newRow("depth") << QStringList{"-l5"} << TArgumentsEdit([](A &a, const QString &) { a.SubLimit = 5; });
    QTest::newRow("depth clamped") << QStringList{"-l99"} << TArgumentsEdit([](A &a, const QString &) { a.SubLimit = 64; });
    QTest::newRow("depth negative") << QStringList{"-l-1"} << TArgumentsEdit(none);
    QTest::newRow("depth malformed keeps the earlier")
        << QStringList{"-l5", "-lx"} << TArgumentsEdit([](A &a, const QString &) { a.SubLimit = 5; });
    QTest::newRow("unknown") << QStringList{"-zz"} << TArgumentsEdit(none);
    QTest::newRow("no dash") << QStringList{"sword"} << TArgumentsEdit(none);
    QTest::newRow("everything at once")
        << QStringList{"@dir", "-sx", "-f*", "-r1", "-b1", "-i1", "-d1", "-c2", "-l3", "-restore"}
        << TArgumentsEdit([](A &a, const QString &root) {
               a.Target = root + "dir/";
               a.Grep = "x";
               a.Filter = "*";
               a.RegExpr = a.SubDirectory = a.IgnoreCase = a.Detail = true;
               a.CodePage = 2;
               a.SubLimit = 3;
               a.Restore = true;
           });
}

void TestStartArguments::parse()
{
    QFETCH(QStringList, args);
    QFETCH(TArgumentsEdit, expected);
    TTestTree tree;
    tree.File("dir/a.txt", "x");
    for (QString &a : args)
        a.replace(u'@', tree.Root());
    TStartArguments wanted;
    expected(wanted, tree.Root());
    const TStartArguments got = TStartArguments::Parse(args);
    QCOMPARE(got.Target, wanted.Target);
    QCOMPARE(got.Grep, wanted.Grep);
    QCOMPARE(got.Filter, wanted.Filter);
    QCOMPARE(got.RegExpr, wanted.RegExpr);
    QCOMPARE(got.SubDirectory, wanted.SubDirectory);
    QCOMPARE(got.IgnoreCase, wanted.IgnoreCase);
    QCOMPARE(got.IgnoreWidth, wanted.IgnoreWidth);
    QCOMPARE(got.IgnoreKana, wanted.IgnoreKana);
    QCOMPARE(got.Detail, wanted.Detail);
    QCOMPARE(got.CodePage, wanted.CodePage);
    QCOMPARE(got.SubLimit, wanted.SubLimit);
    QCOMPARE(got.Restore, wanted.Restore);
    QVERIFY(got == wanted);
}

void TestStartArguments::targetOf_data()
{
    QTest::addColumn<QString>("path");     // relative to the test tree, or absolute
    QTest::addColumn<QString>("expected"); // "-" for none, "@" for the tree's root
    QTest::newRow("file") << "dir/a.txt" << "@dir/a.txt";
    QTest::newRow("folder") << "dir" << "@dir/";
    QTest::newRow("missing") << "none" << "-";
    QTest::newRow("a FIFO is no target") << "fifo" << "-";
    QTest::newRow("empty") << "" << "-";
}

void TestStartArguments::targetOf()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    TTestTree tree;
    tree.File("dir/a.txt", "x");
    tree.Folder("dir/sub");
    QVERIFY(::mkfifo(QFile::encodeName(tree.Path("fifo")).constData(), 0600) == 0);
    const std::optional<QString> got = TStartArguments::TargetOf(path.isEmpty() ? path : tree.Path(path));
    if (expected == "-")
        QVERIFY(!got);
    else
        QCOMPARE(got.value_or("-"), QString(expected).replace(u'@', tree.Root()));
}

// The table the window's actions and the Action section come from.
class TestActionTable : public QObject
{
    Q_OBJECT
private slots:
    void designedShortcuts_data();
    void designedShortcuts();
    void namesAreUniqueAndFound();
    void groupsHoldEachTagOnce();
};

void TestActionTable::designedShortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::newRow("first") << "ActionFileOpenFile" << 16463 << 0;
    QTest::newRow("Ctrl+Enter") << "ActionFileGrep" << 16397 << 2;
    QTest::newRow("Esc") << "ActionFileCancel" << 27 << 3;
    QTest::newRow("Alt+F4") << "ActionFileExit" << 32883 << 4;
    QTest::newRow("Ctrl+Up") << "ActionViewTargetParent" << 16422 << 6;
    QTest::newRow("Shift+Ctrl+3") << "ActionViewAlignR" << 24627 << 12;
    QTest::newRow("F9") << "ActionOptionTool" << 120 << 13;
    QTest::newRow("Shift+Ctrl+I") << "ActionOptionIgnoreCase" << 24649 << 16;
    QTest::newRow("none") << "ActionOptionMutex" << 0 << 17;
    QTest::newRow("F1") << "ActionHelpOnlineHelp" << 112 << 21;
    QTest::newRow("last") << "ActionToolsResultTarget" << 0 << 28;
}

void TestActionTable::designedShortcuts()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(int, index);
    const QList<TGrepSettings::TActionShortcut> shortcuts = TGrepSettings::DesignedShortcuts();
    QCOMPARE(shortcuts.size(), TActionTable::Count);
    QCOMPARE(shortcuts.at(index).Name, name);
    QCOMPARE(int(shortcuts.at(index).Code), code);
    QCOMPARE(TActionTable::Entries()[size_t(index)].NameText(), name);
    QCOMPARE(int(TGrepSettings().ShortcutOf(name)), code);
}

void TestActionTable::namesAreUniqueAndFound()
{
    QSet<QString> names;
    for (const TActionTable::TEntry &entry : TActionTable::Entries()) {
        QVERIFY2(!names.contains(entry.NameText().toLower()), entry.Name);
        names.insert(entry.NameText().toLower());
        QCOMPARE(TActionTable::Find(entry.NameText().toUpper()), &entry);
        QVERIFY(!entry.CaptionText().isEmpty());
        QVERIFY(!entry.CategoryText().isEmpty());
    }
    QCOMPARE(TActionTable::Find(u"ActionTools0"), nullptr);
}

void TestActionTable::groupsHoldEachTagOnce()
{
    using G = TActionTable::TGroup;
    for (G group : {G::FileForm, G::Alignment}) {
        QList<int> tags;
        for (const TActionTable::TEntry &entry : TActionTable::Entries()) {
            if (entry.Group == group) {
                QVERIFY(entry.Checkable);
                tags.append(entry.Tag);
            }
        }
        QCOMPARE(tags, QList<int>({0, 1, 2}));
    }
}

KESTU_TEST_CLASS(TestStartArguments)
KESTU_TEST_CLASS(TestActionTable)
#include "tst_startarguments.moc"
