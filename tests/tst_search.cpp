#include "BRegExp.h"
#include "CodeDetector.h"
#include "CodePage.h"
#include "Cp932.h"
#include "TestText.h"
#include "IconvConverter.h"
#include "PathText.h"
#include "GrepReporter.h"
#include "FileReader.h"
#include "FileSearcher.h"
#include "GrepThread.h"
#include "LineCursor.h"
#include "LineSearcher.h"
#include "RegExpCheck.h"
#include "RequiredLiteral.h"
#include "SearchOptions.h"
#include "SearchPool.h"
#include "SourceLines.h"
#include "SourcePrefilter.h"
#include "FileKind.h"
#include "TargetLister.h"
#include "TestTree.h"
#include "TextDecoder.h"
#include "TableConversion.h"
#include "Utf7Decoder.h"

#include <cerrno>
#include <QRandomGenerator>
#include "TestMain.h"

#include <QtTest>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A UTF-16 file with its mark: the text's code units as they stand (lone
// surrogates too), then tail as raw bytes.
QByteArray Utf16File(const QString &text, bool bigEndian, const QByteArray &tail = {})
{
    QByteArray out;
    auto put = [&](char16_t unit) {
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    put(0xFEFF);
    for (QChar c : text)
        put(c.unicode());
    return out + tail;
}

QList<QByteArray> Lines(QByteArrayView text)
{
    QList<QByteArray> lines;
    for (TLineCursor c(text); !c.AtEnd(); c.Next())
        lines.append(c.Line().toByteArray());
    return lines;
}

// Collects what a search reports, in order.
class TRecordingReporter : public TGrepReporter
{
public:
    QStringList Statuses;     // "targets|hits|state" per UpdateStatus
    QList<qsizetype> Counts;
    int DoneCalls = 0;
    QStringList Messages;
    std::function<void(const QString &state)> OnStatus;
    std::function<void()> OnCount;

    void UpdateStatus(const QString &t, const QString &h, const QString &s) override
    {
        Statuses.append(t + u'|' + h + u'|' + s);
        if (OnStatus)
            OnStatus(s);
    }
    void ShowHitCount(qsizetype count) override
    {
        Counts.append(count);
        if (OnCount)
            OnCount();
    }
    void SearchDone() override { ++DoneCalls; }
    void ShowMessage(const QString &text, bool) override { Messages.append(text); }
};

// One search of a worker through a recording reporter, waited for.
struct TWorkerRun
{
    std::vector<TGrepResult> Hits;
    TRecordingReporter Reporter;

    explicit TWorkerRun(const std::function<void(TGrepThread &)> &setUp)
    {
        TGrepThread worker(Hits, Reporter);
        setUp(worker);
        worker.Resume();
        worker.WaitFor();
    }
};

// The process's peak resident memory so far, in kilobytes.
long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct THitRow
{
    qint64 Line, Column;
    QByteArray Before, FromHit;
    bool AtStart, AtEnd;
};

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT
private slots:
    void detect_data();
    void detect();
    void utf8SequenceLength();
    void detectInPieces();
    void detectFileInPieces();
    void utf8CheckMatchesOneByOne();
    void displayNames();
    void lineEnds_data();
    void lineEnds();
    void decodeChoices_data();
    void decodeChoices();
    void decodeStopsAtZeroByte();
    void utf16Decode_data();
    void utf16Decode();
    void utf16Search_data();
    void utf16Search();
    void iso2022jp_data();
    void iso2022jp();
    void iso2022jpEveryCharacter();
    void conversionSubstitutes();
    void badSpotsStayInStep_data();
    void badSpotsStayInStep();
    void utf7ColumnsAfterUnmappable();
    void utf7PiecesMatchWhole_data();
    void utf7PiecesMatchWhole();
    void utf7StreamedFileMatchesWhole();
    void conversionStops();

    void searchLine_data();
    void searchLine();
    void contextLimits();
    void contextDoubleByteCuts();
    void noCaseKeepsLineText();
    void wholeTextMatchesLineByLine();
    void positionsPastThirtyTwoBits();
    void stopInsideHitLoop();

    void patternString_data();
    void patternString();
    void regExpLine_data();
    void regExpLine();
    void regExpBlankMatchesAppendedBlank();
    void regExpMissingLibrary();
    void regExpNoDelimiter();
    void regExpBadPattern();
    void regExpCheckedBeforeSearch_data();
    void regExpCheckedBeforeSearch();
    void regExpCheckOnlyForRegExp();
    void regExpRunawayEnds_data();
    void regExpRunawayEnds();
    void regExpStopEndsRunningMatch();
    void regExpRunawayOnManyShortLines();
    void regExpSkippedLinesReportedOnce_data();
    void regExpSkippedLinesReportedOnce();
    void requiredLiteral_data();
    void requiredLiteral();
    void requiredLiteralNeverLosesMatches();

    void prefilterForms_data();
    void prefilterForms();
    void prefilterNeverSkipsAHit();
    void prefilterSkippedFileStillReported();
    void rawSearchMatchesWholeFile();
    void isoSkeletonKeepsEveryHit();
    void lineCountsMatchTheCursor();
    void conversionTablesMatchIconv();
    void sideBySideMatchesInTurn_data();
    void sideBySideMatchesInTurn();

    void listing_data();
    void listing();
    void excludedFolders_data();
    void excludedFolders();
    void fileTargetIgnoresFilter();
    void links_data();
    void links();
    void manyLinkPathsEndAtOnce();
    void deepTreeFewDescriptors();
    void unsearchableFolderNamed();
    void specialFilesSkipped();
    void inputChecks_data();
    void inputChecks();

    void readerReadsSizelessFiles();
    void readerSurvivesAFileShortenedWhileRead();
    void workerEndToEnd();
    void workerEmptyFolder();
    void workerStopDuringListing();
    void workerStopInsideFile();
    void workerHandsStatusOverWithoutWaiting();
    void workerSkipsUnreadable();
    void workerRestartAfterWait();
};

// ---------------------------------------------------------------- detection

void TestSearch::detect_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");

    const QString japanese = QString::fromUtf8("日本語のテキストです。検索しましょう。ｶﾀｶﾅも少し。\n");
    QString longJapanese;
    while (longJapanese.size() < 3000)
        longJapanese += japanese;

    QTest::newRow("4 bytes or fewer: even a mark") << QByteArray("\xEF\xBB\xBF\x41") << 932;
    QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF" "ab") << 65001;
    QTest::newRow("utf-16be mark") << QByteArray("\xFE\xFF\x30\x42\x30") << 1201;
    QTest::newRow("utf-16le mark") << QByteArray("\xFF\xFE" "abc") << 1200;
    QTest::newRow("ascii") << QByteArray("plain ascii text\n") << 932;
    QTest::newRow("ascii with escape") << QByteArray("abc \x1B$B$\"\x1B(B") << 50220;
    QTest::newRow("utf-5 alphabet") << QByteArray("012345678901") << -20;
    QTest::newRow("letters past V are not utf-5") << QByteArray("0123456789AZ") << 932;
    QTest::newRow("iso-2022-jp text") << Encode(japanese.left(12), "ISO-2022-JP-3") << 50220;
    QTest::newRow("small utf-8") << japanese.toUtf8() << -65001;
    QTest::newRow("small utf-8 without 80 FD FE FF") << QString::fromUtf8("日本語テスト").toUtf8() << -65001;
    QTest::newRow("small euc-jp") << Encode(japanese, "EUC-JP-MS") << 51932;
    QTest::newRow("large euc-jp") << Encode(longJapanese, "EUC-JP-MS") << 51932;
    QTest::newRow("large utf-8") << longJapanese.toUtf8() << -65001;
    QTest::newRow("large shift-jis") << Sjis(longJapanese) << 932;
    QTest::newRow("small shift-jis") << Sjis(japanese) << 932;
    QTest::newRow("utf-8 cut short at the end") << (japanese.toUtf8() + "\xE6\x97") << -65001;
    QTest::newRow("utf-8 without 7F-8D, 90-A0 reads as euc-jp")
        << QString::fromUtf8("ѣѣѣѣ").toUtf8() << 51932;
    QTest::newRow("broken utf-8") << QByteArray("abc\xC3\x28zzz\xE3\x81\x82") << 932;
}

void TestSearch::detect()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(DetectCodePage(bytes), expected);
}

void TestSearch::utf8SequenceLength()
{
    const QList<QPair<int, int>> table = {{0x00, 1}, {0x7F, 1}, {0x80, 1}, {0xBF, 1}, {0xC0, 2},
                                          {0xDF, 2}, {0xE0, 3}, {0xEF, 3}, {0xF0, 4}, {0xF7, 4},
                                          {0xF8, 5}, {0xFB, 5}, {0xFC, 6}, {0xFD, 6}, {0xFE, 1},
                                          {0xFF, 1}};
    for (const auto &[byte, length] : table)
        QCOMPARE(Utf8SequenceLength(uchar(byte)), length);
}

void TestSearch::detectInPieces()
{
    // Fed a piece at a time, split anywhere (inside a UTF-8 sequence too),
    // detection gives what it gives on the whole text, and it never stops
    // early on a text whose end could still change the answer.
    const QList<QByteArray> parts = {"abc ", "\x1B$B", "0123AV", "\xE3\x81\x82", "\xEF\xBB\xBF", "\xFF\xFE",
                                     "\xA4\xA2", "\x8E\xB1", "\x82\xA0", "\x7F", "\xC3", "\x80", "\n"};
    QRandomGenerator random(4711);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text;
        for (int i = random.bounded(1, 12); i > 0; --i)
            text += parts[random.bounded(int(parts.size()))];
        const qint32 expected = DetectCodePage(text);
        TCodeDetector detector;
        qsizetype at = 0;
        while (at < text.size()) {
            const qsizetype n = qMin<qsizetype>(random.bounded(0, 6), text.size() - at);
            if (!detector.Feed(QByteArrayView(text).sliced(at, n))) {
                // Settled: whatever follows, the answer stays.
                QCOMPARE(DetectCodePage(text.left(at + n) + parts[random.bounded(int(parts.size()))]), expected);
                break;
            }
            at += n;
        }
        if (at >= text.size())
            QCOMPARE(detector.Result(), expected);
    }
}

void TestSearch::detectFileInPieces()
{
    // A whole file: a UTF-16 mark decides before anything else (its bytes
    // may come in two pieces), otherwise the text before the first zero
    // byte. Fed in pieces of any size, the file detector gives that answer.
    const auto reference = [](const QByteArray &file) -> qint32 {
        if (file.startsWith("\xFF\xFE"))
            return CodeId::Utf16Le;
        if (file.startsWith("\xFE\xFF"))
            return CodeId::Utf16Be;
        const qsizetype zero = file.indexOf('\0');
        return DetectCodePage(zero < 0 ? file : file.left(zero));
    };
    const QList<QByteArray> parts = {"abc ", "\x1B$B", "\xE3\x81\x82", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF",
                                     "\xFF", "\xFE", "\xA4\xA2", "\x82\xA0", QByteArray("\0", 1), "\n"};
    QRandomGenerator random(815);
    for (int round = 0; round < 3000; ++round) {
        QByteArray file;
        for (int i = random.bounded(1, 10); i > 0; --i)
            file += parts[random.bounded(int(parts.size()))];
        TFileCodeDetector detector;
        for (qsizetype at = 0; at < file.size();) {
            const qsizetype n = qMin<qsizetype>(random.bounded(1, 5), file.size() - at);
            if (!detector.Feed(QByteArrayView(file).sliced(at, n)))
                break;
            at += n;
        }
        QCOMPARE(detector.Result(), reference(file));
        QCOMPARE(DetectFileCode(file), reference(file));
    }
}

void TestSearch::utf8CheckMatchesOneByOne()
{
    // The detector tests UTF-8 sixteen bytes at a time; it must answer as
    // reading one sequence after another does, for every split into pieces.
    const auto oneByOne = [](QByteArrayView bytes, int &pending) {
        qsizetype i = 0;
        for (; pending > 0 && i < bytes.size(); --pending, ++i)
            if ((uchar(bytes[i]) & 0xC0) != 0x80)
                return false;
        while (i < bytes.size()) {
            const uchar b = uchar(bytes[i]);
            const int length = b <= 0x7F ? 1 : Utf8SequenceLength(b);
            if (b > 0x7F && length == 1)
                return false;
            const qsizetype end = qMin(bytes.size(), i + length);
            for (qsizetype k = i + 1; k < end; ++k)
                if ((uchar(bytes[k]) & 0xC0) != 0x80)
                    return false;
            pending = int(i + length - end);
            i = end;
        }
        return true;
    };
    const QList<QByteArray> parts = {"a", "plain ascii text ", "\xC3\xA9", "\xE6\xA4\x9C", "\xF0\x9F\x98\x80",
                                     "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80", "\x80", "\xBF",
                                     "\xFE", "\xFF", "\xE6", "\xF0\x9F", "\xC3", "\xFD\xBF\xBF\xBF\xBF\xBF"};
    QRandomGenerator random(2027);
    for (int round = 0; round < 20000; ++round) {
        QByteArray text;
        // Mostly well-formed, so that a fault deep inside a long text is reached.
        const bool clean = random.bounded(3) > 0;
        for (int k = random.bounded(1, 60); k > 0; --k) {
            const int which = random.bounded(clean ? 7 : int(parts.size()));
            text += parts[which];
        }
        const qsizetype split = random.bounded(int(text.size()) + 1);
        int fastPending = 0, slowPending = 0;
        const auto *data = reinterpret_cast<const uchar *>(text.constData());
        bool fast = FitsUtf8(data, split, fastPending);
        bool slow = oneByOne(QByteArrayView(text).first(split), slowPending);
        QCOMPARE(fast, slow);
        if (!fast)
            continue;
        QCOMPARE(fastPending, slowPending);
        fast = FitsUtf8(data + split, text.size() - split, fastPending);
        slow = oneByOne(QByteArrayView(text).sliced(split), slowPending);
        QCOMPARE(fast, slow);
        if (fast)
            QCOMPARE(fastPending, slowPending);
    }
}

void TestSearch::displayNames()
{
    const QList<QPair<int, QString>> table = {
        {932, "Shift-JIS"}, {51932, "EUC-JP"}, {50220, "ISO-2022-JP"}, {65000, "UTF7"},
        {65001, "UTF8"}, {-65001, "UTF8N"}, {1200, "UTF16LE"}, {1201, "UTF16BE"},
        {-1200, "UTF16LEN"}, {-1201, "UTF16BEN"}, {0, "UNICODE"}, {-2, "UTF5"},
        {12345, "---"}, {-20, "---"}};
    for (const auto &[id, name] : table)
        QCOMPARE(CodeDisplayName(id), name);
}

// ----------------------------------------------------------------- decoding

void TestSearch::lineEnds_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("lines");
    using L = QList<QByteArray>;
    QTest::newRow("CR LF is one end") << QByteArray("a\r\nb") << L{"a", "b"};
    QTest::newRow("LF CR is two") << QByteArray("a\n\rb") << L{"a", "", "b"};
    QTest::newRow("CR alone") << QByteArray("a\rb\r") << L{"a", "b"};
    QTest::newRow("LF at the end adds nothing") << QByteArray("a\n") << L{"a"};
    QTest::newRow("LF LF") << QByteArray("a\n\n") << L{"a", ""};
    QTest::newRow("no end") << QByteArray("abc") << L{"abc"};
    QTest::newRow("empty") << QByteArray() << L{};
    QTest::newRow("only an end") << QByteArray("\n") << L{""};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << L{"a", "", "b"};
}

void TestSearch::lineEnds()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(Lines(text), lines);
}

void TestSearch::decodeChoices_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("codeId");
    QTest::addColumn<QByteArray>("text");

    const QString jp = QString::fromUtf8("検索テスト");
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("auto shift-jis") << Sjis(jp) << 0 << 932 << Sjis(jp);
    QTest::newRow("auto utf-8") << jp.toUtf8() << 0 << -65001 << Sjis(jp);
    QTest::newRow("auto utf-8 with mark") << bom + jp.toUtf8() << 0 << 65001 << Sjis(jp);
    QTest::newRow("auto euc-jp") << Encode(jp, "EUC-JP-MS") << 0 << 51932 << Sjis(jp);
    QTest::newRow("chosen shift-jis keeps any bytes") << jp.toUtf8() << 1 << 932 << jp.toUtf8();
    QTest::newRow("chosen euc-jp") << Encode(jp, "EUC-JP-MS") << 2 << 51932 << Sjis(jp);
    QTest::newRow("chosen iso-2022-jp") << Encode(jp, "ISO-2022-JP") << 3 << 50220 << Sjis(jp);
    QTest::newRow("chosen utf-7") << Encode(jp, "UTF-7") << 4 << 65000 << Sjis(jp);
    QTest::newRow("utf8 drops three bytes unseen") << QByteArray("abc") + jp.toUtf8() << 5 << 65001 << Sjis(jp);
    QTest::newRow("utf8 on a short file") << QByteArray("ab") << 5 << 65001 << QByteArray();
    QTest::newRow("utf8n converts the mark too") << bom + QByteArray("ab") << 6 << -65001 << QByteArray("?ab");
    QTest::newRow("auto utf-16le") << Utf16File(jp + "a", false) << 0 << 1200 << Sjis(jp + "a");
    QTest::newRow("auto utf-16be") << Utf16File(jp + "a", true) << 0 << 1201 << Sjis(jp + "a");
    QTest::newRow("auto utf-16 even when short") << QByteArray("\xFE\xFF\0a", 4) << 0 << 1201 << QByteArray("a");
    QTest::newRow("chosen shift-jis keeps a utf-16 file's bytes")
        << QByteArray("\xFF\xFE" "a\0b\0", 6) << 1 << 932 << QByteArray("\xFF\xFE" "a");
    QTest::newRow("chosen utf8n converts a utf-16 file's bytes")
        << QByteArray("\xFF\xFE" "a\0b\0", 6) << 6 << -65001 << QByteArray("??a");
    QTest::newRow("out-of-range choice detects") << jp.toUtf8() << -1 << -65001 << Sjis(jp);
    QTest::newRow("empty file") << QByteArray() << 0 << 932 << QByteArray();
}

void TestSearch::decodeChoices()
{
    QFETCH(QByteArray, content);
    QFETCH(int, choice);
    QFETCH(int, codeId);
    QFETCH(QByteArray, text);
    const TDecodedText decoded = TTextDecoder().DecodeFile(content, choice);
    QCOMPARE(decoded.CodeId, codeId);
    QCOMPARE(decoded.Text.toByteArray(), text);
}

void TestSearch::decodeStopsAtZeroByte()
{
    const QByteArray content("abc\nde\0fg\nhij", 13);
    const TDecodedText decoded = TTextDecoder().DecodeFile(content, 0);
    QCOMPARE(Lines(decoded.Text), (QList<QByteArray>{"abc", "de"}));
}

void TestSearch::utf16Decode_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("codeId");
    QTest::addColumn<QList<QByteArray>>("lines");
    using L = QList<QByteArray>;
    struct TRow
    {
        const char *Name;
        QString Text;
        QByteArray Tail;
        L Lines;
    };
    const QString jp = QString::fromUtf8("日本語の検索");
    const QList<TRow> rows = {
        {"LF ends", jp + "\n2\n", {}, {Sjis(jp), "2"}},
        {"CR ends", "a\rb\r", {}, {"a", "b"}},
        {"CR LF ends", "a\r\n\r\nb\r\n", {}, {"a", "", "b"}},
        {"CP932 extras", QString::fromUtf8("①髙～ｱ"), {}, {Sjis(QString::fromUtf8("①髙～ｱ"))}},
        {"surrogate pair CP932 lacks is one ?", QString::fromUtf8("a😀b\n𠮷"), {}, {"a?b", "?"}},
        {"BMP character CP932 lacks is one ?", QString::fromUtf8("한글x"), {}, {"??x"}},
        {"lone high surrogate", QStringView(u"x\xD83D\ny").toString(), {}, {"x?", "y"}},
        {"lone low surrogate", QStringView(u"x\xDE00y").toString(), {}, {"x?y"}},
        {"high surrogate at the end", QStringView(u"ab\xD83D").toString(), {}, {"ab?"}},
        {"trailing half unit", "ab", "\x41", {"ab?"}},
        {"half unit after a line end", "ab\n", "\x0A", {"ab", "?"}},
        {"zero unit ends the text", QStringView(u"ab\ncd").toString() + QChar(0) + "ef", {}, {"ab", "cd"}},
        {"mark alone", "", {}, {}},
    };
    for (bool big : {false, true})
        for (const TRow &row : rows)
            QTest::addRow("%s %s", big ? "BE" : "LE", row.Name)
                << Utf16File(row.Text, big, row.Tail) << (big ? 1201 : 1200) << row.Lines;
}

void TestSearch::utf16Decode()
{
    // The whole file decoded, and the lines a hit's context is read from.
    QFETCH(QByteArray, content);
    QFETCH(int, codeId);
    QFETCH(QList<QByteArray>, lines);
    const TDecodedText decoded = TTextDecoder().DecodeFile(content, 0);
    QCOMPARE(decoded.CodeId, codeId);
    QCOMPARE(Lines(decoded.Text), lines);
    QCOMPARE(decoded.HasText, !lines.isEmpty());

    TTestTree tree;
    TSourceLines source;
    QVERIFY(source.Open(tree.File("f.txt", content), codeId));
    QList<QByteArray> read;
    for (const TSourceLines::TLine &line : source.Lines(0, 100))
        read.append(line.Text);
    QCOMPARE(read, lines);
}

void TestSearch::utf16Search_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<bool>("regExp");
    QTest::addColumn<QStringList>("hits"); // "line:column:hit", columns in working-text bytes
    struct TRow
    {
        const char *Name;
        QString Text, Find;
        bool NoCase = false, RegExp = false;
        QStringList Hits;
        int Choice = 0;
    };
    const QString find = QString::fromUtf8("検索");
    const QList<TRow> rows = {
        {"plain", QString::fromUtf8("全文検索です\n検索"), find, false, false, {"1:5:検索", "2:1:検索"}},
        {"columns count the working text", QString::fromUtf8("ab\r\nあい検索"), find, false, false, {"2:5:検索"}},
        {"after a surrogate pair", QString::fromUtf8("😀検索\r😀"), find, false, false, {"1:2:検索"}},
        {"after characters CP932 lacks", QString::fromUtf8("한국어 검색 検索"), find, false, false, {"1:8:検索"}},
        {"CR ends", "x\ry kestu\r", "kestu", false, false, {"2:3:kestu"}},
        {"ignore case ascii", "Kestu KESTU kestu", "kEStu", true, false, {"1:1:Kestu", "1:7:KESTU", "1:13:kestu"}},
        {"ignore case full width", QString::fromUtf8("ＡＢｃ ａｂ"), QString::fromUtf8("ａｂ"), true, false,
         {"1:1:ＡＢ", "1:8:ａｂ"}},
        {"case kept without ignore case", "Kestu kestu", "kestu", false, false, {"1:7:kestu"}},
        {"regular expression", QString::fromUtf8("2024年\n😀1999年です"), QString::fromUtf8("[0-9]+年"), false,
         true, {"1:1:2024年", "2:2:1999年"}},
        {"regular expression ignoring case", "x KESTU\n", "k.stu", true, true, {"1:3:KESTU"}},
        {"nothing past a zero unit", QStringView(u"ab").toString() + QChar(0) + find, find, false, false, {}},
        {"chosen shift-jis finds nothing", find, find, false, false, {}, 1},
    };
    for (bool big : {false, true})
        for (const TRow &row : rows)
            QTest::addRow("%s %s", big ? "BE" : "LE", row.Name)
                << Utf16File(row.Text, big) << row.Choice << row.Find << row.NoCase << row.RegExp << row.Hits;
}

void TestSearch::utf16Search()
{
    // Read whole and read in pieces of every small size, odd ones too, the
    // hits are the same and record the file's code.
    QFETCH(QByteArray, content);
    QFETCH(int, choice);
    QFETCH(QString, find);
    QFETCH(bool, noCase);
    QFETCH(bool, regExp);
    QFETCH(QStringList, hits);
    TTestTree tree;
    const QString path = tree.File("f.txt", content);
    const QByteArray findText = Sjis(find);
    const TSourcePrefilter prefilter(findText, noCase, regExp);
    TBRegExp adapter(nullptr);
    adapter.NoCase = noCase;
    const qint32 code = choice == 1 ? 932 : static_cast<unsigned char>(content[0]) == 0xFE ? 1201 : 1200;
    for (const qsizetype piece : {qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7)}) {
        QStringList found;
        TFileSearcher searcher(findText, noCase, nullptr, [&](TGrepResult &&r) {
            QCOMPARE(r.CodeId, code);
            found.append(QStringLiteral("%1:%2:").arg(r.Line + 1).arg(r.Column) + TCp932::ToQString(r.HitText()));
        }, regExp ? &adapter : nullptr, prefilter, false);
        if (piece > 0)
            searcher.SetPieces(0, piece);
        const TFileOutcome outcome = searcher.Search(path, choice);
        QVERIFY(outcome.HasText);
        QVERIFY(!outcome.AdapterFailed);
        QVERIFY2(found == hits, qPrintable(QStringLiteral("pieces of %1: ").arg(piece) + found.join(u' ')));
    }
}

void TestSearch::iso2022jp_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("jis x 0208") << QByteArray("a\x1B$BF|K\\\x1B(Bz") << (QByteArray("a") + Sjis("日本") + "z");
    QTest::newRow("old 1978 escape") << QByteArray("\x1B$@F|\x1B(B") << Sjis("日");
    QTest::newRow("nec row 13 (Windows mail)") << QByteArray("\x1B$B-!-\"\x1B(B") << Sjis("①②");
    QTest::newRow("ibm rows") << QByteArray("\x1B$By|\x1B(B") << QByteArray("\xED\x9C");
    QTest::newRow("half-width katakana by escape") << QByteArray("\x1B(I12\x1B(B") << QByteArray("\xB1\xB2");
    QTest::newRow("half-width katakana by SO/SI") << QByteArray("\x0E" "12\x0F" "a") << QByteArray("\xB1\xB2" "a");
    QTest::newRow("SO left open ends at the line end") << QByteArray("\x0E" "12\nab\r\x0E" "1\r\ncd")
                                                       << QByteArray("\xB1\xB2\nab\r\xB1\r\ncd");
    QTest::newRow("8-bit katakana") << QByteArray("\xB1") << QByteArray("\xB1");
    QTest::newRow("jis roman") << QByteArray("\x1B(J\\~\x1B(B") << QByteArray("\\~");
    QTest::newRow("jis x 0213 plane 1") << QByteArray("\x1B$(QF|\x1B(B") << Sjis("日");
    QTest::newRow("jis x 0212 has no cp932 form") << QByteArray("\x1B$(D\"/\x1B(Ba") << QByteArray("?a");
    QTest::newRow("line end inside double-byte mode") << QByteArray("\x1B$BF|\nK\\") << (Sjis("日") + "\n" + Sjis("本"));
    QTest::newRow("odd byte left over") << QByteArray("\x1B$BF") << QByteArray("?");
    QTest::newRow("unknown escape") << QByteArray("\x1BZa") << QByteArray("?Za");
}

void TestSearch::iso2022jp()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(TTextDecoder().ConvertText(input, 50220), expected);
}

void TestSearch::iso2022jpEveryCharacter()
{
    // Every double-byte character of CP932 that ISO-2022-JP can carry, as
    // iconv writes it, in lines of different lengths: it comes back as its
    // CP932 form, in runs and alone.
    QString text;
    int count = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char pair[2] = {char(lead), char(trail)};
            const QString c = TCp932::ToQString(QByteArray(pair, 2));
            if (c.size() != 1 || c[0] == QChar::ReplacementCharacter || Encode(c, "ISO-2022-JP").size() < 5)
                continue;
            text += c;
            ++count;
            if (count % (count % 7 + 1) == 0)
                text += count % 3 ? u'\n' : u'a';
        }
    }
    QVERIFY(count > 6000);
    QCOMPARE(TTextDecoder().ConvertText(Encode(text, "ISO-2022-JP"), 50220), Sjis(text));
}

void TestSearch::conversionSubstitutes()
{
    // Invalid input and characters without a CP932 form become "?", and
    // the text after them is still there.
    const TTextDecoder decoder;
    QCOMPARE(decoder.ConvertText(QByteArray("a\xC3(b") + QString::fromUtf8("😀c").toUtf8(), -65001),
             QByteArray("a?(b?c"));
    QCOMPARE(decoder.ConvertText(QByteArray("\xA4\xA2\xFF\xA4\xA4"), 51932), Sjis("あ") + "?" + Sjis("い"));
    QCOMPARE(decoder.ConvertText(QByteArray("+ZeVnLA-x"), 65000), Sjis("日本") + "x");
}

void TestSearch::badSpotsStayInStep_data()
{
    // One bad or unmappable spot in the middle of a line is one "?", and the
    // text after it is decoded as it would be without it.
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("utf7 unmappable") << 65000 << QByteArray("Fran+AOc-ois") << QByteArray("Fran?ois");
    QTest::newRow("utf7 encoded zero") << 65000 << QByteArray("+AEEAAABC-x") << QByteArray("A?Bx");
    QTest::newRow("utf7 unmappable inside a run") << 65000 << QByteArray("ab+AEEA5wBC-x") << QByteArray("abA?Bx");
    QTest::newRow("utf7 unmappable then kanji") << 65000 << QByteArray("+AOdl5Q-x") << (QByteArray("?") + Sjis("日") + "x");
    QTest::newRow("utf7 surrogate pair") << 65000 << QByteArray("+2D3eAA-x") << QByteArray("?x");
    QTest::newRow("utf7 lone surrogate") << 65000 << QByteArray("+2D0-x") << QByteArray("?x");
    QTest::newRow("utf7 high byte") << 65000 << QByteArray("a\xFF" "b") << QByteArray("a?b");
    QTest::newRow("utf7 run cut by line end") << 65000 << QByteArray("a+AO\nx") << QByteArray("a?\nx");
    QTest::newRow("utf7 plus sign") << 65000 << QByteArray("1+-1") << QByteArray("1+1");
    QTest::newRow("utf7 run ended by text") << 65000 << QByteArray("+AGE.") << QByteArray("a.");
    QTest::newRow("euc-jp katakana lead before line end") << 51932 << QByteArray("a\x8E\nb") << QByteArray("a?\nb");
    QTest::newRow("euc-jp unmappable jis x 0212") << 51932 << QByteArray("a\x8F\xB0\xA1" "b") << QByteArray("a?b");
    QTest::newRow("euc-jp mappable jis x 0212") << 51932 << QByteArray("a\x8F\xA2\xB7" "b") << QByteArray("a\x81\x60" "b");
    QTest::newRow("euc-jp lone lead") << 51932 << QByteArray("\xA4" "a\xA4\xA2") << (QByteArray("?a") + Sjis("あ"));
    QTest::newRow("utf8 unmappable") << -65001 << QString::fromUtf8("a😀b").toUtf8() << QByteArray("a?b");
    QTest::newRow("utf8 cut short") << -65001 << QByteArray("a\xE3\x81\nb") << QByteArray("a?\nb");
    QTest::newRow("utf8 cut short before text") << -65001 << QByteArray("a\xE3\x81" "bc") << QByteArray("a?bc");
    QTest::newRow("utf8 stray continuations") << -65001 << QByteArray("a\x81\x82" "b") << QByteArray("a??b");
    QTest::newRow("utf8 surrogate") << -65001 << QByteArray("a\xED\xA0\x80" "b") << QByteArray("a?b");
    QTest::newRow("iso-2022-jp unknown designation") << 50220 << QByteArray("a\x1B(Zbc") << QByteArray("a?bc");
    QTest::newRow("iso-2022-jp unknown 96-set designation") << 50220 << QByteArray("a\x1B-Abc") << QByteArray("a?bc");
    QTest::newRow("iso-2022-jp unknown double-byte set")
        << 50220 << QByteArray("a\x1B$(XF|\x1B(Bc") << QByteArray("a?c");
    QTest::newRow("iso-2022-jp row without cp932 form") << 50220 << QByteArray("\x1B$Bu!F|\x1B(Bx")
                                                        << (QByteArray("?") + Sjis("日") + "x");
    QTest::newRow("iso-2022-jp odd byte before line end") << 50220 << QByteArray("\x1B$BF\n\x1B(Bx")
                                                          << QByteArray("?\nx");
}

void TestSearch::badSpotsStayInStep()
{
    QFETCH(int, code);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(TTextDecoder().ConvertText(input, code), expected);
}

void TestSearch::utf7ColumnsAfterUnmappable()
{
    // The rest of a base-64 run is no text of its own: no hit in it, and
    // the columns after it are those of the decoded line.
    const TDecodedText decoded = TTextDecoder().DecodeFile("Fran+AOc-ois Fran+AOc-ois\n", 4);
    std::vector<TGrepResult> hits;
    TLineSearcher ois("ois", false, nullptr, [&](TGrepResult &&r) { hits.push_back(std::move(r)); });
    ois.SearchText(decoded.Text);
    QCOMPARE(hits.size(), size_t(2));
    QCOMPARE(hits[0].Column, 6);
    QCOMPARE(hits[1].Column, 15);
    hits.clear();
    TLineSearcher o("O", false, nullptr, [&](TGrepResult &&r) { hits.push_back(std::move(r)); });
    o.SearchText(decoded.Text);
    QCOMPARE(hits.size(), size_t(0));
}

void TestSearch::conversionStops()
{
    std::atomic<bool> stop{true};
    const TTextDecoder decoder(&stop);
    const QByteArray big(4 << 20, 'a');
    bool stopped = false;
    const QByteArray out = decoder.ConvertText(big, -65001, &stopped);
    QVERIFY(stopped);
    QVERIFY(out.size() < big.size());
    decoder.ConvertText(QByteArray("\x1B$B") + QByteArray(4 << 20, '!'), 50220, &stopped);
    QVERIFY(stopped);
}

// ----------------------------------------------------------------- matching

namespace {
QList<THitRow> Search(const QByteArray &line, const QByteArray &find, bool noCase)
{
    QList<THitRow> rows;
    TLineSearcher searcher(find, noCase, nullptr, [&](TGrepResult &&r) {
        rows.append({r.Line, r.Column, r.BeforeText, r.TextFromHit, r.AtLineStart, r.AtLineEnd});
    });
    searcher.SetFile(QStringLiteral("f"), 932);
    searcher.SearchLine(line, 7);
    return rows;
}

QList<int> Columns(const QList<THitRow> &rows)
{
    QList<int> columns;
    for (const THitRow &r : rows)
        columns.append(r.Column);
    return columns;
}
} // namespace

void TestSearch::searchLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<QList<int>>("columns");
    using C = QList<int>;
    QTest::newRow("one byte line") << QByteArray("a") << QByteArray("a") << false << C{1};
    QTest::newRow("a in aa") << QByteArray("aa") << QByteArray("a") << false << C{1, 2};
    QTest::newRow("aa in aaaa overlaps") << QByteArray("aaaa") << QByteArray("aa") << false << C{1, 2, 3};
    QTest::newRow("double-byte overlaps") << Sjis("＝＝＝") << Sjis("＝＝") << false << C{1, 3};
    QTest::newRow("full-width a thrice") << Sjis("ａａａ") << Sjis("ａ") << false << C{1, 3, 5};
    QTest::newRow("column counts bytes") << Sjis("日本語") << Sjis("語") << false << C{5};
    QTest::newRow("backslash trail trap") << Sjis("表示\\表") << QByteArray("\\") << false << C{5};
    QTest::newRow("at-sign trail trap") << Sjis("　@") << QByteArray("@") << false << C{3};
    QTest::newRow("bracket trail trap") << Sjis("ゾ]") << QByteArray("]") << false << C{3};
    QTest::newRow("empty line") << QByteArray() << QByteArray("a") << false << C{};
    QTest::newRow("no case") << QByteArray("abc aBc ABC") << QByteArray("ABC") << true << C{1, 5, 9};
    QTest::newRow("case kept") << QByteArray("abc aBc ABC") << QByteArray("ABC") << false << C{9};
    QTest::newRow("no case full-width") << Sjis("ＡＢａｂ") << Sjis("ａｂ") << true << C{1, 5};
    QTest::newRow("no case greek") << Sjis("ΣΑσα") << Sjis("σα") << true << C{1, 5};
}

void TestSearch::searchLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, find);
    QFETCH(bool, noCase);
    QFETCH(QList<int>, columns);
    const QList<THitRow> rows = Search(line, find, noCase);
    QCOMPARE(Columns(rows), columns);
    for (const THitRow &r : rows) {
        QCOMPARE(r.Line, 7);
        QVERIFY(r.FromHit.size() >= find.size());
    }
}

void TestSearch::contextLimits()
{
    const QByteArray pad(100, 'x');
    // Hit at offset 0: nothing before, the line's start is shown.
    auto rows = Search("H" + pad, "H", false);
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows[0].Before.isEmpty());
    QVERIFY(rows[0].AtStart);
    QCOMPARE(rows[0].FromHit.size(), 61);
    QVERIFY(!rows[0].AtEnd);
    // Offset 59: all 59 bytes before, from the first one.
    rows = Search(QByteArray(59, 'x') + "H" + QByteArray(60, 'y'), "H", false);
    QCOMPARE(rows[0].Before.size(), 59);
    QVERIFY(rows[0].AtStart);
    QVERIFY(rows[0].AtEnd); // exactly 60 bytes follow
    // Offset 60: the first byte is no longer shown.
    rows = Search(QByteArray(60, 'x') + "H" + QByteArray(61, 'y'), "H", false);
    QCOMPARE(rows[0].Before.size(), 59);
    QVERIFY(!rows[0].AtStart);
    QVERIFY(!rows[0].AtEnd); // 61 follow, one is cut
}

void TestSearch::contextDoubleByteCuts()
{
    // The before-context would begin on a second byte: it begins one later.
    QByteArray line = "x" + Sjis("あ") + QByteArray(58, 'b') + "H";   // hit at offset 61
    auto rows = Search(line, "H", false);
    QCOMPARE(rows[0].Before, QByteArray(58, 'b'));
    line = Sjis("あ") + QByteArray(58, 'b') + "H";                    // hit at offset 60, cut at byte 1
    rows = Search(line, "H", false);
    QCOMPARE(rows[0].Before.size(), 58);
    QVERIFY(!rows[0].AtStart);
    // The after-context would end on a first byte: it takes one more.
    line = "H" + QByteArray(59, 'a') + Sjis("あい");
    rows = Search(line, "H", false);
    QCOMPARE(rows[0].FromHit, "H" + QByteArray(59, 'a') + Sjis("あ"));
    QVERIFY(!rows[0].AtEnd);
}

void TestSearch::noCaseKeepsLineText()
{
    const auto rows = Search("xx aBc yy", "ABC", true);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].Before, QByteArray("xx "));
    QCOMPARE(rows[0].FromHit, QByteArray("aBc yy"));
}

void TestSearch::wholeTextMatchesLineByLine()
{
    // The fast whole-text search must give exactly the records of a line by
    // line search, on texts full of traps: double-byte characters whose
    // bytes look like the pattern, every kind of line end, long lines.
    const QList<QByteArray> pieces = {"a", "aa", "\\", "@", "]", Sjis("表"), Sjis("＝"), Sjis("ａ"),
                                      Sjis("Ａ"), "A", "\r", "\n", "\r\n", "\n\r", " ", "\x82",
                                      Sjis("ゾ"), "x"};
    const QList<QByteArray> patterns = {"a", "aa", "\\", "@", "]", Sjis("＝＝"), Sjis("ａ"), "A",
                                        "\x81", "xa"};
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        QByteArray text;
        const int count = random.bounded(1, 400);
        for (int i = 0; i < count; ++i)
            text += pieces[random.bounded(int(pieces.size()))];
        for (const QByteArray &pattern : patterns) {
            for (bool noCase : {false, true}) {
                QList<TGrepResult> whole, byLine;
                TLineSearcher a(pattern, noCase, nullptr, [&](TGrepResult &&r) { whole.append(r); });
                TLineSearcher b(pattern, noCase, nullptr, [&](TGrepResult &&r) { byLine.append(r); });
                a.SearchText(text);
                for (TLineCursor c(text); !c.AtEnd(); c.Next())
                    b.SearchLine(c.Line(), c.Index());
                QCOMPARE(whole.size(), byLine.size());
                for (qsizetype i = 0; i < whole.size(); ++i) {
                    QCOMPARE(whole[i].Line, byLine[i].Line);
                    QCOMPARE(whole[i].Column, byLine[i].Column);
                    QCOMPARE(whole[i].BeforeText, byLine[i].BeforeText);
                    QCOMPARE(whole[i].TextFromHit, byLine[i].TextFromHit);
                    QCOMPARE(whole[i].AtLineStart, byLine[i].AtLineStart);
                    QCOMPARE(whole[i].AtLineEnd, byLine[i].AtLineEnd);
                }
            }
        }
    }
}

void TestSearch::positionsPastThirtyTwoBits()
{
    std::vector<TGrepResult> hits;
    TLineSearcher searcher("hit", false, nullptr, [&](TGrepResult &&r) { hits.push_back(std::move(r)); });
    searcher.SearchLine("a hit", qint64(5000000000));
    QCOMPARE(hits.size(), size_t(1));
    QCOMPARE(hits[0].Line, qint64(5000000000));

    // A line longer than 2 GiB, mapped without memory behind it but for the
    // page that holds the hit.
    const qsizetype size = (qsizetype(1) << 31) + (1 << 20);
    void *map = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    QVERIFY(map != MAP_FAILED);
    const auto unmap = qScopeGuard([&] { munmap(map, size_t(size)); });
    char *text = static_cast<char *>(map);
    const qsizetype at = (qsizetype(1) << 31) + 100;
    memcpy(text + at, "hit", 3);
    hits.clear();
    qsizetype boundary = at - TLineSearcher::BeforeLimit;
    searcher.PublishHit(QByteArrayView(text, size), 7, at, 3, boundary);
    QCOMPARE(hits.size(), size_t(1));
    QCOMPARE(hits[0].Column, at + 1);
    QCOMPARE(hits[0].HitLength, 3);
    QCOMPARE(hits[0].HitText(), QByteArray("hit"));
    QCOMPARE(hits[0].BeforeText.size(), TLineSearcher::BeforeLimit);
    QVERIFY(!hits[0].AtLineStart && !hits[0].AtLineEnd);
}

void TestSearch::stopInsideHitLoop()
{
    std::atomic<bool> stop{false};
    int hits = 0;
    TLineSearcher searcher("a", false, &stop, [&](TGrepResult &&) {
        if (++hits == 3)
            stop = true;
    });
    searcher.SearchText("aaaaaa\naaaa");
    QCOMPARE(hits, 3);
}

// ------------------------------------------------------- regular expressions

namespace {
struct TRegExpRun
{
    QList<THitRow> Rows;
    QStringList Messages;
    bool Ok = true;
    TLineSearcher::TSkippedLines Skipped;
};

TRegExpRun SearchRegExp(const QByteArray &text, const QByteArray &pattern, bool noCase,
                        const QString &library = TBRegExp::DefaultLibrary,
                        unsigned long timeLimitMs = BREGEXP_DEFAULT_TIME_LIMIT_MS)
{
    TRegExpRun run;
    TBRegExp adapter([&](const QString &m, bool) { run.Messages.append(m); }, library);
    adapter.NoCase = noCase;
    adapter.TimeLimitMs = timeLimitMs;
    TLineSearcher searcher(pattern, noCase, nullptr, [&](TGrepResult &&r) {
        run.Rows.append({r.Line, r.Column, r.BeforeText, r.TextFromHit.left(r.HitLength), r.AtLineStart, r.AtLineEnd});
    });
    run.Ok = searcher.SearchRegExpText(text, adapter);
    run.Skipped = searcher.Skipped();
    return run;
}
} // namespace

void TestSearch::patternString_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("abc") << false << QByteArray("m/abc/k");
    QTest::newRow("slash inside, ignore case") << QByteArray("a/b") << true << QByteArray("m#a/b#ki");
    QTest::newRow("slash and hash") << QByteArray("/#") << false << QByteArray("m!/#!k");
    QTest::newRow("five taken") << QByteArray("/#!$%") << false << QByteArray("m&/#!$%&k");
    QTest::newRow("all six taken") << QByteArray("/#!$%&") << false << QByteArray();
}

void TestSearch::patternString()
{
    QFETCH(QByteArray, pattern);
    QFETCH(bool, noCase);
    QFETCH(QByteArray, expected);
    QStringList messages;
    TBRegExp adapter([&](const QString &m, bool) { messages.append(m); });
    adapter.NoCase = noCase;
    QCOMPARE(adapter.BuildPattern(pattern), expected);
    QCOMPARE(messages.isEmpty(), !expected.isEmpty());
}

void TestSearch::regExpLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QList<QByteArray>>("hits");
    using C = QList<int>;
    using H = QList<QByteArray>;
    QTest::newRow("years") << Sjis("2019年と2020年") << Sjis("[0-9]+年") << false << C{1, 9}
                           << H{Sjis("2019年"), Sjis("2020年")};
    QTest::newRow("dot is one character") << Sjis("日本語") << QByteArray("^.") << false << C{1} << H{Sjis("日")};
    QTest::newRow("class never splits") << Sjis("表示ソ") << Sjis("[ソ表]") << false << C{1, 5} << H{Sjis("表"), Sjis("ソ")};
    QTest::newRow("backslash trail trap") << Sjis("表\\") << QByteArray("\\\\") << false << C{3} << H{"\\"};
    QTest::newRow("ignore case") << QByteArray("Abc aBC") << QByteArray("abc") << true << C{1, 5} << H{"Abc", "aBC"};
    QTest::newRow("case kept") << QByteArray("Abc abc") << QByteArray("abc") << false << C{5} << H{"abc"};
    QTest::newRow("caret only at the line start") << QByteArray("aaa") << QByteArray("^a") << false << C{1} << H{"a"};
    QTest::newRow("caret on each line") << QByteArray("ab\nab") << QByteArray("^a") << false << C{1, 1} << H{"a", "a"};
    QTest::newRow("word boundary sees what came before") << QByteArray("afoo") << QByteArray("a|\\bfoo") << false << C{1} << H{"a"};
    QTest::newRow("empty matches end") << QByteArray("ab") << QByteArray("x*") << false << C{1, 2, 3} << H{"", "", ""};
    QTest::newRow("empty match steps over a double-byte character") << Sjis("日本") << QByteArray("x*") << false << C{1, 3, 5} << H{"", "", ""};
    QTest::newRow("anchor at the end") << QByteArray("abc") << QByteArray("c$") << false << C{} << H{};
    QTest::newRow("empty line has the blank only") << QByteArray("\n") << QByteArray(".") << false << C{1} << H{""};
}

void TestSearch::regExpLine()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, pattern);
    QFETCH(bool, noCase);
    QFETCH(QList<int>, columns);
    QFETCH(QList<QByteArray>, hits);
    const TRegExpRun run = SearchRegExp(text, pattern, noCase);
    QVERIFY(run.Ok);
    QVERIFY(run.Messages.isEmpty());
    QCOMPARE(Columns(run.Rows), columns);
    QList<QByteArray> found;
    for (const THitRow &r : run.Rows)
        found.append(r.FromHit);
    QCOMPARE(found, hits);
}

void TestSearch::regExpBlankMatchesAppendedBlank()
{
    // The line is searched with one blank after it: a blank pattern on a
    // line without blanks matches there, one column past the last byte.
    QStringList messages;
    TBRegExp adapter([&](const QString &m, bool) { messages.append(m); });
    qsizetype length = -1;
    QCOMPARE(adapter.Match(" ", "abc", 0, length), 3);
    QCOMPARE(length, qsizetype(1));
    const TRegExpRun run = SearchRegExp("abc", " ", false);
    QCOMPARE(Columns(run.Rows), QList<int>{4});
    QVERIFY(run.Rows[0].AtEnd);
}

void TestSearch::regExpMissingLibrary()
{
    const TRegExpRun run = SearchRegExp("abc\nabc\nabc", "b", false, "/nonexistent/libnothing.so");
    QCOMPARE(run.Messages, QStringList{"BRegExp dll Error"});
    QVERIFY(run.Rows.isEmpty());

    // The worker shows it once and ends the search at once.
    TTestTree tree;
    tree.File("a.txt", "abc\nabc\n");
    tree.File("b.txt", "abc\n");
    const TWorkerRun worker([&](TGrepThread &w) {
        w.UseRegExp = true;
        w.RegExpLibrary = "/nonexistent/libnothing.so";
        w.FindText = "b";
        w.TargetPath = tree.Root();
    });
    QCOMPARE(worker.Reporter.Messages, QStringList{"BRegExp dll Error"});
    QCOMPARE(worker.Reporter.Statuses.last(), QStringLiteral("対象: 0/2|該当: 0|検索終了"));
    QCOMPARE(worker.Reporter.DoneCalls, 1);
}

void TestSearch::regExpNoDelimiter()
{
    TTestTree tree;
    tree.File("a.txt", "abc\nabc\n");
    const TWorkerRun worker([&](TGrepThread &w) {
        w.UseRegExp = true;
        w.FindText = "/#!$%&";
        w.TargetPath = tree.Root();
    });
    QCOMPARE(worker.Reporter.Messages, QStringList{"BRegExp Delimiter Error"});
    QCOMPARE(worker.Reporter.Statuses.last(), QStringLiteral("対象: 0/1|該当: 0|検索終了"));
}

void TestSearch::regExpBadPattern()
{
    const TRegExpRun run = SearchRegExp("abc\nabc", "(", false);
    QVERIFY(!run.Ok);
    QCOMPARE(run.Messages.size(), 1);
    QVERIFY(!run.Messages[0].isEmpty());

    TTestTree tree;
    tree.File("a.txt", "abc\nabc\n");
    tree.File("b.txt", "abc\n");
    const TWorkerRun worker([&](TGrepThread &w) {
        w.UseRegExp = true;
        w.FindText = "b(";
        w.TargetPath = tree.Root();
    });
    QCOMPARE(worker.Reporter.Messages.size(), 1); // the search stopped at the first failure
    QVERIFY(worker.Reporter.Statuses.last().endsWith(QStringLiteral("|該当: 0|検索終了")));
}

void TestSearch::regExpCheckedBeforeSearch_data()
{
    // The position is the character where the fault shows, counted in
    // characters of the pattern as typed.
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<QString>("expected"); // start of the message; empty: accepted
    QTest::newRow("good") << QString::fromUtf8("第[0-9]+章") << false << QString();
    QTest::newRow("good, ignoring case") << "a(b|c)\\1" << true << QString();
    QTest::newRow("lone open") << "(" << false
        << QString::fromUtf8("正規表現に誤りがあります (1 文字目): 閉じていない括弧 \"(\" があります [");
    QTest::newRow("second group open") << "(a)(b" << false
        << QString::fromUtf8("正規表現に誤りがあります (4 文字目): 閉じていない括弧");
    QTest::newRow("close without open") << "ab)" << false
        << QString::fromUtf8("正規表現に誤りがあります (3 文字目): 対応する \"(\" のない \")\" があります [");
    QTest::newRow("class left open") << "x[ab" << false
        << QString::fromUtf8("正規表現に誤りがあります (2 文字目): 閉じていない文字クラス");
    QTest::newRow("repeat of nothing") << "*a" << false
        << QString::fromUtf8("正規表現に誤りがあります (1 文字目): 繰り返しの対象がありません [");
    QTest::newRow("trailing escape") << "ab\\" << false
        << QString::fromUtf8("正規表現に誤りがあります (3 文字目): パターンが \"\\\" で終わっています [");
    QTest::newRow("reference to a missing group") << "(a)\\2" << false
        << QString::fromUtf8("正規表現に誤りがあります (4 文字目): ない括弧を後方参照しています [");
    QTest::newRow("double-byte characters count once") << QString::fromUtf8("検索(文字") << false
        << QString::fromUtf8("正規表現に誤りがあります (3 文字目)");
}

void TestSearch::regExpCheckedBeforeSearch()
{
    QFETCH(QString, pattern);
    QFETCH(bool, noCase);
    QFETCH(QString, expected);
    TTestTree tree;
    tree.File("a.txt", "abc\n");
    TSearchOptions options;
    options.TargetPath = tree.Root();
    options.FindText = pattern;
    options.UseRegExp = true;
    options.NoCase = noCase;
    QByteArray findText;
    const QString refusal = options.Check(findText);
    if (expected.isEmpty()) {
        QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
        QVERIFY(!findText.isEmpty());
        return;
    }
    QVERIFY2(refusal.startsWith(expected), qPrintable(refusal));
    // The library's own words close the message, in brackets.
    QVERIFY2(refusal.endsWith(u']') && refusal.contains(QStringLiteral(" [")), qPrintable(refusal));
    QVERIFY(findText.isEmpty());
}

void TestSearch::regExpCheckOnlyForRegExp()
{
    TTestTree tree;
    tree.File("a.txt", "(\n");
    TSearchOptions options;
    options.TargetPath = tree.Root();
    options.FindText = "(";
    QByteArray findText;
    QCOMPARE(options.Check(findText), QString()); // a plain search for "("
    // Without the library the search itself reports that; the check lets it start.
    options.UseRegExp = true;
    options.RegExpLibrary = "/nonexistent/libnothing.so";
    QCOMPARE(options.Check(findText), QString());
    // A message the table does not know still names the fault and keeps the library's words.
    QCOMPARE(TRegExpCheck::Message("some new fault", 2), QStringLiteral("正規表現に誤りがあります (2 文字目) [some new fault]"));
}

void TestSearch::regExpRunawayEnds_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("noCase");
    QTest::newRow("nested repeats backtrack") << QByteArray("(a+)+$") << false;
    QTest::newRow("optional blanks backtrack") << QByteArray("(\\w+\\s?)*$") << false;
    QTest::newRow("quadratic without backtracking") << QByteArray("\\w+\\W\\w") << false;
    QTest::newRow("fixed repeats") << QByteArray("(a{1000}){1000}") << false;
    QTest::newRow("fixed repeats nested, ignoring case") << QByteArray("((a{100}){100}){100}") << true;
}

void TestSearch::regExpRunawayEnds()
{
    // A search that would run for ages on one line ends within the bound;
    // the line is counted as skipped with the library's reason, never taken
    // for a silent "no match", and the lines after it are still searched.
    QFETCH(QByteArray, pattern);
    QFETCH(bool, noCase);
    const QByteArray text = "first\n" + QByteArray(100000, 'a') + "!\nlast aaaa";
    const TRegExpRun run = SearchRegExp(text, pattern, noCase, TBRegExp::DefaultLibrary, 300);
    QVERIFY(run.Ok);
    QVERIFY2(run.Messages.isEmpty(), qPrintable(run.Messages.join(u'|')));
    QCOMPARE(run.Skipped.Count, 1);
    QCOMPARE(run.Skipped.FirstLine, 1);
    QVERIFY(run.Skipped.Reason.contains(u"too complex"));
    for (const THitRow &row : run.Rows)
        QVERIFY(row.Line != 1);
}

void TestSearch::regExpRunawayOnManyShortLines()
{
    // An exponential pattern on 4,000 short lines: each line gives up at
    // once and is counted; none is taken for a silent "no match", and no
    // message is shown per line.
    QByteArray text;
    for (int i = 0; i < 4000; ++i)
        text += "b" + QByteArray(10 + i % 40, 'x') + "\n";
    const TRegExpRun run = SearchRegExp(text, "(.*)*b", false, TBRegExp::DefaultLibrary, 60000);
    QVERIFY(run.Ok);
    QVERIFY2(run.Messages.isEmpty(), qPrintable(run.Messages.join(u'|')));
    QCOMPARE(run.Skipped.Count, qint64(4000));
    QCOMPARE(run.Skipped.FirstLine, qint64(0));
    QVERIFY(run.Skipped.Reason.contains(u"too complex"));
    QVERIFY(run.Rows.empty());
}

void TestSearch::regExpStopEndsRunningMatch()
{
    // A stop request ends a match the library is in the middle of, even
    // without a time limit: the request ends as "no match", nothing skipped.
    std::atomic<bool> stop{true};
    TBRegExp adapter([](const QString &, bool) {});
    adapter.TimeLimitMs = 0;
    adapter.Stop = &stop;
    qsizetype length = 0;
    QCOMPARE(adapter.Match("\\w+\\W\\w", QByteArray(100000, 'a'), 0, length), -1);
    QVERIFY(adapter.LastFailure().isEmpty());
}

void TestSearch::regExpSkippedLinesReportedOnce_data()
{
    QTest::addColumn<int>("workers");
    QTest::newRow("in turn") << 1;
    QTest::newRow("side by side") << 3;
}

void TestSearch::regExpSkippedLinesReportedOnce()
{
    // One folder search: the runaway lines of two files are skipped, the
    // other files are still searched, and one message at the end counts
    // the skipped lines and names the first in the listing, whichever
    // worker came to it.
    QFETCH(int, workers);
    TTestTree tree;
    tree.File("a.txt", "ab\n");
    tree.File("b.txt", "x\n" + QByteArray(50000, 'a') + "!b\n" + QByteArray(50000, 'a') + "!b\n");
    tree.File("c.txt", "aab\n");
    tree.File("d.txt", QByteArray(50000, 'a') + "!b\n");
    TWorkerRun run([&](TGrepThread &worker) {
        worker.Workers = workers;
        worker.UseRegExp = true;
        worker.FindText = "(a+)+b";
        worker.TargetPath = tree.Root();
        worker.FilterList = "*.txt";
        worker.RegExpTimeLimit = 300;
    });
    QCOMPARE(run.Hits.size(), size_t(2));
    QCOMPARE(run.Reporter.Messages.size(), 1);
    QVERIFY2(run.Reporter.Messages[0].contains(u" 3 行"), qPrintable(run.Reporter.Messages[0]));
    QVERIFY(run.Reporter.Messages[0].contains(tree.Path("b.txt") + QStringLiteral(" の 2 行目")));
    QVERIFY(run.Reporter.Statuses.last().startsWith(u"対象: 4/4|"));
}

void TestSearch::requiredLiteral_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("abc") << false << QByteArray("abc");
    QTest::newRow("longest run") << QByteArray("ab.cdef") << false << QByteArray("cdef");
    QTest::newRow("quantified char leaves") << QByteArray("abcd*ef") << false << QByteArray("abc");
    QTest::newRow("optional char") << QByteArray("colou?r") << false << QByteArray("colo");
    QTest::newRow("interval") << QByteArray("ab{2}cde") << false << QByteArray("cde");
    QTest::newRow("class and escape") << QByteArray("[A-Z_]{4,}_MAX\\b") << false << QByteArray("_MAX");
    QTest::newRow("escaped punctuation") << QByteArray("a\\.b") << false << QByteArray("a.b");
    QTest::newRow("top-level alternative") << QByteArray("abc|def") << false << QByteArray();
    QTest::newRow("alternative inside a group") << QByteArray("(a|b)cde") << false << QByteArray("cde");
    QTest::newRow("inline option") << QByteArray("(?i)abc") << false << QByteArray();
    QTest::newRow("non-capturing group") << QByteArray("(?:x|y)abc") << false << QByteArray("abc");
    QTest::newRow("hex escape") << QByteArray("a\\x41bc") << false << QByteArray();
    QTest::newRow("back reference") << QByteArray("(a)\\1bc") << false << QByteArray();
    QTest::newRow("trailing blank left off") << QByteArray("abc ") << false << QByteArray("abc");
    QTest::newRow("double-byte quantified whole") << Sjis("日本語+ですよ") << false << Sjis("ですよ");
    QTest::newRow("trail byte 0x5C is no escape") << Sjis("表示") << false << Sjis("表示");
    QTest::newRow("trail byte 0x7C is no bar") << Sjis("掛けx") << false << Sjis("掛けx");
    QTest::newRow("class with ] first") << QByteArray("[]a]xyz") << false << QByteArray("xyz");
    QTest::newRow("nested class") << QByteArray("[a[bc]]xyz") << false << QByteArray("xyz");
    QTest::newRow("no case lowers ascii") << QByteArray("ABC") << true << QByteArray("abc");
    QTest::newRow("no case gives up on double-byte") << Sjis("ＡＢ") << true << QByteArray();
    QTest::newRow("unclosed class") << QByteArray("[abc") << false << QByteArray();
    QTest::newRow("stray parenthesis") << QByteArray("ab)c") << false << QByteArray();
}

void TestSearch::requiredLiteral()
{
    QFETCH(QByteArray, pattern);
    QFETCH(bool, noCase);
    QFETCH(QByteArray, expected);
    QCOMPARE(TRequiredLiteral::Find(pattern, noCase), expected);
}

void TestSearch::requiredLiteralNeverLosesMatches()
{
    // With and without the shortcut, the same records, on texts and
    // patterns built to trip it: blanks at line ends, case, trail bytes.
    const QList<QByteArray> pieces = {"ab", "c", " ", "AB", "\n", "\r\n", Sjis("表"), Sjis("示"),
                                      "x", "_MAX", "MAX", "Z", Sjis("日本"), "\\"};
    const QList<QPair<QByteArray, bool>> patterns = {
        {"ab", false}, {"ab ", false}, {"b c", false}, {"ab", true}, {"Ab?c", false},
        {"[A-Z]+_MAX", false}, {Sjis("表示"), false}, {"x\\b", false}, {"^ab", false},
        {"c$", false}, {"(ab|c)x", false}, {Sjis("日本+"), false}, {"\\\\", false}};
    QRandomGenerator random(8122026);
    for (int round = 0; round < 150; ++round) {
        QByteArray text;
        const int count = random.bounded(1, 200);
        for (int i = 0; i < count; ++i)
            text += pieces[random.bounded(int(pieces.size()))];
        for (const auto &[pattern, noCase] : patterns) {
            QStringList messages;
            TBRegExp adapter([&](const QString &m, bool) { messages.append(m); });
            adapter.NoCase = noCase;
            QList<QPair<int, int>> fast, slow;
            TLineSearcher a(pattern, noCase, nullptr, [&](TGrepResult &&r) { fast.append({r.Line, r.Column}); });
            TLineSearcher b(pattern, noCase, nullptr, [&](TGrepResult &&r) { slow.append({r.Line, r.Column}); });
            b.SetRequiredText(QByteArray(""));
            QVERIFY(a.SearchRegExpText(text, adapter));
            QVERIFY(b.SearchRegExpText(text, adapter));
            QCOMPARE(fast, slow);
            QVERIFY(messages.isEmpty());
        }
    }
}

// ---------------------------------------------------------- conversion skip

void TestSearch::prefilterForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<bool>("regExp");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<bool>("euc");
    QTest::newRow("ascii word") << "KESTU" << false << false << true << true;
    QTest::newRow("kanji") << QString::fromUtf8("蜃気楼") << false << false << true << true;
    QTest::newRow("yen sign and backslash share 5C in UTF-8") << "\\" << false << false << false << true;
    QTest::newRow("question mark stands for substitutes") << "a?" << false << false << false << false;
    QTest::newRow("ignore case is never skipped") << "KESTU" << true << false << false << false;
    QTest::newRow("regular expressions are never skipped") << "KESTU" << false << true << false << false;
}

void TestSearch::prefilterForms()
{
    QFETCH(QString, text);
    QFETCH(bool, noCase);
    QFETCH(bool, regExp);
    QFETCH(bool, utf8);
    QFETCH(bool, euc);
    const TSourcePrefilter prefilter(Sjis(text), noCase, regExp);
    QCOMPARE(!prefilter.SourceForm(-65001).isEmpty(), utf8);
    QCOMPARE(!prefilter.SourceForm(65001).isEmpty(), utf8);
    QCOMPARE(!prefilter.SourceForm(51932).isEmpty(), euc);
    QVERIFY(prefilter.SourceForm(932).isEmpty());
    QVERIFY(prefilter.SourceForm(50220).isEmpty());
    if (utf8)
        QCOMPARE(prefilter.SourceForm(-65001), text.toUtf8());
}

void TestSearch::prefilterNeverSkipsAHit()
{
    // Texts full of characters that convert alike (yen sign and backslash,
    // the wave dashes, minus signs, NEC and IBM duplicates), bytes that do
    // not convert at all, and substitutes: whenever the skip says a file can
    // hold no hit, converting and searching it must find none.
    const QStringList pieces = {"a", "\\", "~", "?", QString::fromUtf8("¥"), QString::fromUtf8("‾"),
                                QString::fromUtf8("～"), QString::fromUtf8("〜"), QString::fromUtf8("−"),
                                QString::fromUtf8("－"), QString::fromUtf8("∥"), QString::fromUtf8("‖"),
                                QString::fromUtf8("①"), QString::fromUtf8("髙"), QString::fromUtf8("ｱ"),
                                QString::fromUtf8("ⅰ"), QString::fromUtf8("¬"), QString::fromUtf8("日本"),
                                QString::fromUtf8("😀"), "\n", " "};
    const QList<QByteArray> brokenBytes = {"\xFF", "\xC3", "\x8F\xA2", "\xA1"};
    QStringList words = pieces;
    words << QString::fromUtf8("日本") + "a" << QString::fromUtf8("～a") << QString::fromUtf8("∥①");
    QRandomGenerator random(81226);
    const TTextDecoder decoder;
    int skipped = 0;
    for (int round = 0; round < 400; ++round) {
        QString text;
        for (int i = random.bounded(1, 40); i > 0; --i)
            text += pieces[random.bounded(int(pieces.size()))];
        const qint32 code = random.bounded(2) ? -65001 : 51932;
        QByteArray raw = code == -65001 ? text.toUtf8() : Encode(text, "EUC-JP-MS");
        if (random.bounded(3) == 0)
            raw.insert(random.bounded(int(raw.size()) + 1), brokenBytes[random.bounded(int(brokenBytes.size()))]);
        const QByteArray converted = decoder.ConvertText(raw, code);
        for (const QString &word : words) {
            QByteArray find;
            if (!TCp932::FromQString(word, find))
                continue;
            const TSourcePrefilter prefilter(find, false, false);
            if (prefilter.MayHoldHits(raw, code))
                continue;
            ++skipped;
            int hits = 0;
            TLineSearcher searcher(find, false, nullptr, [&](TGrepResult &&) { ++hits; });
            searcher.SearchText(converted);
            QVERIFY2(hits == 0, qPrintable(QStringLiteral("%1 in %2").arg(word, text)));
        }
    }
    QVERIFY(skipped > 100); // the skip was really exercised
}

void TestSearch::prefilterSkippedFileStillReported()
{
    TTestTree tree;
    tree.File("euc.txt", Encode(QString::fromUtf8("日本語の文章です。\n"), "EUC-JP-MS"));
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    worker.BlockingStatus = true;
    worker.FindText = Sjis("検索");
    worker.TargetPath = tree.Root();
    worker.Resume();
    worker.WaitFor();
    QVERIFY(hits.empty());
    QCOMPARE(reporter.Statuses.filter(QStringLiteral("検索中 [euc.txt]")).size(), 1);
}

namespace {
// Every field of a record, as one comparable text.
QByteArray RecordText(const TGrepResult &r)
{
    return r.FileName.toUtf8() + '|' + QByteArray::number(r.Line) + '|' + QByteArray::number(r.Column) + '|'
           + QByteArray::number(r.CodeId) + '|' + QByteArray::number(r.HitLength) + '|' + r.BeforeText + '|'
           + r.TextFromHit + '|' + char('0' + r.AtLineStart) + char('0' + r.AtLineEnd);
}
} // namespace

// Whether a line (0-based) of a file begins at offset: its text from
// textStart (past a mark) to the offset ends a line there and holds that
// many line ends (LF, CR, CR LF), in bytes or in UTF-16 units.
static bool LineStartsAt(const QByteArray &raw, qint64 textStart, qint64 offset, qint64 line, int unit = 1,
                         bool bigEndian = false)
{
    const auto at = [&](qint64 i) -> unsigned {
        if (i + unit > raw.size())
            return 0;
        const auto a = uchar(raw[i]);
        if (unit == 1)
            return a;
        const auto b = uchar(raw[i + 1]);
        return bigEndian ? a << 8 | b : b << 8 | a;
    };
    if (offset < textStart || offset > raw.size() || (offset - textStart) % unit)
        return false;
    if (offset > textStart && at(offset - unit) != '\n' && !(at(offset - unit) == '\r' && at(offset) != '\n'))
        return false;
    qint64 ends = 0;
    for (qint64 i = textStart; i < offset; i += unit)
        ends += at(i) == '\n' || (at(i) == '\r' && at(i + unit) != '\n');
    return ends == line;
}

void TestSearch::rawSearchMatchesWholeFile()
{
    // UTF-8 and EUC-JP files are searched in their own bytes and only the
    // lines that may hold a hit are converted; huge files are read,
    // decoded and searched a piece at a time (UTF-16 ones cut between code
    // units, which stray bytes put out of step). On texts full of look-alike
    // characters, letters of both cases, broken sequences, escapes, zero
    // bytes and every kind of line end, that must give exactly the records
    // of reading and converting the whole file and searching every line.
    const QStringList pieces = {"a", "A", "R", "r", "return", "RETURN", "\\", "~", "?", QString::fromUtf8("¥"),
                                QString::fromUtf8("～"), QString::fromUtf8("〜"), QString::fromUtf8("−"),
                                QString::fromUtf8("∥"), QString::fromUtf8("①"), QString::fromUtf8("髙"),
                                QString::fromUtf8("ｱ"), QString::fromUtf8("ａ"), QString::fromUtf8("Ａ"),
                                QString::fromUtf8("日本"), QString::fromUtf8("2024年"), QString::fromUtf8("😀"),
                                "\n", "\r", "\r\n", " ", "x"};
    const QList<QByteArray> brokenBytes = {"\xFF", "\xC3", "\x8F\xA2", "\xA1", "\x8E\n", "\x8E\r", "\xE3\x81",
                                           "\x1B$B", "\x1B(", QByteArray(1, '\0')};
    struct TQuery
    {
        QString Text;
        bool NoCase, RegExp;
    };
    const QList<TQuery> queries = {
        {QString::fromUtf8("日本"), false, false},  {"a", false, false},
        {"return", true, false},                    {"A", true, false},
        {QString::fromUtf8("ａ"), true, false},     {QString::fromUtf8("日本"), true, false},
        {QString::fromUtf8("～a"), false, false},   {"r\\", false, false},
        {QString::fromUtf8("[0-9]+年"), false, true}, {"ret(u)rn", true, true},
        {QString::fromUtf8("日本|x"), false, true}, {"a ", false, true}};
    QRandomGenerator random(20240612);
    TTestTree tree;
    const QString path = tree.Path("f.txt");
    int compared = 0;
    int knownOffsets = 0; // hits that know where their line begins in the file
    TBRegExp adapter(nullptr);
    for (int round = 0; round < 150; ++round) {
        QString text;
        for (int i = random.bounded(1, 60); i > 0; --i)
            text += pieces[random.bounded(int(pieces.size()))];
        // A plain ASCII head: a huge file is searched with the code its
        // head points to before the rest has been seen.
        if (random.bounded(3) == 0)
            text.prepend(QStringLiteral("a plain head\n").repeated(random.bounded(1, 4)));
        const int choice = QList<int>{0, 0, 1, 2, 3, 5, 6}[random.bounded(7)];
        const int form = choice == 0 ? random.bounded(6) : choice == 1 ? 3 : choice == 2 ? 1 : choice == 3 ? 2 : 0;
        QByteArray raw = form == 1   ? Encode(text, "EUC-JP-MS")
                         : form == 2 ? Encode(text, "ISO-2022-JP")
                         : form == 3 ? Encode(text, "CP932")
                         : form >= 4 ? Utf16File(text, form == 5)
                                     : text.toUtf8();
        if (choice == 5)
            raw.prepend("\xEF\xBB\xBF");
        for (int k = random.bounded(3); k > 0; --k)
            raw.insert(random.bounded(int(raw.size()) + 1), brokenBytes[random.bounded(int(brokenBytes.size()))]);
        tree.File("f.txt", raw);
        // UTF-8 chosen, or found by its mark: the first three bytes are the
        // mark. UTF-16 is found by its mark only.
        const bool utf16 = choice == 0 && (raw.startsWith("\xFF\xFE") || raw.startsWith("\xFE\xFF"));
        const qint64 textStart = utf16 ? 2 : choice == 5 || (choice == 0 && raw.startsWith("\xEF\xBB\xBF")) ? 3 : 0;
        for (const TQuery &query : queries) {
            QByteArray find;
            if (!TCp932::FromQString(query.Text, find))
                continue;
            adapter.NoCase = query.NoCase;
            const TSourcePrefilter prefilter(find, query.NoCase, query.RegExp);
            // 0: the fast path; 1: the same, a few bytes at a time as a
            // huge file is read; 2: the reference.
            QList<QByteArray> records[3];
            TFileOutcome outcomes[3];
            for (int way = 0; way < 3; ++way) {
                TFileSearcher searcher(find, query.NoCase, nullptr,
                                       [&](TGrepResult &&r) {
                                           records[way].append(RecordText(r));
                                           if (r.LineOffset >= 0) {
                                               QVERIFY2(LineStartsAt(raw, textStart, r.LineOffset, r.Line, utf16 ? 2 : 1,
                                                                     raw.startsWith("\xFE\xFF")),
                                                        qPrintable(QStringLiteral("line %1 at %2 in %3")
                                                                       .arg(r.Line).arg(r.LineOffset).arg(text)));
                                               ++knownOffsets;
                                           }
                                       },
                                       query.RegExp ? &adapter : nullptr, prefilter, way == 2);
                if (way == 1) {
                    searcher.SetPieces(0, random.bounded(1, 24));
                    // Sometimes too few hits may wait for the code.
                    if (random.bounded(4) == 0)
                        searcher.SetHoldLimit(size_t(random.bounded(3)));
                }
                outcomes[way] = searcher.Search(path, choice);
            }
            for (int way = 0; way < 2; ++way) {
                QVERIFY2(records[way] == records[2], qPrintable(QStringLiteral("%1 in %2 (choice %3, way %4)")
                                                                    .arg(query.Text, text)
                                                                    .arg(choice)
                                                                    .arg(way)));
                QCOMPARE(outcomes[way].HasText, outcomes[2].HasText);
            }
            compared += int(records[2].size());
        }
    }
    QVERIFY(compared > 500); // hits were really found and compared
    QVERIFY(knownOffsets > 500);
}

void TestSearch::isoSkeletonKeepsEveryHit()
{
    // ISO-2022-JP pieces whose skeleton lacks the search text are not
    // decoded. On texts of designations that last across line ends, shifts,
    // bad escapes and stray bytes, the skeleton must keep the decoder's
    // lines and state, and a search a few bytes at a time must give the
    // records of decoding the whole file.
    const QList<QByteArray> tokens = {"\x1B$B", "\x1B$@", "\x1B(B", "\x1B(J", "\x1B(I", "\x1B$(D", "\x1B$(Q",
                                      "\x1B&@", "\x1B(Z", "\x1B$", "\x1B", "\x0E", "\x0F", "FK", "K\\",
                                      "%\"", "\x46\x7C", "ab", "a", "b", "?", "\n", "\r", "\r\n", "\xB1", "\x80",
                                      "!", "1"};
    const QList<QByteArray> needles = {Sjis(QString::fromUtf8("日本")), "ab", Sjis(QString::fromUtf8("a日")),
                                       Sjis(QString::fromUtf8("日本ab")), "?a", Sjis(QString::fromUtf8("ｱ")),
                                       Sjis(QString::fromUtf8("ｱab"))};
    QRandomGenerator random(20261209);
    TTestTree tree;
    const QString path = tree.Path("iso.txt");
    int hits = 0, skippedPieces = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray raw;
        for (int i = random.bounded(1, 80); i > 0; --i)
            raw += tokens[random.bounded(int(tokens.size()))];
        TTextDecoder::TIso2022State decodedState, skeletonState;
        const QByteArray decoded = TTextDecoder::DecodeIso2022Jp(raw, nullptr, nullptr, &decodedState);
        const QByteArray skeleton = TTextDecoder::Iso2022Skeleton(raw, skeletonState);
        QCOMPARE(int(skeletonState.CharSet), int(decodedState.CharSet));
        QCOMPARE(skeletonState.ShiftedOut, decodedState.ShiftedOut);
        QList<QByteArray> decodedLines, skeletonLines;
        for (TLineCursor c(decoded); !c.AtEnd(); c.Next())
            decodedLines.append(c.Line().toByteArray());
        for (TLineCursor c(skeleton); !c.AtEnd(); c.Next())
            skeletonLines.append(c.Line().toByteArray());
        QCOMPARE(skeletonLines.size(), decodedLines.size());
        tree.File("iso.txt", raw);
        for (const QByteArray &needle : needles) {
            const QByteArray form = TTextDecoder::Iso2022SkeletonForm(needle);
            for (qsizetype k = 0; k < decodedLines.size(); ++k) {
                if (!decodedLines[k].contains(needle))
                    continue;
                ++hits;
                QVERIFY2(skeletonLines[k].contains(form), raw.toHex().constData());
            }
            QList<QByteArray> records[2];
            for (int way = 0; way < 2; ++way) {
                const TSourcePrefilter prefilter(needle, false, false);
                TFileSearcher searcher(needle, false, nullptr,
                                       [&](TGrepResult &&r) { records[way].append(RecordText(r)); }, nullptr,
                                       prefilter, way == 1);
                if (way == 0)
                    searcher.SetPieces(0, random.bounded(1, 12));
                searcher.Search(path, 3);
            }
            QVERIFY2(records[0] == records[1], raw.toHex().constData());
            if (!form.isEmpty() && !skeleton.contains(form))
                ++skippedPieces;
        }
    }
    QVERIFY(hits > 100);
    QVERIFY(skippedPieces > 100);
}

void TestSearch::lineCountsMatchTheCursor()
{
    // The count of a piece's lines that carries line numbers from piece to
    // piece: LF, CR and CR LF, also across its blocks of sixteen bytes and
    // past the 255 blocks it sums at a time.
    const QList<QByteArray> pieces = {"\r", "\n", "\r\n", "a", "xyz", QByteArray(15, 'b'), QByteArray(300, 'c')};
    QRandomGenerator random(20261209);
    for (int round = 0; round < 400; ++round) {
        QByteArray text;
        for (int i = random.bounded(round % 50 == 0 ? 2000 : 40); i > 0; --i)
            text += pieces[random.bounded(int(pieces.size()))];
        qint64 ends = 0;
        for (qsizetype i = 0; i < text.size(); ++i)
            ends += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
        QCOMPARE(TLineCursor::CountLineEnds(text), ends);
        QCOMPARE(TLineCursor::CountLines(text, true), qint64(Lines(text).size()));
    }
}

void TestSearch::conversionTablesMatchIconv()
{
    // UTF-8, UTF-16 and EUC-JP lines are converted from a table where it
    // can answer for the whole line: its answer must be iconv's, for every
    // character, and a line with anything the table leaves to iconv (bad or
    // cut sequences, surrogates, characters beyond the BMP or that CP932
    // lacks) must still come out as iconv makes it.
    TIconvConverter fromUtf8("CP932", "UTF-8", "?"), fromLe("CP932", "UTF-16LE", "?"), fromBe("CP932", "UTF-16BE", "?");
    fromUtf8.SetSkipRule(TTextDecoder::SkipUtf8);
    auto via = [](TIconvConverter &c, QByteArrayView t) {
        QByteArray out;
        c.Convert(t, out);
        return out;
    };
    auto utf16 = [](const QString &text, bool bigEndian) {
        QByteArray out;
        for (QChar c : text) {
            const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
            out += bigEndian ? high : low;
            out += bigEndian ? low : high;
        }
        return out;
    };
    int fromTable = 0;
    for (char32_t u = 1; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const QString text = QStringLiteral("a") + QString::fromUcs4(&u, 1) + u'b';
        QByteArray out;
        if (TableConversion::FromUtf8(text.toUtf8(), out)) {
            ++fromTable;
            QCOMPARE(out, via(fromUtf8, text.toUtf8()));
        }
        for (bool bigEndian : {false, true}) {
            const QByteArray units = utf16(text, bigEndian);
            if (TableConversion::FromUtf16(units, bigEndian, out))
                QCOMPARE(out, via(bigEndian ? fromBe : fromLe, units));
        }
    }
    QVERIFY(fromTable > 7000);
    const QList<QByteArray> pieces = {"a", "\n", QString::fromUtf8("日本").toUtf8(), QString::fromUtf8("ｶ").toUtf8(),
                                      QString::fromUtf8("¥～−").toUtf8(), "\xC3", "\xC0\x80", "\xE0\x80\x80",
                                      "\xED\xA0\x80", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "\xFF", "\xE3\x81",
                                      QString::fromUtf8("ẞ").toUtf8()};
    QRandomGenerator random(20261209);
    for (int round = 0; round < 2000; ++round) {
        QByteArray text;
        for (int i = random.bounded(1, 12); i > 0; --i)
            text += pieces[random.bounded(int(pieces.size()))];
        QCOMPARE(TTextDecoder().ConvertText(text, -65001), via(fromUtf8, text));
    }

    // EUC-JP: every single byte, katakana, pair and supplementary pair.
    TIconvConverter fromEuc("CP932", "EUC-JP-MS", "?");
    fromEuc.SetSkipRule(TTextDecoder::SkipEucJp);
    QList<QByteArray> eucChars;
    for (int b = 1; b < 0x80; ++b)
        eucChars.append(QByteArray(1, char(b)));
    for (int b = 0xA1; b <= 0xDF; ++b)
        eucChars.append(QByteArray("\x8E") + char(b));
    for (int a = 0xA1; a <= 0xFE; ++a) {
        for (int b = 0xA1; b <= 0xFE; ++b) {
            eucChars.append(QByteArray() + char(a) + char(b));
            eucChars.append(QByteArray("\x8F") + char(a) + char(b));
        }
    }
    fromTable = 0;
    for (const QByteArray &c : eucChars) {
        const QByteArray text = "a" + c + "b";
        QByteArray out;
        if (TableConversion::FromEucJp(text, out)) {
            ++fromTable;
            QCOMPARE(out, via(fromEuc, text));
        }
    }
    QVERIFY(fromTable > 9000);
    const QList<QByteArray> eucPieces = {"a", "\n", Encode(QString::fromUtf8("日本ｶ～∥髙"), "EUC-JP-MS"), "\x8E",
                                         "\x8E\x41", "\x8F\xA1", "\xA1", "\x80", "\xFF", "\x8F\xF3\xF3"};
    for (int round = 0; round < 2000; ++round) {
        QByteArray text;
        for (int i = random.bounded(1, 12); i > 0; --i)
            text += eucPieces[random.bounded(int(eucPieces.size()))];
        QCOMPARE(TTextDecoder().ConvertText(text, 51932), via(fromEuc, text));
    }
}

void TestSearch::sideBySideMatchesInTurn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<bool>("regExp");
    QTest::newRow("plain") << QString::fromUtf8("検索") << false << false;
    QTest::newRow("ignore case") << "ABC" << true << false;
    QTest::newRow("regex") << QString::fromUtf8("[0-9]+検索") << false << true;
}

void TestSearch::sideBySideMatchesInTurn()
{
    // Files searched side by side hand their hits and status texts over in
    // listing order: the same sequence as one file after the other, also
    // for a file with more hits than a file ahead may keep waiting, and for
    // files ahead with more together than they may keep.
    QFETCH(QString, text);
    QFETCH(bool, noCase);
    QFETCH(bool, regExp);
    TTestTree tree;
    const QString line = QString::fromUtf8("1検索 abc ABC 22検索 aBc\r\n");
    for (int i = 0; i < 40; ++i) {
        const QString content = line.repeated(i % 7) + QString::fromUtf8("終わり\n");
        const QString name = QStringLiteral("d%1/f%2.txt").arg(i % 3).arg(i);
        switch (i % 4) {
        case 0: tree.File(name, Sjis(content)); break;
        case 1: tree.File(name, content.toUtf8()); break;
        case 2: tree.File(name, Encode(content, "EUC-JP-MS")); break;
        default: tree.File(name, i == 3 ? QByteArray() : Encode(content, "ISO-2022-JP")); break;
        }
    }
    tree.File("big/many.txt", Sjis(line.repeated(int(TSearchPool::AheadLimit) / 2 + 10)));
    // Files that together hold more hits than the files ahead may keep.
    for (int i = 0; i < 4; ++i)
        tree.File(QStringLiteral("more/m%1.txt").arg(i), Sjis(line.repeated(int(TSearchPool::HeldLimit) / 8 + 10)));
    tree.File("z.txt", Sjis(line));
    QList<QByteArray> records[2];
    QStringList statuses[2];
    for (int pass = 0; pass < 2; ++pass) {
        TWorkerRun run([&](TGrepThread &worker) {
            worker.BlockingStatus = true;
            worker.Recursive = true;
            worker.NoCase = noCase;
            worker.UseRegExp = regExp;
            worker.FindText = Sjis(text);
            worker.TargetPath = tree.Root();
            worker.Workers = pass == 0 ? 3 : 1;
            worker.WholeFiles = pass == 1;
        });
        for (const TGrepResult &r : run.Hits)
            records[pass].append(RecordText(r));
        statuses[pass] = run.Reporter.Statuses;
    }
    QVERIFY(records[1].size() > qsizetype(TSearchPool::AheadLimit));
    QCOMPARE(records[0], records[1]);
    QCOMPARE(statuses[0], statuses[1]);
}

// ------------------------------------------------------------------ listing

namespace {
QStringList Relative(const QStringList &files, const QString &root)
{
    QStringList out;
    for (const QString &f : files)
        out.append(f.mid(root.size()));
    out.sort();
    return out;
}
} // namespace

void TestSearch::listing_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QStringList>("expected");
    using S = QStringList;
    QTest::newRow("top only") << "*" << false << 0 << S{".hidden", "README", "a.TXT", "b.html", "c.htm"};
    QTest::newRow("whole tree") << "*.txt" << true << 0 << S{"a.TXT", "d1/e.txt", "d1/d2/f.txt", "d1/d2/d3/g.txt"};
    QTest::newRow("depth 1") << "*.txt" << true << 1 << S{"a.TXT", "d1/e.txt"};
    QTest::newRow("depth 2") << "*.txt" << true << 2 << S{"a.TXT", "d1/e.txt", "d1/d2/f.txt"};
    QTest::newRow("recursion off ignores depth") << "*.txt" << false << 2 << S{"a.TXT"};
    QTest::newRow("two items") << "*.txt,*.html" << false << 0 << S{"a.TXT", "b.html"};
    QTest::newRow("blank after comma") << "*.txt, *.html" << false << 0 << S{"a.TXT", "b.html"};
    QTest::newRow("blank before comma") << "*.txt ,*.html" << false << 0 << S{"b.html"};
    QTest::newRow("no extension with *") << "*.htm,*" << false << 0 << S{"README", "c.htm"};
    QTest::newRow("empty filter lets all pass") << "" << false << 0 << S{".hidden", "README", "a.TXT", "b.html", "c.htm"};
    QTest::newRow("a*.txt") << "a*.txt" << false << 0 << S{"a.TXT"};
    QTest::newRow("dot file") << "*.hidden" << false << 0 << S{".hidden"};
}

void TestSearch::listing()
{
    QFETCH(QString, filter);
    QFETCH(bool, recursive);
    QFETCH(int, depth);
    QFETCH(QStringList, expected);
    TTestTree tree;
    for (const char *f : {"a.TXT", "b.html", "c.htm", "README", ".hidden", "d1/e.txt", "d1/d2/f.txt",
                          "d1/d2/d3/g.txt"})
        tree.File(f, "x");
    int updates = 0;
    TTargetLister lister(nullptr, [&](qsizetype) { ++updates; });
    lister.TargetPath = tree.Root();
    lister.FilterList = filter;
    lister.Recursive = recursive;
    lister.DepthLimit = depth;
    QStringList files;
    lister.ListTargets(files);
    expected.sort();
    QCOMPARE(Relative(files, tree.Root()), expected);
    QVERIFY(updates >= 1);
}

void TestSearch::excludedFolders_data()
{
    QTest::addColumn<QString>("target"); // below the tree's root
    QTest::addColumn<QStringList>("exclude");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QStringList>("expected");
    using S = QStringList;
    const S all{"a.txt", ".git/config.txt", ".git/objects/o.txt", "node_modules/m.txt", "src/s.txt",
                "src/.git/x.txt", "src/lib/l.txt", "build-old/b.txt"};
    QTest::newRow("none") << "" << S{} << 0 << all;
    QTest::newRow("a name, at every depth") << "" << S{".git"} << 0
                                            << S{"a.txt", "node_modules/m.txt", "src/s.txt", "src/lib/l.txt", "build-old/b.txt"};
    QTest::newRow("two patterns, one a glob") << "" << S{".git", "node_*"} << 0
                                              << S{"a.txt", "src/s.txt", "src/lib/l.txt", "build-old/b.txt"};
    QTest::newRow("glob with a set") << "" << S{"[bs]*"} << 0
                                     << S{"a.txt", ".git/config.txt", ".git/objects/o.txt", "node_modules/m.txt"};
    QTest::newRow("a name matches whole, not in part") << "" << S{"src/lib", "lib*x", "git"} << 0 << all;
    QTest::newRow("the target itself is searched") << ".git" << S{".git"} << 0 << S{".git/config.txt", ".git/objects/o.txt"};
    QTest::newRow("inside an excluded name, below the target") << "src" << S{".git"} << 0 << S{"src/s.txt", "src/lib/l.txt"};
    QTest::newRow("with a depth limit") << "" << S{"node_modules"} << 1
                                        << S{"a.txt", ".git/config.txt", "src/s.txt", "build-old/b.txt"};
}

void TestSearch::excludedFolders()
{
    QFETCH(QString, target);
    QFETCH(QStringList, exclude);
    QFETCH(int, depth);
    QFETCH(QStringList, expected);
    TTestTree tree;
    for (const char *f : {"a.txt", ".git/config.txt", ".git/objects/o.txt", "node_modules/m.txt", "src/s.txt",
                          "src/.git/x.txt", "src/lib/l.txt", "build-old/b.txt"})
        tree.File(f, "x");
    TTargetLister lister(nullptr, {});
    lister.TargetPath = tree.Path(target);
    lister.FilterList = QStringLiteral("*");
    lister.Recursive = true;
    lister.DepthLimit = depth;
    lister.ExcludeDirs = exclude;
    QStringList files;
    lister.ListTargets(files);
    for (QString &f : files)
        f.replace(QStringLiteral("//"), QStringLiteral("/"));
    expected.sort();
    QCOMPARE(Relative(files, tree.Root()), expected);
}

void TestSearch::fileTargetIgnoresFilter()
{
    TTestTree tree;
    const QString file = tree.File("notes.md", "x");
    TTargetLister lister(nullptr, {});
    lister.TargetPath = file;
    lister.FilterList = "*.txt";
    QStringList files;
    lister.ListTargets(files);
    QCOMPARE(files, QStringList{file});
    // A target that is neither gives nothing.
    lister.TargetPath = tree.Path("missing");
    files.clear();
    lister.ListTargets(files);
    QVERIFY(files.isEmpty());
}

void TestSearch::links_data()
{
    QTest::addColumn<QString>("target"); // below the tree's root
    QTest::addColumn<bool>("follow");
    QTest::addColumn<QStringList>("expected");
    // top/loop leads back to top, top/elsewhere to another folder, and
    // top/file.txt to a file; top/knot points at itself and top/nowhere at
    // nothing. The no-follow rows also hold top/root, a link to "/".
    QTest::newRow("links to folders are not entered")
        << "top" << false << QStringList{"top/a.txt", "top/file.txt"};
    QTest::newRow("a link named as the target is entered")
        << "link" << false << QStringList{"link/a.txt", "link/file.txt"};
    QTest::newRow("followed: every folder once on a path")
        << "top" << true << QStringList{"top/a.txt", "top/elsewhere/b.txt", "top/file.txt"};
    QTest::newRow("followed from a linked target")
        << "link" << true << QStringList{"link/a.txt", "link/elsewhere/b.txt", "link/file.txt"};
}

void TestSearch::links()
{
    QFETCH(QString, target);
    QFETCH(bool, follow);
    QFETCH(QStringList, expected);
    TTestTree tree;
    tree.File("top/a.txt", "x");
    tree.File("other/b.txt", "x");
    QVERIFY(QFile::link(tree.Path("top"), tree.Path("top/loop")));
    QVERIFY(QFile::link(tree.Path("other"), tree.Path("top/elsewhere")));
    QVERIFY(QFile::link(tree.Path("other/b.txt"), tree.Path("top/file.txt")));
    QVERIFY(QFile::link(tree.Path("top/knot"), tree.Path("top/knot")));
    QVERIFY(QFile::link(tree.Path("missing"), tree.Path("top/nowhere")));
    QVERIFY(QFile::link(tree.Path("top"), tree.Path("link")));
    if (!follow)
        QVERIFY(QFile::link(QStringLiteral("/"), tree.Path("top/root")));
    QStringList notRead;
    TTargetLister lister(nullptr, {});
    lister.TargetPath = tree.Path(target);
    lister.Recursive = true;
    lister.FollowLinks = follow;
    lister.FolderNotRead = [&](const QString &path, const QString &reason) {
        notRead.append(path.mid(tree.Root().size()) + u'|' + reason);
    };
    QStringList files;
    lister.ListTargets(files);
    QStringList found = Relative(files, tree.Root());
    found.sort();
    QCOMPARE(found, expected);
    // The knot cannot be looked at, even by root; a link to nothing is no error.
    QCOMPARE(notRead, QStringList{target + QStringLiteral("/knot|") + qt_error_string(ELOOP)});
}

void TestSearch::manyLinkPathsEndAtOnce()
{
    // 31 folders, each with two links to the next: 2^31 paths through 62
    // links. Not followed, they cost nothing.
    TTestTree tree;
    for (int i = 1; i <= 31; ++i) {
        tree.File(QStringLiteral("d%1/f.txt").arg(i), "x");
        if (i < 31) {
            for (const char *name : {"x", "y"})
                QVERIFY(QFile::link(tree.Path(QStringLiteral("d%1").arg(i + 1)),
                                    tree.Path(QStringLiteral("d%1/%2").arg(i).arg(QLatin1String(name)))));
        }
    }
    const long before = PeakKilobytes();
    TTargetLister lister(nullptr, {});
    lister.TargetPath = tree.Path("d1");
    lister.Recursive = true;
    QStringList files;
    lister.ListTargets(files);
    QCOMPARE(Relative(files, tree.Root()), QStringList{"d1/f.txt"});
    QVERIFY(PeakKilobytes() - before < 16 * 1024);
}

void TestSearch::deepTreeFewDescriptors()
{
    // 3,000 folders deep, far past PATH_MAX, with a hit on eight levels,
    // listed and searched under a limit of 1,024 open files: every hit is
    // found, and the walk's memory does not grow with the square of the
    // depth. Run in a child process, where the descriptor limit and the
    // peak memory are the walk's own.
    constexpr int Depth = 3000;
    const QByteArray name = "folder-with-a-long-name"; // paths of 3000 * 24 bytes
    const QList<int> hitLevels{1, 2, 500, 1023, 1024, 1025, 2000, Depth};
    TTestTree tree;
    {
        int dir = ::open(QFile::encodeName(tree.Root()).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(dir >= 0);
        for (int level = 1; level <= Depth; ++level) {
            QCOMPARE(::mkdirat(dir, name.constData(), 0700), 0);
            const int next = ::openat(dir, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(dir);
            dir = next;
            QVERIFY(dir >= 0);
            if (hitLevels.contains(level)) {
                const int file = ::openat(dir, "hit.txt", O_WRONLY | O_CREAT, 0600);
                QVERIFY(file >= 0);
                QCOMPARE(::write(file, "a hit\n", 6), 6);
                ::close(file);
            }
        }
        ::close(dir);
    }
    const auto removeTree = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), tree.Path(QString::fromLatin1(name))});
    });
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // Only plain calls from here on: the result is the exit status.
        const rlimit few{1024, 1024};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            ::_exit(10);
        const long before = PeakKilobytes();
        TTargetLister lister(nullptr, {});
        lister.TargetPath = tree.Root();
        lister.Recursive = true;
        qsizetype unread = 0;
        lister.FolderNotRead = [&](const QString &, const QString &) { ++unread; };
        QStringList files;
        lister.ListTargets(files);
        if (files.size() != hitLevels.size() || unread != 0)
            ::_exit(11);
        if (PeakKilobytes() - before > 48 * 1024)
            ::_exit(12);
        const TWorkerRun run([&](TGrepThread &worker) {
            worker.FindText = "hit";
            worker.TargetPath = tree.Root();
            worker.Recursive = true;
            worker.Workers = 1;
        });
        ::_exit(run.Hits.size() == size_t(hitLevels.size()) ? 0 : 13);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0); // 11: files missed, 12: memory, 13: hits missed
}

void TestSearch::unsearchableFolderNamed()
{
    // A folder that may be read but not entered: its names are there, but
    // neither its files nor its subfolders can be opened. Root may enter
    // every folder, so this needs an ordinary user.
    if (::geteuid() == 0)
        QSKIP("root enters every folder (the command-line tests run this case as another user)");
    TTestTree tree;
    tree.File("closed/f.txt", "hit\n");
    tree.Folder("closed/sub");
    QVERIFY(QFile::setPermissions(tree.Path("closed"), QFileDevice::ReadOwner));
    const auto reopen = qScopeGuard([&] { QFile::setPermissions(tree.Path("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner); });
    QStringList notRead;
    TTargetLister lister(nullptr, {});
    lister.TargetPath = tree.Root();
    lister.Recursive = true;
    lister.FolderNotRead = [&](const QString &path, const QString &) { notRead.append(path.mid(tree.Root().size())); };
    QStringList files;
    lister.ListTargets(files);
    QCOMPARE(notRead, QStringList{"closed/sub"});
    QCOMPARE(Relative(files, tree.Root()), QStringList{"closed/f.txt"}); // named when it cannot be read
}

void TestSearch::specialFilesSkipped()
{
    TTestTree tree;
    tree.File("a.txt", "x");
    QCOMPARE(::mkfifo(QFile::encodeName(tree.Path("pipe.txt")).constData(), 0600), 0);
    TTargetLister lister(nullptr, {});
    lister.TargetPath = tree.Root();
    QStringList files;
    lister.ListTargets(files);
    QCOMPARE(Relative(files, tree.Root()), QStringList{"a.txt"});
    QVERIFY(!TFileKind::IsFile(tree.Path("pipe.txt")));
}

void TestSearch::inputChecks_data()
{
    // A target starting with @ is made in the test's tree first: "@f" a
    // file, "@d" a folder, "@p" a FIFO; otherwise it is used as it is.
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QByteArray>("findText");
    const QString noTarget = QStringLiteral("検索対象がありません");
    const QString noText = QStringLiteral("検索文字がありません");
    const QString notSjis = QStringLiteral("検索文字に Shift-JIS で表せない文字があります");
    QTest::newRow("file") << "@f" << "検索" << "" << Sjis("検索");
    QTest::newRow("folder") << "@d" << "abc" << "" << QByteArray("abc");
    QTest::newRow("folder with slash") << "@d/" << "ｶﾅ" << "" << Sjis("ｶﾅ");
    QTest::newRow("missing") << "@missing" << "x" << noTarget << QByteArray();
    QTest::newRow("empty target") << "" << "x" << noTarget << QByteArray();
    QTest::newRow("fifo is no target") << "@p" << "x" << noTarget << QByteArray();
    QTest::newRow("target before text") << "@missing" << "" << noTarget << QByteArray();
    QTest::newRow("empty text") << "@f" << "" << noText << QByteArray();
    QTest::newRow("text before code") << "@d" << "" << noText << QByteArray();
    QTest::newRow("not shift-jis") << "@f" << QString::fromUtf8("a😀") << notSjis << QByteArray();
}

void TestSearch::inputChecks()
{
    QFETCH(QString, target);
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    QFETCH(QByteArray, findText);
    TTestTree tree;
    tree.File("f.txt", "x");
    tree.Folder("d");
    QCOMPARE(::mkfifo(QFile::encodeName(tree.Path("p")).constData(), 0600), 0);
    TSearchOptions options;
    if (target == QLatin1String("@f"))
        target = tree.Path("f.txt");
    else if (target.startsWith(u'@'))
        target = tree.Path(target.mid(1));
    options.TargetPath = target;
    options.FindText = text;
    QByteArray got;
    QCOMPARE(options.Check(got), refusal);
    QCOMPARE(got, findText);
}

// ------------------------------------------------------------------- worker

void TestSearch::readerReadsSizelessFiles()
{
    // A file that reports no size may still have content (/proc, /sys).
    if (!QFileInfo::exists("/proc/self/status"))
        QSKIP("no /proc here");
    TFileReader reader;
    QVERIFY(reader.Read("/proc/self/status"));
    QVERIFY(reader.Content().toByteArray().contains("Name:"));
    TTestTree tree;
    QVERIFY(reader.Read(tree.File("empty.txt", "")));
    QVERIFY(reader.Content().isEmpty());
    QVERIFY(!reader.Read(tree.Path("missing.txt")));
    QVERIFY(!reader.Read(tree.Root()));
}

void TestSearch::readerSurvivesAFileShortenedWhileRead()
{
    // Another process shortens the file between two pieces (a log rotation,
    // an editor saving): the reader gives what is still there and ends.
    TTestTree tree;
    const QString path = tree.File("big.txt", QByteArray(100000, 'a'));
    TFileReader reader;
    QVERIFY(reader.Read(path, 0));
    QVERIFY(reader.Streaming());
    QByteArrayView piece = reader.Fill({}, 4096);
    QCOMPARE(piece.size(), 4096);
    QFile file(path);
    QVERIFY(file.resize(5000));
    piece = reader.Fill(piece.sliced(4000), 4096);
    QCOMPARE(piece.size(), 96 + 904);
    QCOMPARE(reader.Fill({}, 4096).size(), 0);
    QVERIFY(file.resize(0));
    QCOMPARE(reader.Fill({}, 4096).size(), 0);
    // Read whole after it has shrunk to nothing: an empty text, no fault.
    QVERIFY(reader.Read(path, -1));
    QVERIFY(reader.Content().isEmpty());
}

void TestSearch::workerEndToEnd()
{
    TTestTree tree;
    tree.File("s.txt", Sjis("一行目\r\n検索と検索\r\n"));
    tree.File("sub/u.txt", QString::fromUtf8("UTF-8 の検索です。\n").toUtf8());
    tree.File("sub/e.log", Encode(QString::fromUtf8("EUC の検索\n"), "EUC-JP-MS"));
    tree.File("empty.txt", "");
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    worker.BlockingStatus = true;
    worker.Recursive = true;
    worker.FindText = Sjis("検索");
    worker.TargetPath = tree.Root();
    worker.FilterList = "*.txt";
    worker.Resume();
    worker.WaitFor();

    QCOMPARE(reporter.DoneCalls, 1);
    QCOMPARE(hits.size(), size_t(3));
    // Listing order, then line, then column.
    QStringList seen;
    for (const TGrepResult &h : hits)
        seen.append(FileNameOf(h.FileName) + QStringLiteral(":%1:%2:%3").arg(h.Line).arg(h.Column).arg(h.CodeId));
    const QStringList order = worker.TargetFiles;
    QCOMPARE(order.size(), 3);
    QStringList expected;
    for (const QString &f : order) {
        if (f.endsWith("s.txt"))
            expected << "s.txt:1:1:932" << "s.txt:1:7:932";
        else if (f.endsWith("u.txt"))
            expected << "u.txt:0:9:-65001";
    }
    QCOMPARE(seen, expected);
    QCOMPARE(hits[0].FileName.left(tree.Root().size()), tree.Root());

    const QStringList &s = reporter.Statuses;
    QCOMPARE(s.first(), QStringLiteral("対象: |該当: |検索対象リストアップ中"));
    QVERIFY(s.contains(QStringLiteral("対象: 3|該当: |検索中")));
    // One update per non-empty file, after it was searched; none for empty.txt.
    QCOMPARE(s.filter(QStringLiteral("|検索中 [")).size(), 2);
    QVERIFY(s.filter(QStringLiteral("|検索中 [s.txt]")).size() == 1);
    QCOMPARE(s.last(), QStringLiteral("対象: 3/3|該当: 3|検索終了"));
    QCOMPARE(s[s.size() - 2], s.last()); // shown after the loop and once more at the end
    QCOMPARE(reporter.Counts.last(), qsizetype(3));
}

void TestSearch::workerEmptyFolder()
{
    TTestTree tree;
    tree.Folder("nothing");
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    worker.BlockingStatus = true;
    worker.FindText = "a";
    worker.TargetPath = tree.Path("nothing");
    worker.Resume();
    worker.WaitFor();
    QCOMPARE(reporter.Statuses,
             (QStringList{"対象: |該当: |検索対象リストアップ中", "対象: 0|該当: |検索対象リストアップ中",
                          "対象: 0|該当: |検索中", "対象: 0/0|該当: 0|検索終了"}));
    QCOMPARE(reporter.DoneCalls, 1);
}

void TestSearch::workerStopDuringListing()
{
    TTestTree tree;
    for (int i = 0; i < 5; ++i)
        tree.File(QStringLiteral("d%1/a.txt").arg(i), "a");
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    worker.BlockingStatus = true;
    // The first folder finished during listing asks for the stop.
    reporter.OnStatus = [&](const QString &state) {
        if (state == QStringLiteral("検索対象リストアップ中") && reporter.Statuses.size() == 2)
            worker.Terminate();
    };
    worker.Recursive = true;
    worker.FindText = "a";
    worker.TargetPath = tree.Root();
    worker.Resume();
    worker.WaitFor();
    QCOMPARE(reporter.Statuses.size(), 3);
    QCOMPARE(reporter.Statuses.last(), QStringLiteral("対象: 0/1|該当: 0|検索終了"));
    QVERIFY(hits.empty());
    QCOMPARE(reporter.DoneCalls, 1);
}

void TestSearch::workerStopInsideFile()
{
    // A file full of hits; the first batch of hits shown asks for the stop,
    // so the worker stops inside the file's line loop.
    TTestTree tree;
    QByteArray big;
    for (int i = 0; i < 400000; ++i)
        big += "hit hit hit hit\n";
    const QString path = tree.File("big.txt", big);
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    worker.BlockingStatus = true;
    reporter.OnCount = [&] { worker.Terminate(); };
    worker.FindText = "hit";
    worker.TargetPath = path;
    QSignalSpy finished(&worker, &QThread::finished);
    worker.Resume();
    // Let the event loop deliver the hit-count request while the worker runs.
    QVERIFY(finished.wait(60000));
    worker.WaitFor();
    QVERIFY(hits.size() > 0);
    QVERIFY(hits.size() < size_t(1600000));
    QVERIFY(reporter.Statuses.contains(QStringLiteral("対象: 1 / 1|該当: %1|検索中 [big.txt]").arg(hits.size()))
            || reporter.Statuses.filter(QStringLiteral("検索中 [big.txt]")).size() == 1);
    QCOMPARE(reporter.Statuses.last(), QStringLiteral("対象: 1/1|該当: %1|検索終了").arg(hits.size()));
}

void TestSearch::workerHandsStatusOverWithoutWaiting()
{
    // Without BlockingStatus an update may replace one not yet shown, but
    // what is shown comes in order, the list is drained first, and the
    // final texts are always shown before the search is done.
    TTestTree tree;
    for (int i = 0; i < 200; ++i)
        tree.File(QStringLiteral("d%1/f%2.txt").arg(i % 10).arg(i), "x x\n");
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    bool countsBehind = false;
    reporter.OnStatus = [&](const QString &) {
        const QString hitsText = reporter.Statuses.last().section(u'|', 1, 1);
        if (hitsText.size() > 4 && hitsText.mid(4).toLongLong() > qsizetype(hits.size()))
            countsBehind = true;
    };
    worker.Recursive = true;
    worker.FindText = "x";
    worker.TargetPath = tree.Root();
    worker.Resume();
    worker.WaitFor();
    QVERIFY(!countsBehind);
    QCOMPARE(hits.size(), size_t(400));
    QCOMPARE(reporter.Statuses.last(), QStringLiteral("対象: 200/200|該当: 400|検索終了"));
    QCOMPARE(reporter.DoneCalls, 1);
    // States never go backwards: listing, then searching, then finished.
    int phase = 0;
    for (const QString &s : reporter.Statuses) {
        const int p = s.endsWith(QStringLiteral("リストアップ中")) ? 0 : s.endsWith(QStringLiteral("検索終了")) ? 2 : 1;
        QVERIFY(p >= phase);
        phase = p;
    }
}

void TestSearch::workerSkipsUnreadable()
{
    if (::geteuid() == 0)
        QSKIP("root reads every file");
    TTestTree tree;
    const QString locked = tree.File("locked.txt", "a");
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    tree.File("open.txt", "a");
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    worker.FindText = "a";
    worker.TargetPath = tree.Root();
    worker.Resume();
    worker.WaitFor();
    QCOMPARE(hits.size(), size_t(1));
    QCOMPARE(reporter.Statuses.last(), QStringLiteral("対象: 2/2|該当: 1|検索終了"));
}

void TestSearch::workerRestartAfterWait()
{
    // A worker that was never started returns from WaitFor at once, and a
    // finished one can be waited for again.
    TTestTree tree;
    tree.File("a.txt", "a");
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    {
        TGrepThread idle(hits, reporter);
        idle.WaitFor();
    }
    TGrepThread worker(hits, reporter);
    worker.FindText = "a";
    worker.TargetPath = tree.Root();
    worker.Resume();
    worker.WaitFor();
    worker.WaitFor();
    QCOMPARE(hits.size(), size_t(1));
}

void TestSearch::utf7PiecesMatchWhole_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("direct text") << QByteArray("plain text\r\nline");
    QTest::newRow("a run holding line ends") << QByteArray("a+AGEACgBiAA0ACg-b");
    QTest::newRow("kanji runs") << QByteArray("+ZeVnLIqe-\r\n+ZeVnLA-x");
    QTest::newRow("surrogate pair") << QByteArray("+2D3eAA-x+2D3eAA");
    QTest::newRow("plus sign") << QByteArray("1+-1+-");
    QTest::newRow("run ended by a line end") << QByteArray("a+AO\nx+AOc");
    QTest::newRow("high byte inside a run") << QByteArray("+AEE\xFF" "AEE-");
    QTest::newRow("encoded zero, bad padding") << QByteArray("+AEEAAABC-x+AGF-");
    QTest::newRow("lone surrogates") << QByteArray("+2D0-x+3gA-y+2D3YPQ-");
    QTest::newRow("open run at the end") << QByteArray("ab+ZeV");
    QTest::newRow("plus at the end") << QByteArray("ab+");
}

void TestSearch::utf7PiecesMatchWhole()
{
    // Cut anywhere, into two pieces and into three, the pieces decode to
    // what the whole text decodes to.
    QFETCH(QByteArray, text);
    const QByteArray whole = TUtf7Decoder::ToUtf32(text);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        for (qsizetype j = i; j <= n; ++j) {
            TUtf7Decoder decoder;
            QByteArray out = decoder.Feed(text.first(i));
            out += decoder.Feed(text.sliced(i, j - i));
            out += decoder.Feed(text.sliced(j));
            out += decoder.Finish();
            QVERIFY2(out == whole, qPrintable(QStringLiteral("cut at %1 and %2").arg(i).arg(j)));
        }
    }
}

namespace {

// Text as UTF-7 the way some writers make it: everything that is not
// plain ASCII, line ends included, inside base-64 runs, which may thus
// span many lines.
QByteArray Utf7WithEncodedLineEnds(const QString &text)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto direct = [](char16_t c) { return c >= 0x20 && c < 0x7F && c != u'+'; };
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (direct(text[i].unicode())) {
            out += char(text[i++].unicode());
            continue;
        }
        out += '+';
        quint32 bits = 0;
        int count = 0;
        for (; i < text.size() && !direct(text[i].unicode()); ++i) {
            bits = (bits << 16) | text[i].unicode();
            count += 16;
            while (count >= 6) {
                count -= 6;
                out += alphabet[(bits >> count) & 0x3F];
            }
            bits &= (1u << count) - 1;
        }
        if (count > 0)
            out += alphabet[(bits << (6 - count)) & 0x3F];
        out += '-';
    }
    return out;
}

} // namespace

void TestSearch::utf7StreamedFileMatchesWhole()
{
    // A UTF-7 file read a few bytes at a time, its runs cut anywhere, gives
    // the hits of decoding it whole, on the same lines and columns.
    QString text;
    for (int i = 0; i < 40; ++i) {
        text += QStringLiteral("line %1 ").arg(i);
        text += i % 3 == 0 ? QString::fromUtf8("日本語の行\r\n日本") : QString::fromUtf8("ｶﾀｶﾅ😀と日本\n");
    }
    TTestTree tree;
    const QString path = tree.File("f.txt", Utf7WithEncodedLineEnds(text));
    TBRegExp adapter(nullptr);
    for (const bool regExp : {false, true}) {
        const QByteArray find = regExp ? Sjis(QStringLiteral("日本.")) : Sjis(QStringLiteral("日本"));
        const TSourcePrefilter prefilter(find, false, regExp);
        auto search = [&](qsizetype piece) {
            QList<QByteArray> records;
            TFileSearcher searcher(find, false, nullptr, [&](TGrepResult &&r) { records.append(RecordText(r)); },
                                   regExp ? &adapter : nullptr, prefilter, piece == 0);
            if (piece > 0)
                searcher.SetPieces(0, piece);
            const TFileOutcome outcome = searcher.Search(path, 4);
            return outcome.HasText ? records : QList<QByteArray>{};
        };
        const QList<QByteArray> whole = search(0);
        QVERIFY(whole.size() >= 40);
        for (const qsizetype piece : {1, 2, 3, 5, 8, 13, 64, 1000})
            QVERIFY2(search(piece) == whole, qPrintable(QStringLiteral("pieces of %1").arg(piece)));
    }
}

KESTU_TEST_CLASS(TestSearch)
#include "tst_search.moc"
