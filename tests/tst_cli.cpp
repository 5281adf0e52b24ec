#include "CliOptions.h"
#include "CliReporter.h"
#include "Cp932.h"
#include "TestText.h"
#include "IconvConverter.h"
#include "TestTree.h"
#include "TestZip.h"
#include "FileLimits.h"

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
    void longAndShortForms_data();
    void longAndShortForms();
    void wordEdges_data();
    void wordEdges();
    void standardInput_data();
    void standardInput();
    void standardInputAmongTargets();
    void quietOnEndlessInput();
    void severalTargetsInOrder();
    void grepHabitsInOutput_data();
    void grepHabitsInOutput();
    void nullAfterAwkwardNames();
    void outputOptions_data();
    void outputOptions();
    void pathsAsBytesForPrograms_data();
    void pathsAsBytesForPrograms();
    void outputEncodingRoundTrip_data();
    void outputEncodingRoundTrip();
    void hyperlinks();
    void sizeAndTimeTexts_data();
    void sizeAndTimeTexts();
    void limitsAtTheirEdges_data();
    void limitsAtTheirEdges();
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
    void searchArchives();
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
    QTest::newRow("unknown short") << QStringList{"-Q", "x", "d"} << false << "";
    QTest::newRow("unknown long") << QStringList{"--zap", "x", "d"} << false << "";
    QTest::newRow("text alone: standard input") << QStringList{"x"} << true << "0 0 0 0 0 * 0 x ";
    QTest::newRow("several targets, first kept as the target") << QStringList{"x", "y", "z"} << true << "0 0 0 0 0 * 0 x y";
    QTest::newRow("no text") << QStringList{"-b"} << false << "";
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

namespace {

// The options a parse set, in one line: b l i r c f j A B C w o m q s null
// noname | targets.
QString Summary(const TCliOptions &o)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 ")
               .arg(int(o.Search.Recursive)).arg(o.Search.DepthLimit).arg(int(o.Search.NoCase))
               .arg(int(o.Search.UseRegExp)).arg(o.Search.CodeChoice).arg(o.Search.FilterList)
               .arg(o.Workers).arg(o.After).arg(o.Before)
           + QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 | ")
                 .arg(o.Context).arg(int(o.WordRegexp)).arg(int(o.OnlyMatching)).arg(o.MaxCount)
                 .arg(int(o.Quiet)).arg(int(o.NoMessages)).arg(int(o.NullAfterPath)).arg(int(o.NoFileName))
           + o.Targets.join(u',');
}

// The options parsed from args summed up, or (expected starting with "!")
// the start of the error they give.
void CheckParse(const QStringList &args, const QString &expected, QString (*summary)(const TCliOptions &))
{
    TCliOptions o;
    QString error;
    const bool ok = o.Parse(args, error);
    if (expected.startsWith(u'!')) {
        QVERIFY(!ok);
        QVERIFY2(error.startsWith(expected.mid(1)), qPrintable(error));
        return;
    }
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(summary(o), expected);
}

} // namespace

void TestCli::longAndShortForms_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // the summary, or the error's start when it begins with "!"

    const QString none = "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0 | d";
    QTest::newRow("nothing") << QStringList{"x", "d"} << none;
    struct TForm { const char *Name; QStringList Args; const char *Expected; };
    const TForm forms[] = {
        {"-b", {"-b"}, "1 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--recursive", {"--recursive"}, "1 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"-l 3", {"-l", "3"}, "0 3 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--max-depth=3", {"--max-depth=3"}, "0 3 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--max-depth 3", {"--max-depth", "3"}, "0 3 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--ignore-case", {"--ignore-case"}, "0 0 1 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--regex", {"--regex"}, "0 0 0 1 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--code=euc-jp", {"--code=euc-jp"}, "0 0 0 0 2 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--code UTF-8N", {"--code", "UTF-8N"}, "0 0 0 0 6 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"-c sjis", {"-c", "sjis"}, "0 0 0 0 1 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"-c iso-2022-jp", {"-ciso-2022-jp"}, "0 0 0 0 3 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--code=utf-7", {"--code=utf-7"}, "0 0 0 0 4 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--code=Auto", {"-c5", "--code=Auto"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--filter=*.txt", {"--filter=*.txt"}, "0 0 0 0 0 *.txt 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--filter '*.a,*.b'", {"--filter", "*.a,*.b"}, "0 0 0 0 0 *.a,*.b 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--jobs=4", {"--jobs=4"}, "0 0 0 0 0 * 4 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"-j 2", {"-j", "2"}, "0 0 0 0 0 * 2 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--after-context=2", {"--after-context=2"}, "0 0 0 0 0 * 0 2 -1 -1 0 0 -1 0 0 0 0"},
        {"--before-context 1", {"--before-context", "1"}, "0 0 0 0 0 * 0 -1 1 -1 0 0 -1 0 0 0 0"},
        {"--context=0", {"--context=0"}, "0 0 0 0 0 * 0 -1 -1 0 0 0 -1 0 0 0 0"},
        {"-w -o", {"-wo"}, "0 0 0 0 0 * 0 -1 -1 -1 1 1 -1 0 0 0 0"},
        {"long word and only", {"--word-regexp", "--only-matching"}, "0 0 0 0 0 * 0 -1 -1 -1 1 1 -1 0 0 0 0"},
        {"-m 0", {"-m", "0"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 0 0 0 0 0"},
        {"--max-count=7", {"--max-count=7"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 7 0 0 0 0"},
        {"-qs", {"-qs"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 1 1 0 0"},
        {"--quiet --no-messages", {"--quiet", "--no-messages"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 1 1 0 0"},
        {"--null", {"--null"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 1 0"},
        {"--no-filename", {"--no-filename"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 1"},
        {"-H after --no-filename", {"--no-filename", "-H"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
        {"--with-filename", {"--with-filename"}, "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0"},
    };
    for (const TForm &f : forms)
        QTest::newRow(f.Name) << (f.Args + QStringList{"x", "d"}) << QString::fromLatin1(f.Expected) + " | d";

    QTest::newRow("targets in order, - kept") << QStringList{"x", "b", "-", "a"} << "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0 | b,-,a";
    QTest::newRow("-- ends the options") << QStringList{"x", "--", "-b", "--null"} << "0 0 0 0 0 * 0 -1 -1 -1 0 0 -1 0 0 0 0 | -b,--null";
    QTest::newRow("value looking like an option") << QStringList{"--filter", "-b", "x", "d"} << "0 0 0 0 0 -b 0 -1 -1 -1 0 0 -1 0 0 0 0 | d";

    QTest::newRow("bad code name") << QStringList{"--code=latin1", "x", "d"} << "!--code needs a number from 0 to 6";
    QTest::newRow("bad code number") << QStringList{"-c", "9", "x", "d"} << "!-c needs a number from 0 to 6";
    QTest::newRow("bad depth") << QStringList{"--max-depth=deep", "x", "d"} << "!--max-depth needs a number";
    QTest::newRow("bad jobs") << QStringList{"--jobs", "0", "x", "d"} << "!--jobs needs a number from 1 to 256";
    QTest::newRow("bad context") << QStringList{"--context=-2", "x", "d"} << "!--context needs a number from 0";
    QTest::newRow("bad max count") << QStringList{"-m", "x", "x", "d"} << "!-m needs a number from 0";
    QTest::newRow("long value missing") << QStringList{"x", "d", "--max-count"} << "!--max-count needs a value";
    QTest::newRow("short value missing") << QStringList{"x", "d", "-m"} << "!option -m needs a value";
    QTest::newRow("switch given a value") << QStringList{"--quiet=yes", "x", "d"} << "!--quiet takes no value";
    QTest::newRow("unknown long") << QStringList{"--quit", "x", "d"} << "!unknown option: --quit";
    QTest::newRow("unknown short in a cluster") << QStringList{"-bZ", "x", "d"} << "!unknown option: -Z";
    QTest::newRow("bad colour") << QStringList{"--color=pink", "x", "d"} << "!--color needs auto, always or never";
}

void TestCli::longAndShortForms()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    CheckParse(args, expected, Summary);
}

void TestCli::wordEdges_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("fromHit");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("word");
    QTest::newRow("whole line") << QByteArray() << QByteArray("cat") << 3 << true;
    QTest::newRow("line start, blank after") << QByteArray() << QByteArray("cat dog") << 3 << true;
    QTest::newRow("line end, blank before") << QByteArray("a ") << QByteArray("cat") << 3 << true;
    QTest::newRow("letter before") << QByteArray("s") << QByteArray("cat") << 3 << false;
    QTest::newRow("digit after") << QByteArray() << QByteArray("cat9") << 3 << false;
    QTest::newRow("underscore after") << QByteArray("x ") << QByteArray("cat_") << 3 << false;
    QTest::newRow("punctuation both sides") << QByteArray("(") << QByteArray("cat)") << 3 << true;
    // 検 and ア in Shift-JIS; the second byte of ア is the letter A.
    QTest::newRow("kanji before and after") << QByteArray("\x8c\x9f") << QByteArray("cat\x8c\x9f") << 3 << true;
    QTest::newRow("double-byte ending in a letter byte") << QByteArray("\x83\x41") << QByteArray("cat") << 3 << true;
    QTest::newRow("letter after a double-byte") << QByteArray("\x83\x41z") << QByteArray("cat") << 3 << false;
    QTest::newRow("kanji hit beside letters") << QByteArray("a") << QByteArray("\x8c\x9f" "b") << 2 << false;
}

void TestCli::wordEdges()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, fromHit);
    QFETCH(int, length);
    QFETCH(bool, word);
    TGrepResult hit;
    hit.BeforeText = before;
    hit.TextFromHit = fromHit;
    hit.HitLength = length;
    QCOMPARE(TCliReporter::StandsAsWord(hit), word);
}

namespace {

// kestu-grep with input written to its standard input a few bytes at a time.
TRun GrepWithInput(const QStringList &arguments, const QByteArray &input, qsizetype piece)
{
    QProcess p;
    p.start(QStringLiteral(KESTU_GREP), arguments);
    if (!p.waitForStarted(60000))
        qFatal("kestu-grep did not start");
    for (qsizetype at = 0; at < input.size(); at += piece) {
        p.write(input.mid(at, piece));
        p.waitForBytesWritten(60000);
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        qFatal("kestu-grep did not end");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

void TestCli::standardInput_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<int>("piece");
    for (const char *code : {"SHIFT_JIS", "EUC-JP", "ISO-2022-JP", "UTF-8", "UTF-16LE", "UTF-7"}) {
        QTest::addRow("%s at once", code) << QByteArray(code) << (1 << 20);
        QTest::addRow("%s in tiny reads", code) << QByteArray(code) << 3;
    }
}

void TestCli::standardInput()
{
    QFETCH(QByteArray, code);
    QFETCH(int, piece);
    const QString text = QStringLiteral("日本語の文章の一行目です。\nここで全文検索をします。\n三行目はおしまいです。\n");
    QByteArray input = encode(text, code.constData());
    if (code == "UTF-16LE")
        input.prepend("\xff\xfe");
    // UTF-7 is not told apart from ASCII by itself, in a file as on a pipe.
    const QStringList args = code == "UTF-7" ? QStringList{"--code=utf-7", "全文検索"} : QStringList{"全文検索"};
    const TRun run = GrepWithInput(args, input, piece);
    QCOMPARE(run.Exit, 0);
    QCOMPARE(QString::fromUtf8(run.Out), QStringLiteral("(standard input):2:7: ここで全文検索をします。\n"));
}

void TestCli::standardInputAmongTargets()
{
    TTestTree tree;
    tree.File("a.txt", "apple pie\n");
    const TRun run = GrepWithInput({"--files-with-matches", "apple", tree.Root() + "a.txt", "-"}, "an apple\n", 4);
    QCOMPARE(run.Exit, 0);
    QCOMPARE(run.Out, (tree.Root() + "a.txt\n(standard input)\n").toUtf8());
    const TRun json = GrepWithInput({"--json", "apple"}, "an apple\n", 100);
    QVERIFY2(json.Out.contains("\"(standard input)\""), json.Out.constData());
    // Lines around a hit in standard input are shown too.
    const TRun context = GrepWithInput({"-A", "1", "apple"}, "an apple\nthen pie\n", 100);
    QCOMPARE(context.Out, QByteArray("(standard input):1:4: an apple\n(standard input)-2-then pie\n"));
}

void TestCli::quietOnEndlessInput()
{
    // -q on standard input that stays open: the hit that has come settles
    // the answer at once, without waiting for an end that never comes.
    QProcess p;
    p.start(QStringLiteral(KESTU_GREP), {"-q", QString::fromUtf8("全文検索")});
    QVERIFY(p.waitForStarted());
    p.write(QString::fromUtf8("一行目\nここで全文検索をします。\n").toUtf8());
    QVERIFY(p.waitForBytesWritten());
    QVERIFY2(p.waitForFinished(30000), "kestu-grep -q waited for the end of its input");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput(), QByteArray());
    // No hit: the end of the input gives the answer 1.
    const TRun none = GrepWithInput({"-q", QString::fromUtf8("全文検索")}, "nothing here\n", 4);
    QCOMPARE(none.Exit, 1);
}

void TestCli::severalTargetsInOrder()
{
    TTestTree tree;
    tree.File("one/a.txt", "x\n");
    tree.File("two/b.txt", "x\n");
    tree.File("c.txt", "x\n");
    const TRun run = Grep({"-b", "--files-with-matches", "x", tree.Root() + "two", tree.Root() + "gone",
                           tree.Root() + "c.txt", tree.Root() + "one"});
    QCOMPARE(run.Exit, 2);
    QCOMPARE(QString::fromUtf8(run.Out), tree.Root() + "two/b.txt\n" + tree.Root() + "c.txt\n" + tree.Root() + "one/a.txt\n");
    QVERIFY2(QString::fromUtf8(run.Err).contains(tree.Root() + "gone: 検索対象がありません"), run.Err.constData());
    // One status line for all the targets, their files and hits added up.
    QCOMPARE(run.Err.count("検索終了"), 1);
    QVERIFY2(QString::fromUtf8(run.Err).contains(QStringLiteral("対象: 3/3  該当: 3  検索終了")), run.Err.constData());
}

void TestCli::grepHabitsInOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out"); // @ stands for the tree
    QTest::addColumn<int>("exit");
    QTest::newRow("-w keeps whole words") << QStringList{"-w", "cat", "@a.txt"} << "@a.txt:1:11: catalogue cat\n@a.txt:2:5: the cat sat\n" << 0;
    QTest::newRow("-w and no word") << QStringList{"-w", "at", "@a.txt"} << "" << 1;
    QTest::newRow("-o prints the hit") << QStringList{"-o", "-i", "CAT", "@a.txt"} << "@a.txt:1:1: cat\n@a.txt:1:11: cat\n@a.txt:2:5: cat\n" << 0;
    QTest::newRow("--no-filename") << QStringList{"--no-filename", "sat", "@a.txt"} << "2:9: the cat sat\n" << 0;
    QTest::newRow("-m per file, across files") << QStringList{"-m", "1", "cat", "@a.txt", "@b.txt"} << "@a.txt:1:1: catalogue cat\n@b.txt:1:1: cat\n" << 0;
    QTest::newRow("-m with --count") << QStringList{"-m2", "--count", "cat", "@a.txt", "@b.txt"} << "@a.txt:2\n@b.txt:2\n" << 0;
    QTest::newRow("-m 0 finds nothing") << QStringList{"-m", "0", "cat", "@a.txt"} << "" << 1;
    QTest::newRow("-q prints nothing") << QStringList{"-q", "cat", "@a.txt", "@b.txt"} << "" << 0;
}

void TestCli::grepHabitsInOutput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    QFETCH(int, exit);
    TTestTree tree;
    tree.File("a.txt", "catalogue cat\nthe cat sat\n");
    tree.File("b.txt", "cat\ncat\ncat\n");
    for (QString &a : args)
        a.replace(u'@', tree.Root());
    const TRun run = Grep(args);
    QCOMPARE(run.Exit, exit);
    QCOMPARE(QString::fromUtf8(run.Out), QString(out).replace(u'@', tree.Root()));
}

void TestCli::nullAfterAwkwardNames()
{
    TTestTree tree;
    tree.File("with blank.txt", "x\n");
    tree.File("with\nnewline.txt", "x\nx\n");
    const QString blank = tree.Root() + "with blank.txt";
    const QString newline = tree.Root() + "with\nnewline.txt";
    const TRun files = Grep({"--files-with-matches", "--null", "x", blank, newline});
    QCOMPARE(files.Exit, 0);
    QCOMPARE(files.Out, blank.toUtf8() + '\0' + newline.toUtf8() + '\0');
    const TRun count = Grep({"--count", "--null", "x", blank, newline});
    QCOMPARE(count.Out, blank.toUtf8() + '\0' + "1\n" + newline.toUtf8() + '\0' + "2\n");
}

void TestCli::outputOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // "code link", or the error's start after "!"
    QTest::newRow("defaults") << QStringList{"x", "d"} << " 2";
    QTest::newRow("sjis") << QStringList{"--output-encoding=sjis", "x", "d"} << "CP932 2";
    QTest::newRow("SJIS blank form") << QStringList{"--output-encoding", "SJIS", "x", "d"} << "CP932 2";
    QTest::newRow("euc-jp") << QStringList{"--output-encoding=euc-jp", "x", "d"} << "EUC-JP 2";
    QTest::newRow("back to utf-8") << QStringList{"--output-encoding=euc-jp", "--output-encoding=UTF-8", "x", "d"} << " 2";
    QTest::newRow("hyperlink alone is auto") << QStringList{"--hyperlink", "x", "d"} << " 0";
    QTest::newRow("hyperlink=always") << QStringList{"--hyperlink=always", "x", "d"} << " 1";
    QTest::newRow("bad encoding") << QStringList{"--output-encoding=latin1", "x", "d"} << "!--output-encoding needs utf-8, sjis or euc-jp";
    QTest::newRow("encoding missing") << QStringList{"x", "d", "--output-encoding"} << "!--output-encoding needs a value";
    QTest::newRow("bad hyperlink") << QStringList{"--hyperlink=yes", "x", "d"} << "!--hyperlink needs auto, always or never";
}

void TestCli::outputOptions()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    CheckParse(args, expected, [](const TCliOptions &o) {
        return QString::fromLatin1(o.OutputCode) + u' ' + QString::number(int(o.Hyperlink));
    });
}

void TestCli::pathsAsBytesForPrograms_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("Shift-JIS name") << QByteArray("\x8c\x9f\x8d\xf5.txt") << false;
    QTest::newRow("EUC-JP name") << QByteArray("\xb8\xa1\xba\xf7.txt") << false;
    QTest::newRow("stray byte") << QByteArray("a\xff.txt") << false;
    QTest::newRow("UTF-8 name") << QByteArray("\xe6\xa4\x9c\xe7\xb4\xa2.txt") << true;
}

void TestCli::pathsAsBytesForPrograms()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, utf8);
    TTestTree tree;
    const QByteArray path = tree.NativeFile(name, "x\n");
    const QString root = tree.Root();
    // The output is a pipe: each path as its bytes, which open the file.
    const TRun files = Grep({"-b", "--files-with-matches", "x", root});
    QCOMPARE(files.Out, path + '\n');
    const TRun plain = Grep({"-b", "x", root});
    QCOMPARE(plain.Out, path + ":1:1: x\n");
    // JSON keeps "file" as shown; a name that is not UTF-8 adds its bytes.
    const TRun json = Grep({"-b", "--json", "x", root});
    const QJsonObject o = QJsonDocument::fromJson(json.Out).object();
    QVERIFY2(!o.isEmpty(), json.Out.constData());
    QCOMPARE(o.contains("fileBytes"), !utf8);
    if (!utf8)
        QCOMPARE(QByteArray::fromBase64(o.value("fileBytes").toString().toLatin1()), path);
    QCOMPARE(json.Out.indexOf("\"fileBytes\"") < 0, utf8);
}

void TestCli::outputEncodingRoundTrip_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("iconvName");
    QTest::newRow("sjis") << "sjis" << QByteArray("CP932");
    QTest::newRow("euc-jp") << "euc-jp" << QByteArray("EUC-JP");
}

void TestCli::outputEncodingRoundTrip()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, iconvName);
    TTestTree tree;
    const QString path = tree.File(QStringLiteral("検索/例.txt"), QStringLiteral("前の文 検索 ①と😀\n").toUtf8());
    const TRun utf8 = Grep({"検索", path});
    const TRun other = Grep({"--output-encoding=" + code, "検索", path});
    QCOMPARE(other.Exit, 0);
    QByteArray back;
    TIconvConverter("UTF-8", iconvName.constData(), "").Convert(other.Out, back);
    // What the code holds comes back as it was; one "?" for a character it
    // cannot hold.
    QByteArray expected = utf8.Out;
    expected.replace(QStringLiteral("😀").toUtf8(), "?");
    if (iconvName == "EUC-JP")
        expected.replace(QStringLiteral("①").toUtf8(), "?");
    QCOMPARE(back, expected);
}

void TestCli::hyperlinks()
{
    TTestTree tree;
    const QString path = tree.File(QStringLiteral("a b.txt"), "x\n");
    const TRun linked = Grep({"--hyperlink=always", "x", path});
    const QByteArray open = "\033]8;;file://";
    QVERIFY2(linked.Out.startsWith(open), linked.Out.constData());
    // The address names the machine and the file, blanks percent-encoded;
    // the link covers the path and the line number.
    const qsizetype addressEnd = linked.Out.indexOf("\033\\");
    const QByteArray address = linked.Out.mid(open.size(), addressEnd - open.size());
    QVERIFY2(address.endsWith(QUrl::toPercentEncoding(path, "/")), address.constData());
    QCOMPARE(linked.Out.mid(addressEnd + 2), path.toUtf8() + ":1\033]8;;\033\\:1: x\n");
    // auto is off for a pipe, and JSON never links.
    QCOMPARE(Grep({"--hyperlink=auto", "x", path}).Out, path.toUtf8() + ":1:1: x\n");
    QVERIFY(!Grep({"--hyperlink=always", "--json", "x", path}).Out.contains("\033]8"));
}

void TestCli::sizeAndTimeTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isSize");
    QTest::addColumn<qint64>("expected"); // -1: refused; a time: seconds back from now, or since 1970 local
    QTest::newRow("bytes") << "500" << true << qint64(500);
    QTest::newRow("K") << "500K" << true << qint64(512000);
    QTest::newRow("m, blank, B") << "20 mb" << true << qint64(20) * 1024 * 1024;
    QTest::newRow("GiB") << "1GiB" << true << (qint64(1) << 30);
    QTest::newRow("zero") << "0" << true << qint64(0);
    QTest::newRow("unit alone") << "K" << true << qint64(-1);
    QTest::newRow("negative") << "-5" << true << qint64(-1);
    QTest::newRow("fraction") << "1.5M" << true << qint64(-1);
    QTest::newRow("unknown unit") << "1Q" << true << qint64(-1);
    QTest::newRow("too large") << "9999999999T" << true << qint64(-1);
    QTest::newRow("days back") << "7d" << false << qint64(7 * 86400);
    QTest::newRow("hours back") << "12h" << false << qint64(12 * 3600);
    QTest::newRow("minutes back") << "30m" << false << qint64(30 * 60);
    QTest::newRow("weeks back") << "2w" << false << qint64(2 * 604800);
    QTest::newRow("no unit") << "7" << false << qint64(-1);
    QTest::newRow("bad month") << "2003-13-01" << false << qint64(-1);
    QTest::newRow("bad day") << "2003-02-30" << false << qint64(-1);
    QTest::newRow("bad hour") << "2003-04-12 24:00" << false << qint64(-1);
    QTest::newRow("words") << "yesterday" << false << qint64(-1);
}

void TestCli::sizeAndTimeTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, isSize);
    QFETCH(qint64, expected);
    if (isSize) {
        const std::optional<qint64> size = TFileLimits::ParseSize(text);
        QCOMPARE(size.value_or(-1), expected);
        if (size) // read back from its own text
            QCOMPARE(TFileLimits::ParseSize(TFileLimits::SizeText(*size)), size);
        return;
    }
    const QDateTime now(QDate(2026, 12, 10), QTime(8, 0), Qt::LocalTime);
    const std::optional<qint64> time = TFileLimits::ParseTime(text, now);
    QCOMPARE(time ? now.toSecsSinceEpoch() - *time : qint64(-1), expected);
}

void TestCli::limitsAtTheirEdges_data()
{
    // small.txt: 10 bytes, changed 2003-04-12 10:00:00; big.txt: 2048 bytes,
    // changed 2003-04-12 10:00:01 (local time).
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // the files with hits, by name
    QTest::newRow("no filter") << QStringList{} << "big.txt small.txt";
    QTest::newRow("max exactly the size") << QStringList{"--max-filesize", "10"} << "small.txt";
    QTest::newRow("max one byte less") << QStringList{"--max-filesize=9"} << "";
    QTest::newRow("min exactly the size") << QStringList{"--min-filesize", "2K"} << "big.txt";
    QTest::newRow("min one byte more") << QStringList{"--min-filesize=2049"} << "";
    QTest::newRow("newer exactly the time") << QStringList{"--newer", "2003-04-12 10:00:01"} << "big.txt";
    QTest::newRow("newer the day") << QStringList{"--newer=2003-04-12"} << "big.txt small.txt";
    QTest::newRow("older exactly the time") << QStringList{"--older", "2003-04-12 10:00"} << "small.txt";
    QTest::newRow("older a second before") << QStringList{"--older", "2003-04-12T09:59:59"} << "";
    QTest::newRow("both bounds") << QStringList{"--newer=2003-04-12 10:00:01", "--max-filesize=1K"} << "";
    QTest::newRow("relative: all older than a day") << QStringList{"--newer", "1d"} << "";
}

void TestCli::limitsAtTheirEdges()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    TTestTree tree;
    const auto make = [&](const QString &name, qsizetype size, const QTime &time) {
        QByteArray content(size, ' ');
        content.replace(0, 2, "x\n");
        const QString path = tree.File(QStringLiteral("d/") + name, content);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime(QDate(2003, 4, 12), time, Qt::LocalTime), QFileDevice::FileModificationTime));
    };
    make(QStringLiteral("small.txt"), 10, QTime(10, 0, 0));
    make(QStringLiteral("big.txt"), 2048, QTime(10, 0, 1));
    // A folder outside every filter is still walked.
    const struct timespec longAgo[2] = {{631152000, 0}, {631152000, 0}}; // 1990
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(tree.Path("d")).constData(), longAgo, 0) == 0);
    const TRun run = Grep(args + QStringList{"-b", "--files-with-matches", "x", tree.Root()});
    QStringList names;
    for (const QByteArray &line : run.Out.split('\n'))
        if (!line.isEmpty())
            names << QFileInfo(QString::fromUtf8(line)).fileName();
    names.sort();
    QCOMPARE(names.join(u' '), expected);
    QCOMPARE(run.Exit, expected.isEmpty() ? 1 : 0);
    // A file outside the filters is not counted among the targets.
    const int listed = expected.isEmpty() ? 0 : int(expected.count(u' ') + 1);
    QVERIFY2(run.Err.contains("対象: " + QByteArray::number(listed) + '/' + QByteArray::number(listed)), run.Err.constData());
    // A file named as the target passes the same filters.
    const TRun single = Grep(args + QStringList{"--files-with-matches", "x", tree.Path("d/small.txt")});
    QCOMPARE(single.Exit, expected.contains(QStringLiteral("small")) ? 0 : 1);
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
    // Read by a program (a pipe): each name as its bytes, which open the file.
    QCOMPARE(lines, QList<QByteArray>({root + "bad\xFF\xFE.txt:1:4: 前 蜃気楼",
                                       root + "sjis\x8C\x9F\x8D\xF5.txt:1:4: 前 蜃気楼",
                                       folder + "/inner.txt:1:4: 前 蜃気楼"}));
    const QByteArray shownRoot = tree.Root().toUtf8();
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
    QTest::newRow("bad option") << QStringList{"-Z", "apple", "@"} << 2 << "usage: kestu-grep";
    QTest::newRow("one target missing, the other searched") << QStringList{"apple", "@/missing", "@"} << 2 << "missing: 検索対象がありません";
    QTest::newRow("-s hides the unreadable, not the status") << QStringList{"-s", "apple", "@/missing", "@"} << 2 << "";
    QTest::newRow("-q with a hit") << QStringList{"-q", "apple", "@"} << 0 << "";
    QTest::newRow("-q without a hit") << QStringList{"-q", "pear", "@"} << 1 << "";
    QTest::newRow("empty text before any target") << QStringList{"", "@/missing"} << 2 << "検索文字がありません";
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

void TestCli::searchArchives()
{
    // -z: hits inside a ZIP, named ARCHIVE{MEMBER} and in JSON with the
    // archive and the member apart; a damaged archive is named on standard
    // error with its reason and makes the exit status 2, the hits found
    // are printed all the same. Without -z the archives are bytes.
    TTestTree tree;
    const QString text = QString::fromUtf8("第一回 議事録\n");
    // One stored member, its name in Shift-JIS bytes.
    const QByteArray zip = TestArchives::Zip({{Sjis(QString::fromUtf8("議事録.txt")), Sjis(text)}});
    tree.File("old.zip", zip);
    tree.File("broken.zip", zip.left(40));
    const TRun run = Grep({"-z", "--json", QString::fromUtf8("議事録"), tree.Root()});
    QCOMPARE(run.Exit, 2);
    const QJsonObject o = QJsonDocument::fromJson(run.Out.left(run.Out.indexOf('\n'))).object();
    QCOMPARE(o["file"].toString(), tree.Path(QString::fromUtf8("old.zip{議事録.txt}")));
    QCOMPARE(o["archive"].toString(), tree.Path("old.zip"));
    QCOMPARE(o["member"].toString(), QString::fromUtf8("議事録.txt"));
    QCOMPARE(run.Out.count('\n'), 1);
    QVERIFY2(run.Err.contains(tree.Path("broken.zip").toUtf8() + ": "), run.Err.constData());
    const TRun plain = Grep({QString::fromUtf8("議事録"), tree.Root()});
    QCOMPARE(plain.Exit, 1);
    QVERIFY(plain.Err.count('\n') <= 1); // only the final counts
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
