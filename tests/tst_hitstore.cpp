#include "HitStore.h"
#include "LineSearcher.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QtTest>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The hits the engine gives for these lines of one file.
std::vector<TGrepResult> HitsIn(const QString &file, const QList<QByteArray> &lines, const QByteArray &find,
                                bool noCase = false)
{
    std::vector<TGrepResult> hits;
    TLineSearcher searcher(find, noCase, nullptr, [&](TGrepResult &&hit) { hits.push_back(std::move(hit)); });
    searcher.SetFile(file, 932);
    for (qsizetype i = 0; i < lines.size(); ++i)
        searcher.SearchLine(lines[i], i);
    return hits;
}

// Every field the list shows or hands on.
QString Differences(const TGrepResult &a, const TGrepResult &b)
{
    QStringList out;
    if (a.FileName != b.FileName)
        out << u"file"_s;
    if (a.Line != b.Line || a.LineOffset != b.LineOffset || a.Column != b.Column || a.HitLength != b.HitLength || a.CodeId != b.CodeId)
        out << u"numbers"_s;
    if (a.AtLineStart != b.AtLineStart || a.AtLineEnd != b.AtLineEnd)
        out << u"line ends"_s;
    if (a.BeforeText != b.BeforeText)
        out << u"before text"_s;
    if (a.TextFromHit != b.TextFromHit)
        out << u"text from hit"_s;
    return out.join(u", "_s);
}

void CompareAll(const THitStore &store, const std::vector<TGrepResult> &hits)
{
    QCOMPARE(store.Size(), qsizetype(hits.size()));
    for (size_t i = 0; i < hits.size(); ++i) {
        const QString differences = Differences(store.At(qsizetype(i)), hits[i]);
        if (!differences.isEmpty())
            QFAIL(qPrintable(QStringLiteral("hit %1 differs in %2").arg(i).arg(differences)));
        QCOMPARE(store.FileNameAt(qsizetype(i)), hits[i].FileName);
    }
}

QByteArray Repeat(const char *piece, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

} // namespace

class TestHitStore : public QObject
{
    Q_OBJECT
private slots:
    void engineHitsComeBackExactly_data();
    void engineHitsComeBackExactly();
    void randomHitsComeBackExactly();
    void hitsOnOneLineShareTheirText();
    void clearEmptiesAndStartsAgain();
};

void TestHitStore::engineHitsComeBackExactly_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<bool>("noCase");
    // 検索 = 8C 9F 8D F5 in CP932.
    const QByteArray kensaku("\x8c\x9f\x8d\xf5");
    QTest::newRow("one hit") << QList<QByteArray>{"a " + kensaku + " b"} << kensaku << false;
    QTest::newRow("many on a short line") << QList<QByteArray>{Repeat("\x8c\x9f\x8d\xf5 \x82\xcc ", 10)} << kensaku
                                          << false;
    QTest::newRow("many on a long line") << QList<QByteArray>{Repeat("\x8c\x9f\x8d\xf5 abcdefghij ", 40)} << kensaku
                                         << false;
    QTest::newRow("overlapping hits") << QList<QByteArray>{QByteArray(300, 'a')} << QByteArray("aaa") << false;
    QTest::newRow("at both ends") << QList<QByteArray>{"xy" + QByteArray(200, '-') + "xy"} << QByteArray("xy")
                                  << false;
    QTest::newRow("ignore case") << QList<QByteArray>{Repeat("Abc abC ", 30)} << QByteArray("abc") << true;
    // A lead byte before a control byte, and a lone lead byte at the end:
    // the contexts are cut at character starts.
    QTest::newRow("broken characters") << QList<QByteArray>{Repeat("\xe0\x1fx\x1f\x1f", 40) + "\x93"}
                                       << QByteArray("\x1f") << false;
    QTest::newRow("several lines") << QList<QByteArray>{"x", "xx", "", "axbxc", QByteArray(500, 'x')} << QByteArray("x")
                                   << false;
}

void TestHitStore::engineHitsComeBackExactly()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, find);
    QFETCH(bool, noCase);
    std::vector<TGrepResult> hits = HitsIn(u"/a/one.txt"_s, lines, find, noCase);
    const std::vector<TGrepResult> more = HitsIn(u"/a/two.txt"_s, lines, find, noCase);
    hits.insert(hits.end(), more.begin(), more.end());
    QVERIFY(!hits.empty());
    THitStore store;
    std::vector<TGrepResult> batch = hits;
    store.Append(batch);
    QVERIFY(batch.empty());
    CompareAll(store, hits);
}

void TestHitStore::randomHitsComeBackExactly()
{
    // Past the size of an entry block and of a text block, with texts that
    // overlap on one line, texts that claim the same line but do not match
    // it, one text larger than a block, and files whose hits come back later.
    QRandomGenerator random(20261208);
    std::vector<TGrepResult> hits;
    QByteArray line = Repeat("0123456789abcdef", 16);
    const QStringList files{u"/t/a.txt"_s, u"/t/b.txt"_s, u"/t/c d/e.txt"_s};
    qint64 lineIndex = 0;
    for (int i = 0; i < 150'000; ++i) {
        TGrepResult hit;
        hit.FileName = files[int(random.bounded(quint32(files.size())))];
        hit.CodeId = hit.FileName.endsWith(u"b.txt"_s) ? 65001 : 932;
        if (random.bounded(8) == 0) {
            ++lineIndex;
            for (char &c : line)
                c = char(random.bounded(256));
        }
        hit.Line = lineIndex;
        hit.LineOffset = random.bounded(4) == 0 ? -1 : qint64(random.generate64() >> 2);
        const qsizetype column = random.bounded(qint32(line.size()));
        hit.Column = column + 1;
        const qsizetype before = qMin<qsizetype>(column, random.bounded(60));
        hit.BeforeText = line.mid(column - before, before);
        hit.HitLength = random.bounded(1, 10);
        hit.TextFromHit = line.mid(column, hit.HitLength + random.bounded(61));
        if (random.bounded(50) == 0)
            hit.BeforeText = QByteArray(before, '?'); // not the line's bytes
        hit.AtLineStart = column - before == 0;
        hit.AtLineEnd = random.bounded(2);
        hits.push_back(hit);
    }
    TGrepResult huge;
    huge.FileName = files[0];
    huge.Line = lineIndex;
    huge.Column = 1;
    huge.HitLength = 3 << 20;
    huge.TextFromHit = QByteArray(huge.HitLength + 60, 'h');
    hits.insert(hits.begin() + 70'000, huge);

    THitStore store;
    for (const TGrepResult &hit : hits)
        store.Append(hit);
    CompareAll(store, hits);
}

void TestHitStore::hitsOnOneLineShareTheirText()
{
    // Ten hits a line, as in the window's bench tree: the list holds far
    // less than the hits' texts would take one by one.
    QList<QByteArray> lines;
    const QByteArray lineText = Repeat("\x8c\x9f\x8d\xf5 \x82\xcc ", 10);
    for (int i = 0; i < 2000; ++i)
        lines << lineText;
    std::vector<TGrepResult> hits = HitsIn(u"/bench/d00/f00001.txt"_s, lines, "\x8c\x9f\x8d\xf5");
    QCOMPARE(hits.size(), size_t(20'000));
    qsizetype textBytes = 0;
    for (const TGrepResult &hit : hits)
        textBytes += hit.BeforeText.size() + hit.TextFromHit.size();
    THitStore store;
    std::vector<TGrepResult> batch = hits;
    store.Append(batch);
    CompareAll(store, hits);
    const qsizetype perHit = store.BytesUsed() / store.Size();
    QVERIFY2(perHit <= 120, qPrintable(QStringLiteral("%1 bytes per hit").arg(perHit)));
    QVERIFY(store.BytesUsed() < textBytes);
}

void TestHitStore::clearEmptiesAndStartsAgain()
{
    const std::vector<TGrepResult> hits = HitsIn(u"/a/x.txt"_s, {Repeat("ab ", 100)}, "ab");
    THitStore store;
    for (const TGrepResult &hit : hits)
        store.Append(hit);
    QVERIFY(store.BytesUsed() > 0);
    store.Clear();
    QCOMPARE(store.Size(), 0);
    QVERIFY(store.IsEmpty());
    QCOMPARE(store.BytesUsed(), 0);
    for (const TGrepResult &hit : hits)
        store.Append(hit);
    CompareAll(store, hits);
}

KESTU_TEST_CLASS(TestHitStore)
#include "tst_hitstore.moc"
