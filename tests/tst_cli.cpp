#include "CliOptions.h"
#include "CliReporter.h"
#include "Cp932.h"
#include "TestText.h"
#include "IconvConverter.h"
#include "TestTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TRun
{
    int Exit = -1;
    QByteArray Out, Err;
};

TRun Grep(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(KESTU_GREP), arguments);
    if (!p.waitForFinished(60000))
        qFatal("kestu-grep did not end");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray encode(const QString &t, const char *code)
{
    QByteArray out;
    TIconvConverter c(code, "UTF-8", "");
    c.Convert(t.toUtf8(), out);
    return out;
}

// As root every file is readable: the run is made as an ordinary user
// ("nobody"), in a tree that user may enter.
TRun GrepAsUser(const QStringList &arguments)
{
    constexpr uid_t Nobody = 65534;
    QProcess p;
    if (::geteuid() == 0) {
        p.setChildProcessModifier([] {
            if (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ::_exit(125);
        });
    }
    p.start(QStringLiteral(KESTU_GREP), arguments);
    if (!p.waitForFinished(60000))
        qFatal("kestu-grep did not end");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void outputThatCannotBeWrittenFails();
    void parse_data();
    void parse();
    void excludeDirOption_data();
    void excludeDirOption();
    void jsonRecord();
    void plainRecordShowsControlsSafely();
    void plainRecordShowsControlsAnywhere();
    void namesShowControlsSafely_data();
    void namesShowControlsSafely();
    void namesThatAreNotUtf8();
    void filesPastPathMax();
    void positionsPastThirtyTwoBits_data();
    void positionsPastThirtyTwoBits();
    void exitStatusAndMessages_data();
    void exitStatusAndMessages();
    void jsonOverEncodings();
    void filterAndDepth();
    void finalStatusOnStderr();
    void strangeFilesDoNotCrash();
    void unreadableFilesAreNamed_data();
    void unreadableFilesAreNamed();
    void colourChoice_data();
    void colourChoice();
    void colourReachesOutput_data();
    void colourReachesOutput();
    void contextGroups_data();
    void contextGroups();
    void contextOverEncodingsAndJson();
    void countAndFilesOnly();
    void notationFolding();
    void searchTextBytes_data();
    void searchTextBytes();
    void linksAndUnsearchableEntries_data();
    void linksAndUnsearchableEntries();
    void runawayRegexReportedOnce();
};

void TestCli::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("summary"); // b l i r c f json text target

    QTest::newRow("plain") << QStringList{"x", "dir"} << true << "0 0 0 0 0 * 0 x dir";
    QTest::newRow("all switches") << QStringList{"-b", "-l", "3", "-i", "-r", "-c", "2", "-f", "*.txt", "--json", "x", "d"}
                                  << true << "1 3 1 1 2 *.txt 1 x d";
    QTest::newRow("clustered and attached") << QStringList{"-bi", "-l5", "-c6", "x", "d"} << true << "1 5 1 0 6 * 0 x d";
    QTest::newRow("depth clamped high") << QStringList{"-l", "99", "x", "d"} << true << "0 64 0 0 0 * 0 x d";
    QTest::newRow("depth clamped low") << QStringList{"-l", "-4", "x", "d"} << true << "0 0 0 0 0 * 0 x d";
    QTest::newRow("text after --") << QStringList{"--", "-b", "d"} << true << "0 0 0 0 0 * 0 -b d";
    QTest::newRow("code out of range") << QStringList{"-c", "7", "x", "d"} << false << "";
    QTest::newRow("code not a number") << QStringList{"-c", "x", "x", "d"} << false << "";
    QTest::newRow("depth not a number") << QStringList{"-l", "deep", "x", "d"} << false << "";
    QTest::newRow("missing value") << QStringList{"x", "d", "-f"} << false << "";
    QTest::newRow("unknown short") << QStringList{"-z", "x", "d"} << false << "";
    QTest::newRow("unknown long") << QStringList{"--zap", "x", "d"} << false << "";
    QTest::newRow("one positional") << QStringList{"x"} << false << "";
    QTest::newRow("three positionals") << QStringList{"x", "y", "z"} << false << "";
    QTest::newRow("context value out of range") << QStringList{"-C", "-1", "x", "d"} << false << "";
    QTest::newRow("context needs a value") << QStringList{"x", "d", "-A"} << false << "";
    QTest::newRow("context attached in a cluster") << QStringList{"-bA2", "x", "d"} << true << "1 0 0 0 0 * 0 x d";
    QTest::newRow("help needs nothing else") << QStringList{"-h"} << true << "0 0 0 0 0 * 0  ";
}

void TestCli::excludeDirOption_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("patterns");
    QTest::newRow("none") << QStringList{"x", "d"} << true << QStringList{};
    QTest::newRow("separate value") << QStringList{"--exclude-dir", ".git", "x", "d"} << true << QStringList{".git"};
    QTest::newRow("attached, repeated")
        << QStringList{"--exclude-dir=.git", "x", "--exclude-dir=node_*", "d"} << true << QStringList{".git", "node_*"};
    QTest::newRow("value that looks like an option") << QStringList{"--exclude-dir", "-b", "x", "d"} << true << QStringList{"-b"};
    QTest::newRow("empty value is no pattern") << QStringList{"--exclude-dir=", "x", "d"} << true << QStringList{};
    QTest::newRow("missing value") << QStringList{"x", "d", "--exclude-dir"} << false << QStringList{};
    QTest::newRow("not a prefix of other options") << QStringList{"--exclude-dirs=a", "x", "d"} << false << QStringList{};
}

void TestCli::excludeDirOption()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(QStringList, patterns);
    TCliOptions options;
    QString error;
    QCOMPARE(options.Parse(args, error), ok);
    if (ok)
        QCOMPARE(options.Search.ExcludeDirs, patterns);
}

void TestCli::parse()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(QString, summary);
    TCliOptions o;
    QString error;
    QCOMPARE(o.Parse(args, error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok)
        return;
    const QString got = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                            .arg(int(o.Search.Recursive)).arg(o.Search.DepthLimit).arg(int(o.Search.NoCase))
                            .arg(int(o.Search.UseRegExp)).arg(o.Search.CodeChoice).arg(o.Search.FilterList)
                            .arg(int(o.Json)).arg(o.Search.FindText, o.Search.TargetPath);
    QCOMPARE(got, summary);
}

void TestCli::jsonRecord()
{
    TGrepResult hit;
    hit.AtLineStart = true;
    hit.Line = 4;
    hit.Column = 7;
    hit.CodeId = 51932;
    hit.HitLength = 4;
    hit.FileName = QString::fromUtf8("dir/\"名前\".txt");
    hit.BeforeText = Sjis("前\t\\");
    hit.TextFromHit = Sjis("検索の後");
    const QByteArray line = TCliReporter::FormatJson(hit);
    QVERIFY(line.endsWith('\n'));
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o.keys().size(), 10);
    QCOMPARE(o["file"].toString(), hit.FileName);
    QCOMPARE(o["line"].toInt(), 5);
    QCOMPARE(o["column"].toInt(), 7);
    QCOMPARE(o["length"].toInt(), 4);
    QCOMPARE(o["code"].toString(), QString("EUC-JP"));
    QCOMPARE(o["before"].toString(), QString::fromUtf8("前\t\\"));
    QCOMPARE(o["hit"].toString(), QString::fromUtf8("検索"));
    QCOMPARE(o["after"].toString(), QString::fromUtf8("の後"));
    QCOMPARE(o["lineStart"].toBool(), true);
    QCOMPARE(o["lineEnd"].toBool(), false);
}

void TestCli::plainRecordShowsControlsSafely()
{
    TGrepResult hit;
    hit.Line = 0;
    hit.Column = 3;
    hit.HitLength = 1;
    hit.FileName = "f";
    hit.BeforeText = "\x1B[";
    hit.TextFromHit = "x\x07";
    QCOMPARE(TCliReporter::FormatPlain(hit, false), QByteArray("f:1:3: ^[[x^G\n"));
    QCOMPARE(TCliReporter::FormatPlain(hit, true).count("\033["), 6); // only our own colours
}

void TestCli::plainRecordShowsControlsAnywhere()
{
    // Long plain stretches are passed over sixteen bytes at a time: a
    // control or mark just before, inside or after such a block is still
    // shown in its safe form, in the context and in the name.
    for (int k = 0; k < 40; ++k) {
        const QByteArray plain(k, 'a');
        TGrepResult hit;
        hit.Column = 1;
        hit.HitLength = 1;
        hit.FileName = QString(plain) + QChar(0x202E) + QString(plain) + QChar(0x85) + u'n';
        hit.BeforeText = plain + "\x1B" + plain;
        hit.TextFromHit = "x" + plain + "\x7F" + plain + "\t";
        const QByteArray expected = plain + "<U+202E>" + plain + "M-^En:1:1: " + plain + "^[" + plain + "x" + plain
                                    + "^?" + plain + "\t\n";
        QCOMPARE(TCliReporter::FormatPlain(hit, false), expected);
    }
}

// Names as an archive from Windows leaves them: Shift-JIS bytes, and bytes
// that are no text at all. Each is listed, entered, opened and shown.
void TestCli::namesThatAreNotUtf8()
{
    TTestTree tree;
    const QByteArray root = QFile::encodeName(tree.Root());
    const QByteArray folder = root + "\x8C\x9F\x8D\xF5";
    QVERIFY(::mkdir(folder.constData(), 0755) == 0);
    const QByteArray text = encode(QString::fromUtf8("前 蜃気楼\n"), "CP932");
    for (const QByteArray &name : {root + "sjis\x8C\x9F\x8D\xF5.txt", folder + "/inner.txt", root + "bad\xFF\xFE.txt"}) {
        FILE *f = ::fopen(name.constData(), "wb");
        QVERIFY(f);
        QCOMPARE(::fwrite(text.constData(), 1, size_t(text.size()), f), size_t(text.size()));
        ::fclose(f);
    }
    const TRun run = Grep({"-b", QString::fromUtf8("蜃気楼"), tree.Root()});
    QCOMPARE(run.Exit, 0);
    QList<QByteArray> lines = run.Out.split('\n');
    lines.removeAll(QByteArray());
    std::sort(lines.begin(), lines.end());
    const QByteArray shownRoot = tree.Root().toUtf8();
    QCOMPARE(lines, QList<QByteArray>({shownRoot + "bad\\xff\\xfe.txt:1:4: 前 蜃気楼",
                                       shownRoot + "sjis検索.txt:1:4: 前 蜃気楼",
                                       shownRoot + "検索/inner.txt:1:4: 前 蜃気楼"}));
    const TRun json = Grep({"-b", "--json", QString::fromUtf8("蜃気楼"), tree.Root()});
    QCOMPARE(json.Exit, 0);
    QVERIFY2(json.Out.contains("\"file\":\"" + shownRoot + "sjis検索.txt\""), json.Out.constData());
}

// A file 3,000 folders down: its path is longer than the system takes at
// once.
void TestCli::filesPastPathMax()
{
    constexpr int Depth = 3000;
    TTestTree tree;
    std::vector<int> folders{::open(QFile::encodeName(tree.Root()).constData(), O_PATH | O_DIRECTORY)};
    // The tree is taken down by hand: removing it by path would fail.
    const auto takeDown = qScopeGuard([&] {
        ::unlinkat(folders.back(), "deep.txt", 0);
        for (size_t i = folders.size() - 1; i > 0; --i) {
            ::close(folders[i]);
            ::unlinkat(folders[i - 1], "d", AT_REMOVEDIR);
        }
        ::close(folders[0]);
    });
    for (int i = 0; i < Depth; ++i) {
        QVERIFY(::mkdirat(folders.back(), "d", 0755) == 0);
        const int next = ::openat(folders.back(), "d", O_PATH | O_DIRECTORY);
        QVERIFY(next >= 0);
        folders.push_back(next);
    }
    const int file = ::openat(folders.back(), "deep.txt", O_WRONLY | O_CREAT, 0644);
    QVERIFY(file >= 0);
    QCOMPARE(::write(file, "a hit\n", 6), ssize_t(6));
    ::close(file);
    tree.File("top.txt", "hit\n");

    const TRun run = Grep({"-b", "hit", tree.Root()});
    QCOMPARE(run.Exit, 0);
    QVERIFY2(run.Err.count('\n') == 1, run.Err.constData()); // the status line alone
    QString deep = tree.Root();
    for (int i = 0; i < Depth; ++i)
        deep += QStringLiteral("d/");
    QList<QByteArray> lines = run.Out.split('\n');
    lines.removeAll(QByteArray());
    std::sort(lines.begin(), lines.end());
    QCOMPARE(lines, QList<QByteArray>({QFile::encodeName(deep) + "deep.txt:1:3: a hit",
                                       QFile::encodeName(tree.Root()) + "top.txt:1:1: hit"}));
}

void TestCli::namesShowControlsSafely_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("plain") << QString::fromUtf8("文書.txt") << QByteArray("文書.txt");
    QTest::newRow("ESC and BEL") << QStringLiteral("a\x1B]0;x\x07") << QByteArray("a^[]0;x^G");
    QTest::newRow("C1 CSI") << (QStringLiteral("a") + QChar(0x9B) + QStringLiteral("2J")) << QByteArray("aM-^[2J");
    QTest::newRow("C1 OSC") << (QStringLiteral("a") + QChar(0x9D) + QStringLiteral("b")) << QByteArray("aM-^]b");
    QTest::newRow("right-to-left override")
        << (QStringLiteral("invoice") + QChar(0x202E) + QStringLiteral("txt.exe")) << QByteArray("invoice<U+202E>txt.exe");
    QTest::newRow("isolate and marks")
        << (QChar(0x2066) + QStringLiteral("x") + QChar(0x2069) + QChar(0x200F) + QChar(0x061C))
        << QByteArray("<U+2066>x<U+2069><U+200F><U+061C>");
    // Neighbours of the escaped ranges stay as they are.
    QTest::newRow("Latin-1 and dashes") << QString::fromUtf8("é\u00A0\u2010\u2070") << QString::fromUtf8("é\u00A0\u2010\u2070").toUtf8();
}

void TestCli::namesShowControlsSafely()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, shown);
    TGrepResult hit;
    hit.Column = 1;
    hit.HitLength = 1;
    hit.FileName = name;
    hit.TextFromHit = "x";
    QCOMPARE(TCliReporter::FormatPlain(hit, false), shown + ":1:1: x\n");
    // JSON keeps the name exact.
    const QJsonObject o = QJsonDocument::fromJson(TCliReporter::FormatJson(hit)).object();
    QCOMPARE(o["file"].toString(), name);
}

void TestCli::positionsPastThirtyTwoBits_data()
{
    QTest::addColumn<qint64>("line");
    QTest::addColumn<qint64>("column");
    QTest::addColumn<qint64>("length");
    QTest::newRow("last 31-bit line") << qint64(2147483646) << qint64(1) << qint64(1);
    QTest::newRow("line past 2^31") << qint64(2147483647) << qint64(1) << qint64(1);
    QTest::newRow("line past 2^32") << qint64(5000000000) << qint64(9) << qint64(1);
    QTest::newRow("column past 2 GiB") << qint64(0) << qint64(3000000001) << qint64(2);
    QTest::newRow("hit longer than 2 GiB") << qint64(7) << qint64(1) << qint64(2200000000);
}

void TestCli::positionsPastThirtyTwoBits()
{
    QFETCH(qint64, line);
    QFETCH(qint64, column);
    QFETCH(qint64, length);
    TGrepResult hit;
    hit.Line = line;
    hit.Column = column;
    hit.HitLength = length;
    hit.FileName = "f";
    hit.TextFromHit = "xy";
    const QByteArray expected = "f:" + QByteArray::number(line + 1) + ':' + QByteArray::number(column) + ": ";
    QVERIFY(TCliReporter::FormatPlain(hit, false).startsWith(expected));
    const QJsonObject o = QJsonDocument::fromJson(TCliReporter::FormatJson(hit)).object();
    QCOMPARE(o["line"].toInteger(), line + 1);
    QCOMPARE(o["column"].toInteger(), column);
    QCOMPARE(o["length"].toInteger(), length);
}

void TestCli::exitStatusAndMessages_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("hits") << QStringList{"apple", "@"} << 0 << "";
    QTest::newRow("no hits") << QStringList{"pear", "@"} << 1 << "";
    QTest::newRow("missing target") << QStringList{"apple", "@/missing"} << 2 << "検索対象がありません";
    QTest::newRow("empty text") << QStringList{"", "@"} << 2 << "検索文字がありません";
    QTest::newRow("not shift-jis") << QStringList{"😀", "@"} << 2 << "検索文字に Shift-JIS で表せない文字があります";
    QTest::newRow("bad regular expression") << QStringList{"-r", "(", "@"} << 2 << "正規表現に誤りがあります (1 文字目)";
    QTest::newRow("bad option") << QStringList{"-q", "apple", "@"} << 2 << "usage: kestu-grep";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "";
}

void TestCli::exitStatusAndMessages()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, stderrHas);
    TTestTree tree;
    tree.File("a.txt", "an apple\n");
    for (QString &a : args)
        a.replace(u'@', tree.Root());
    const TRun run = Grep(args);
    QCOMPARE(run.Exit, exit);
    if (!stderrHas.isEmpty())
        QVERIFY2(QString::fromUtf8(run.Err).contains(stderrHas), run.Err.constData());
    // A refused pattern is reported alone: no search ran, so there is no status line.
    if (args.contains("-r") && exit == 2)
        QCOMPARE(run.Err.count('\n'), 1);
}

void TestCli::jsonOverEncodings()
{
    // The same sentence in every encoding; each file's hit has the same
    // line, column and context, and names its own code.
    TTestTree tree;
    const QString text = QString::fromUtf8("一行目です。\n二行目に検索という語があります。\n");
    tree.File("sjis.txt", Sjis(text));
    tree.File("euc.txt", encode(text, "EUC-JP-MS"));
    tree.File("jis.txt", encode(text, "ISO-2022-JP"));
    tree.File("utf8.txt", text.toUtf8());
    tree.File("bom.txt", "\xEF\xBB\xBF" + text.toUtf8());
    tree.File("utf16le.txt", "\xFF\xFE" + encode(text, "UTF-16LE"));
    tree.File("utf16be.txt", "\xFE\xFF" + encode(text, "UTF-16BE"));
    const TRun run = Grep({"--json", QString::fromUtf8("検索"), tree.Root()});
    QCOMPARE(run.Exit, 0);
    QMap<QString, QString> codes;
    for (const QByteArray &line : run.Out.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QCOMPARE(o["line"].toInt(), 2);
        QCOMPARE(o["column"].toInt(), 9);
        QCOMPARE(o["before"].toString(), QString::fromUtf8("二行目に"));
        QCOMPARE(o["after"].toString(), QString::fromUtf8("という語があります。"));
        QVERIFY(o["lineStart"].toBool() && o["lineEnd"].toBool());
        codes[QFileInfo(o["file"].toString()).fileName()] = o["code"].toString();
    }
    const QMap<QString, QString> expected{{"sjis.txt", "Shift-JIS"}, {"euc.txt", "EUC-JP"},
                                          {"jis.txt", "ISO-2022-JP"}, {"utf8.txt", "UTF8N"},
                                          {"bom.txt", "UTF8"}, {"utf16le.txt", "UTF16LE"},
                                          {"utf16be.txt", "UTF16BE"}};
    QCOMPARE(codes, expected);
}

void TestCli::filterAndDepth()
{
    TTestTree tree;
    tree.File("a.txt", "word");
    tree.File("a.md", "word");
    tree.File("d1/b.txt", "word");
    tree.File("d1/d2/c.txt", "word");
    auto files = [&](const QStringList &args) {
        QStringList out;
        for (const QByteArray &line : Grep(args + QStringList{"word", tree.Root()}).Out.split('\n'))
            if (!line.isEmpty())
                out.append(QString::fromUtf8(line.split(':').first()).mid(tree.Root().size()));
        out.sort();
        return out;
    };
    QCOMPARE(files({}), (QStringList{"a.md", "a.txt"}));
    QCOMPARE(files({"-f", "*.txt"}), QStringList{"a.txt"});
    QCOMPARE(files({"-b", "-f", "*.txt"}), (QStringList{"a.txt", "d1/b.txt", "d1/d2/c.txt"}));
    QCOMPARE(files({"-b", "-l", "1", "-f", "*.txt"}), (QStringList{"a.txt", "d1/b.txt"}));
}

void TestCli::finalStatusOnStderr()
{
    TTestTree tree;
    tree.File("a.txt", "x x\n");
    tree.File("b.txt", "y\n");
    const TRun run = Grep({"x", tree.Root()});
    QCOMPARE(run.Exit, 0);
    QCOMPARE(QString::fromUtf8(run.Err).trimmed(), QStringLiteral("対象: 2/2  該当: 2  検索終了"));
}

void TestCli::strangeFilesDoNotCrash()
{
    TTestTree tree;
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += char(i * 7919 % 256);
    tree.File("binary.bin", binary);
    tree.File("empty", "");
    tree.File("noend.txt", "abc abc");
    tree.File("longline.txt", QByteArray(3 << 20, 'a') + "abc");
    tree.File("lead-at-end.txt", "abc\x82");
    tree.File("bad-utf8.txt", "abc \xE3\x81 \xFF\xFE abc");
    tree.File("escape-only.txt", "\x1B\x1B\x1B$B\x1B(abc");
    const TRun run = Grep({"-b", "abc", tree.Root()});
    QCOMPARE(run.Exit, 0);
    QVERIFY(run.Out.count('\n') >= 6);
}

void TestCli::unreadableFilesAreNamed_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the tree
    QTest::addColumn<int>("exit");
    QTest::addColumn<QByteArray>("out");        // what standard output holds
    QTest::addColumn<QStringList>("named");     // files named on standard error
    QTest::newRow("folder: hits and an unreadable file")
        << QStringList{"hit", "@"} << 2 << QByteArray("a.txt:1:5: abc hit\n") << QStringList{"b.txt"};
    QTest::newRow("folder: no hit and an unreadable file")
        << QStringList{"nothing", "@"} << 2 << QByteArray() << QStringList{"b.txt"};
    QTest::newRow("unreadable file as the target")
        << QStringList{"hit", "@b.txt"} << 2 << QByteArray() << QStringList{"b.txt"};
    QTest::newRow("readable file as the target")
        << QStringList{"hit", "@a.txt"} << 0 << QByteArray("a.txt:1:5: abc hit\n") << QStringList{};
    QTest::newRow("subfolders: both unreadable files and the locked folder")
        << QStringList{"-b", "hit", "@"} << 2 << QByteArray("sub/d.txt:1:1: hit\na.txt:1:5: abc hit\n")
        << QStringList{"b.txt", "sub/c.txt", "locked"};
    QTest::newRow("subfolders: a file in a readable folder only")
        << QStringList{"-b", "-f", "*.md", "hit", "@"} << 2 << QByteArray() << QStringList{"locked"};
    QTest::newRow("locked folder as the target")
        << QStringList{"-b", "hit", "@locked"} << 2 << QByteArray() << QStringList{"locked"};
}

void TestCli::unreadableFilesAreNamed()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QByteArray, out);
    QFETCH(QStringList, named);
    TTestTree tree;
    const auto open = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther
        | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther | QFileDevice::WriteOwner;
    QVERIFY(QFile::setPermissions(tree.Root(), open));
    QVERIFY(QFile::setPermissions(tree.Folder("sub"), open));
    for (const char *name : {"a.txt", "sub/d.txt"})
        QVERIFY(QFile::setPermissions(tree.File(name, name[0] == 'a' ? "abc hit\n" : "hit\n"), open));
    for (const char *name : {"b.txt", "sub/c.txt"})
        QVERIFY(QFile::setPermissions(tree.File(name, "hit\n"), {}));
    tree.File("locked/e.txt", "hit\n");
    QVERIFY(QFile::setPermissions(tree.Path("locked"), {}));
    const auto unlock = qScopeGuard([&] { QFile::setPermissions(tree.Path("locked"), open); });
    for (QString &argument : arguments) {
        if (argument.startsWith(u'@'))
            argument = tree.Root() + argument.mid(1);
    }
    const TRun run = GrepAsUser(arguments);
    QCOMPARE(run.Exit, exit);
    QCOMPARE(run.Out, QByteArray(out).replace("a.txt", QFile::encodeName(tree.Path("a.txt")))
                          .replace("sub/d.txt", QFile::encodeName(tree.Path("sub/d.txt"))));
    const QList<QByteArray> lines = run.Err.split('\n');
    for (const QString &name : named) {
        const QByteArray start = "kestu-grep: " + QFile::encodeName(tree.Path(name)) + ": ";
        QVERIFY2(std::count_if(lines.begin(), lines.end(), [&](const QByteArray &l) { return l.startsWith(start); }) == 1,
                 run.Err.constData());
    }
    const auto namedCount = std::count_if(lines.begin(), lines.end(), [](const QByteArray &l) {
        return l.startsWith("kestu-grep: /");
    });
    QCOMPARE(namedCount, qsizetype(named.size()));
}

void TestCli::colourChoice_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("parses");
    QTest::addColumn<QString>("wanted"); // for (terminal, NO_COLOR): 00 01 10 11
    QTest::newRow("default") << QStringList{} << true << "0010";
    QTest::newRow("auto") << QStringList{"--color=auto"} << true << "0010";
    QTest::newRow("bare option is auto") << QStringList{"--color"} << true << "0010";
    QTest::newRow("always") << QStringList{"--color=always"} << true << "1111";
    QTest::newRow("never") << QStringList{"--color=never"} << true << "0000";
    QTest::newRow("british spelling") << QStringList{"--colour=always"} << true << "1111";
    QTest::newRow("last one wins") << QStringList{"--color=always", "--color=never"} << true << "0000";
    QTest::newRow("json is never coloured") << QStringList{"--color=always", "--json"} << true << "0000";
    QTest::newRow("unknown choice") << QStringList{"--color=sometimes"} << false << "";
    QTest::newRow("empty choice") << QStringList{"--color="} << false << "";
    QTest::newRow("choice is case-sensitive") << QStringList{"--color=Always"} << false << "";
}

void TestCli::colourChoice()
{
    QFETCH(QStringList, options);
    QFETCH(bool, parses);
    QFETCH(QString, wanted);
    TCliOptions o;
    QString error;
    QCOMPARE(o.Parse(options + QStringList{"x", "d"}, error), parses);
    if (!parses) {
        QVERIFY(error.contains(QLatin1String("--color")));
        return;
    }
    QString got;
    for (const bool terminal : {false, true})
        for (const bool noColour : {false, true})
            got += o.ColourWanted(terminal, noColour) ? u'1' : u'0';
    QCOMPARE(got, wanted);
}

void TestCli::colourReachesOutput_data()
{
    // Standard output is a pipe here, never a terminal.
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("noColour");
    QTest::addColumn<bool>("coloured");
    QTest::newRow("auto on a pipe") << QStringList{} << QByteArray() << false;
    QTest::newRow("always") << QStringList{"--color=always"} << QByteArray() << true;
    QTest::newRow("always beats NO_COLOR") << QStringList{"--color=always"} << QByteArray("1") << true;
    QTest::newRow("never") << QStringList{"--color=never"} << QByteArray() << false;
}

void TestCli::colourReachesOutput()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, noColour);
    QFETCH(bool, coloured);
    TTestTree tree;
    tree.File("a.txt", "an apple\n");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("NO_COLOR"));
    if (!noColour.isEmpty())
        env.insert(QStringLiteral("NO_COLOR"), QString::fromLatin1(noColour));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KESTU_GREP), options + QStringList{"apple", tree.Root()});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray out = p.readAllStandardOutput();
    QVERIFY(out.contains("apple"));
    QCOMPARE(out.contains("\033["), coloured);
}


void TestCli::contextGroups_data()
{
    // Lines of the file are their numbers; "h" marks the hit lines.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("lines");    // which lines carry a hit, e.g. "3,9"
    QTest::addColumn<QString>("expected"); // per output line: h<n>, c<n> or --
    QTest::newRow("two groups apart") << QStringList{"-C", "1"} << "3,9" << "c2 h3 c4 -- c8 h9 c10";
    QTest::newRow("touching groups merge") << QStringList{"-C", "1"} << "3,6" << "c2 h3 c4 c5 h6 c7";
    QTest::newRow("overlapping groups merge") << QStringList{"-C", "2"} << "3,5" << "c1 c2 h3 c4 h5 c6 c7";
    QTest::newRow("one line apart is two groups") << QStringList{"-A", "1"} << "2,5" << "h2 c3 -- h5 c6";
    QTest::newRow("adjacent hits") << QStringList{"-B", "1"} << "4,5" << "c3 h4 h5";
    QTest::newRow("clipped at the ends") << QStringList{"-C", "3"} << "1,12" << "h1 c2 c3 c4 -- c9 c10 c11 h12";
    QTest::newRow("-A wins over -C") << QStringList{"-A", "0", "-C", "2"} << "6" << "c4 c5 h6";
    QTest::newRow("zero context still separates") << QStringList{"-C", "0"} << "2,3,7" << "h2 h3 -- h7";
    QTest::newRow("two hits on one line") << QStringList{"-C", "1"} << "4,4" << "c3 h4 h4 c5";
}

void TestCli::contextGroups()
{
    QFETCH(QStringList, args);
    QFETCH(QString, lines);
    QFETCH(QString, expected);
    QList<int> hitLines;
    for (const QString &n : lines.split(u','))
        hitLines.append(n.toInt());
    QByteArray content;
    for (int n = 1; n <= 12; ++n) {
        content += "line" + QByteArray::number(n);
        for (int k = 0; k < hitLines.count(n); ++k)
            content += " HIT";
        content += n % 2 ? "\r\n" : "\n";
    }
    TTestTree tree;
    tree.File("f.txt", content);
    const QString path = tree.Root() + "f.txt";
    const TRun run = Grep(args + QStringList{"HIT", path});
    QCOMPARE(run.Exit, 0);
    QStringList got;
    for (const QByteArray &line : run.Out.split('\n')) {
        if (line.isEmpty())
            continue;
        const QString text = QString::fromUtf8(line);
        if (text == "--") {
            got << "--";
        } else if (text.startsWith(path + '-')) {
            const QString rest = text.mid(path.size() + 1);
            const QString number = rest.section(u'-', 0, 0);
            QCOMPARE(rest.section(u'-', 1), "line" + number); // the whole line, without its end
            got << "c" + number;
        } else {
            QVERIFY2(text.startsWith(path + ':'), line.constData());
            got << "h" + text.mid(path.size() + 1).section(u':', 0, 0);
        }
    }
    QCOMPARE(got.join(u' '), expected);
}

void TestCli::contextOverEncodingsAndJson()
{
    // Context lines are decoded with the code of the file, like the hit.
    TTestTree tree;
    const QString text = QString::fromUtf8("前の行です\n検索の行\n後の行です\n");
    tree.File("sjis.txt", Sjis(text));
    tree.File("euc.txt", encode(text, "EUC-JP-MS"));
    tree.File("jis.txt", encode(text, "ISO-2022-JP"));
    tree.File("bom.txt", "\xEF\xBB\xBF" + text.toUtf8());
    tree.File("utf16le.txt", "\xFF\xFE" + encode(text, "UTF-16LE"));
    tree.File("utf16be.txt", "\xFE\xFF" + encode(QString(text).replace(u'\n', QStringLiteral("\r\n")), "UTF-16BE"));
    const QString find = QString::fromUtf8("検索");

    const TRun plain = Grep({"-C", "1", find, tree.Root()});
    QCOMPARE(plain.Exit, 0);
    const QString out = QString::fromUtf8(plain.Out);
    for (const char *name : {"sjis.txt", "euc.txt", "jis.txt", "bom.txt", "utf16le.txt", "utf16be.txt"}) {
        const QString path = tree.Root() + name;
        QVERIFY2(out.contains(path + QString::fromUtf8("-1-前の行です\n")), qPrintable(out));
        QVERIFY2(out.contains(path + QString::fromUtf8("-3-後の行です\n")), qPrintable(out));
    }
    QCOMPARE(plain.Out.count("--\n"), 5);

    const TRun json = Grep({"--json", "-B", "1", find, tree.Root()});
    const TRun bare = Grep({"--json", find, tree.Root()});
    const QList<QByteArray> withContext = json.Out.split('\n');
    const QList<QByteArray> without = bare.Out.split('\n');
    QCOMPARE(withContext.size(), without.size());
    QVERIFY(!bare.Out.contains("context"));
    for (qsizetype i = 0; i < without.size(); ++i) {
        if (without[i].isEmpty())
            continue;
        QJsonObject o = QJsonDocument::fromJson(withContext[i]).object();
        const QJsonObject context = o.take("context").toObject();
        QCOMPARE(o, QJsonDocument::fromJson(without[i]).object()); // the rest is unchanged
        const QJsonArray before = context["before"].toArray();
        QCOMPARE(before.size(), 1);
        QCOMPARE(before[0].toObject()["line"].toInt(), 1);
        QCOMPARE(before[0].toObject()["text"].toString(), QString::fromUtf8("前の行です"));
        QVERIFY(context["after"].toArray().isEmpty());
    }
}

void TestCli::countAndFilesOnly()
{
    TTestTree tree;
    tree.File("a.txt", "x\nx x\nno\n");
    tree.File("b.txt", "none\n");
    tree.File("c.txt", "x\n");
    const TRun count = Grep({"--count", "x", tree.Root()});
    QCOMPARE(count.Exit, 0);
    QStringList lines = QString::fromUtf8(count.Out).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines, QStringList({tree.Root() + "a.txt:3", tree.Root() + "c.txt:1"}));

    const TRun files = Grep({"--files-with-matches", "-C", "2", "x", tree.Root()});
    QCOMPARE(files.Exit, 0);
    lines = QString::fromUtf8(files.Out).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines, QStringList({tree.Root() + "a.txt", tree.Root() + "c.txt"}));

    const TRun none = Grep({"--count", "absent", tree.Root()});
    QCOMPARE(none.Exit, 1);
    QVERIFY(none.Out.isEmpty());
}

void TestCli::searchTextBytes_data()
{
    QTest::addColumn<QByteArray>("text"); // printf's form of the argument's bytes
    QTest::addColumn<int>("exit");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("Shift-JIS bytes are taken as Shift-JIS")
        << QByteArray("\\214\\237\\215\\365") << 0 << QByteArray("a.txt:1:5: この検索は\n") << QString();
    QTest::newRow("UTF-8 as ever") << QByteArray("検索") << 0 << QByteArray("a.txt:1:5: この検索は\n") << QString();
    QTest::newRow("bytes of no code are refused")
        << QByteArray("what\\377\\376") << 2 << QByteArray()
        << QStringLiteral("検索文字に Shift-JIS で表せない文字があります");
    QTest::newRow("half a Shift-JIS character is refused")
        << QByteArray("what\\214") << 2 << QByteArray() << QStringLiteral("検索文字に Shift-JIS で表せない文字があります");
}

void TestCli::searchTextBytes()
{
    // A search text that is not UTF-8, as an old Shift-JIS terminal or
    // script gives it, never silently becomes question marks.
    QFETCH(QByteArray, text);
    QFETCH(int, exit);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    TTestTree tree;
    tree.File("a.txt", QString::fromUtf8("この検索は\n").toUtf8());
    tree.File("b.txt", "what??\n");
    QProcess p;
    p.setWorkingDirectory(tree.Root());
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf '%1')\" .").arg(QString::fromUtf8(text)),
                                        QStringLiteral(KESTU_GREP)});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), exit);
    QCOMPARE(p.readAllStandardOutput(), out.isEmpty() ? out : "./" + out);
    if (!err.isEmpty())
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(err));
}

void TestCli::linksAndUnsearchableEntries_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the tree
    QTest::addColumn<bool>("asUser");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("out");   // paths with a hit
    QTest::addColumn<QStringList>("named"); // named on standard error
    QTest::newRow("links to folders inside are not entered")
        << QStringList{"-b", "hit", "@top"} << false << 0 << QStringList{"top/a.txt", "top/file.txt"} << QStringList{};
    QTest::newRow("-L enters them, a loop once")
        << QStringList{"-b", "-L", "hit", "@top"} << false << 0
        << QStringList{"top/a.txt", "top/elsewhere/b.txt", "top/file.txt"} << QStringList{};
    QTest::newRow("--follow too")
        << QStringList{"-b", "--follow", "hit", "@top"} << false << 0
        << QStringList{"top/a.txt", "top/elsewhere/b.txt", "top/file.txt"} << QStringList{};
    QTest::newRow("a link to itself is named, the hits still printed")
        << QStringList{"-b", "hit", "@knotted"} << false << 2 << QStringList{"knotted/a.txt"} << QStringList{"knotted/knot"};
    QTest::newRow("a folder that may be read but not entered")
        << QStringList{"-b", "hit", "@open"} << true << 2 << QStringList{"open/a.txt"}
        << QStringList{"open/closed/f.txt", "open/closed/sub"};
}

void TestCli::linksAndUnsearchableEntries()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, asUser);
    QFETCH(int, exit);
    QFETCH(QStringList, out);
    QFETCH(QStringList, named);
    TTestTree tree;
    tree.File("top/a.txt", "hit\n");
    tree.File("other/b.txt", "hit\n");
    QVERIFY(QFile::link(tree.Path("top"), tree.Path("top/up")));
    QVERIFY(QFile::link(tree.Path("other"), tree.Path("top/elsewhere")));
    QVERIFY(QFile::link(tree.Path("other/b.txt"), tree.Path("top/file.txt")));
    if (!arguments.contains(QStringLiteral("-L")) && !arguments.contains(QStringLiteral("--follow")))
        QVERIFY(QFile::link(QStringLiteral("/"), tree.Path("top/root")));
    tree.File("knotted/a.txt", "hit\n");
    QVERIFY(QFile::link(tree.Path("knotted/knot"), tree.Path("knotted/knot")));
    // For the ordinary user: everything may be read and entered but
    // "closed", which may only be read.
    const auto open = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther
        | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther | QFileDevice::WriteOwner;
    tree.File("open/a.txt", "hit\n");
    tree.File("open/closed/f.txt", "hit\n");
    tree.Folder("open/closed/sub");
    for (const char *path : {"", "open", "open/a.txt", "open/closed/f.txt"})
        QVERIFY(QFile::setPermissions(tree.Path(QString::fromLatin1(path)), open));
    QVERIFY(QFile::setPermissions(tree.Path("open/closed"),
                                  QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner));
    for (QString &argument : arguments) {
        if (argument.startsWith(u'@'))
            argument = tree.Root() + argument.mid(1);
    }
    const TRun run = asUser ? GrepAsUser(arguments) : Grep(arguments);
    QCOMPARE(run.Exit, exit);
    QStringList printed;
    for (const QByteArray &line : run.Out.split('\n')) {
        if (!line.isEmpty())
            printed.append(QString::fromUtf8(line.left(line.indexOf(':'))).mid(tree.Root().size()));
    }
    printed.sort();
    QCOMPARE(printed, out);
    QStringList namedPaths;
    for (const QByteArray &line : run.Err.split('\n')) {
        if (line.startsWith("kestu-grep: /"))
            namedPaths.append(QString::fromUtf8(line.mid(12, line.indexOf(": ", 12) - 12)).mid(tree.Root().size()));
    }
    namedPaths.sort();
    QCOMPARE(namedPaths, named);
}

void TestCli::runawayRegexReportedOnce()
{
    // (.*)*b over 4,000 short lines ends with one line on standard error
    // that counts the lines given up on, and status 2.
    TTestTree tree;
    QByteArray text;
    for (int i = 0; i < 4000; ++i)
        text += "b" + QByteArray(10 + i % 40, 'x') + "\n";
    tree.File("many.txt", text);
    const TRun run = Grep({"-r", "(.*)*b", tree.Path("many.txt")});
    QCOMPARE(run.Exit, 2);
    QVERIFY(run.Out.isEmpty());
    const QList<QByteArray> lines = run.Err.trimmed().split('\n');
    QCOMPARE(lines.size(), 2); // the message, then the final counts
    QVERIFY2(QString::fromUtf8(lines[0]).contains(QStringLiteral("4000 行を飛ばしました")), run.Err.constData());
}

void TestCli::outputThatCannotBeWrittenFails()
{
    // Hits that never reach their file are no success: a full disk (here
    // /dev/full) is named, and the status is 2, not 0.
    TTestTree tree;
    tree.File("a.txt", QByteArray("hit\n").repeated(10000));
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(KESTU_GREP), {QStringLiteral("hit"), tree.Path("a.txt")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(p.readAllStandardError().contains("No space left on device"), "the reason is named");
}

void TestCli::notationFolding()
{
    // データ, ﾃﾞｰﾀ and でーた in every code: with both notation options each
    // file lists all three, each with its own column and length; without
    // them only the one written as searched.
    TTestTree tree;
    const QString text = QString::fromUtf8("データ ﾃﾞｰﾀ でーた\n");
    tree.File("sjis.txt", Sjis(text));
    tree.File("euc.txt", encode(text, "EUC-JP-MS"));
    tree.File("jis.txt", encode(text, "ISO-2022-JP-3"));
    tree.File("utf8.txt", text.toUtf8());
    for (const QStringList &options : {QStringList{"--ignore-width", "--ignore-kana"}, QStringList{"-WK"}}) {
        const TRun run = Grep(options + QStringList{"--json", "-b", QString::fromUtf8("データ"), tree.Root()});
        QCOMPARE(run.Exit, 0);
        QMap<QString, QStringList> hits;
        for (const QByteArray &line : run.Out.split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            hits[QFileInfo(o["file"].toString()).fileName()].append(
                QStringLiteral("%1:%2:%3").arg(o["column"].toInt()).arg(o["length"].toInt()).arg(o["hit"].toString()));
        }
        const QStringList each{QString::fromUtf8("1:6:データ"), QString::fromUtf8("8:4:ﾃﾞｰﾀ"),
                               QString::fromUtf8("13:6:でーた")};
        QCOMPARE(hits, (QMap<QString, QStringList>{{"sjis.txt", each}, {"euc.txt", each}, {"jis.txt", each},
                                                   {"utf8.txt", each}}));
    }
    const TRun plain = Grep({"--count", "-b", QString::fromUtf8("データ"), tree.Root()});
    QCOMPARE(plain.Out.count(":1\n"), 4);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
