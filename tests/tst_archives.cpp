// Searching inside archives and compressed files.

#include "Cp932.h"
#include "FileSearcher.h"
#include "GrepReporter.h"
#include "GrepThread.h"
#include "HitJson.h"
#include "MemberCopies.h"
#include "PathText.h"
#include "SourcePrefilter.h"
#include "TestArchives.h"
#include "TestMain.h"
#include "TestText.h"
#include "TestTree.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace TestArchives;

namespace {

struct TSearched
{
    QList<QByteArray> Records; // "name|line|column|length|code|before|fromHit"
    TFileOutcome Outcome;
};

TSearched SearchWith(const QString &path, const QString &text, const TArchiveSearch *archives,
                     qsizetype piece = 0, int choice = 0)
{
    const QByteArray find = Sjis(text);
    const TSourcePrefilter prefilter(find, false, false);
    TSearched out;
    TFileSearcher searcher(find, false, nullptr,
                           [&](TGrepResult &&r) {
                               out.Records.append(ShownPath(r.FileName).toUtf8() + '|' + QByteArray::number(r.Line)
                                                  + '|' + QByteArray::number(r.Column) + '|'
                                                  + QByteArray::number(r.HitLength) + '|'
                                                  + QByteArray::number(r.CodeId) + '|' + r.BeforeText + '|'
                                                  + r.TextFromHit);
                           },
                           nullptr, prefilter, false);
    searcher.SetArchives(archives);
    if (piece > 0)
        searcher.SetPieces(0, piece);
    out.Outcome = searcher.Search(path, choice);
    return out;
}

// The records with every name replaced by one.
QList<QByteArray> Renamed(QList<QByteArray> records, const QByteArray &name)
{
    for (QByteArray &r : records)
        r = name + r.mid(r.indexOf('|'));
    return records;
}

TArchiveSearch AllMembers(TArchiveLimits limits = {})
{
    TArchiveSearch archives;
    archives.Limits = limits;
    archives.Wanted = [](const QString &) { return true; };
    return archives;
}

// The raw deflate stream of data (gzip's, without its header and trailer).
QByteArray Deflated(const QByteArray &data)
{
    const QByteArray gz = Written("raw", "gzip", {{"d", data}});
    return gz.mid(10, gz.size() - 18);
}

const QString Text = QStringLiteral("一行目\n二行目に議事録とあります\r\n三行目 議事録 と議事録\n");

class TRecordingReporter : public TGrepReporter
{
public:
    QStringList Statuses, NotRead;
    std::function<void()> OnCount;
    void UpdateStatus(const QString &t, const QString &, const QString &s) override { Statuses << t + u'|' + s; }
    void ShowHitCount(qsizetype) override
    {
        if (OnCount)
            OnCount();
    }
    void SearchDone() override {}
    void ShowMessage(const QString &, bool) override {}
    void FileNotRead(const QString &path, const QString &reason) override { NotRead << ShownPath(path) + u'|' + reason; }
};

// KEYWORD searched for in the whole tree, archives included, with the
// settings more makes; the names of the hits below the root, sorted.
QStringList SearchedTree(const TTestTree &tree, TRecordingReporter &reporter,
                         const std::function<void(TGrepThread &)> &more)
{
    std::vector<TGrepResult> hits;
    {
        TGrepThread worker(hits, reporter);
        worker.BlockingStatus = true;
        worker.Recursive = true;
        worker.FindText = "KEYWORD";
        worker.TargetPath = tree.Root();
        worker.FilterList = QStringLiteral("*");
        worker.SearchArchives = true;
        more(worker);
        worker.Resume();
        worker.WaitFor();
    }
    QStringList names;
    for (const TGrepResult &hit : hits)
        names << hit.FileName.mid(tree.Root().size());
    names.sort();
    return names;
}

} // namespace

class TestArchivesSearch : public QObject
{
    Q_OBJECT
private slots:
    void everyKind_data();
    void everyKind();
    void shiftJisNames_data();
    void shiftJisNames();
    void nestedToTheLimit();
    void badArchives_data();
    void badArchives();
    void memberInPieces();
    void notAnArchiveAfterAll();
    void filterAppliesToMembers();
    void sizeAndTimeApplyToMembers_data();
    void sizeAndTimeApplyToMembers();
    void cancelInsideMember();
    void copyOfMember();
};

void TestArchivesSearch::everyKind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("code");
    const QStringList kinds = {"zip-stored", "zip", "lzh", "tar", "tar.gz", "tar.bz2", "tar.xz", "tar.zst",
                               "cpio", "7z", "iso", "txt.gz", "txt.xz"};
    for (const QString &kind : kinds)
        for (const char *code : {"CP932", "EUC-JP-MS", "ISO-2022-JP", "UTF-8"})
            QTest::newRow(qPrintable(kind + u' ' + QLatin1String(code))) << kind << QString::fromLatin1(code);
}

void TestArchivesSearch::everyKind()
{
    // A member is searched as the same content in a file of its own would
    // be: the same lines, columns, texts and code; only the name differs.
    QFETCH(QString, kind);
    QFETCH(QString, code);
    TTestTree tree;
    const QByteArray content = Encode(Text, code.toLatin1().constData());
    const QString plain = tree.File("plain.txt", content);
    const TArchiveSearch archives = AllMembers();
    const TSearched reference = SearchWith(plain, QStringLiteral("議事録"), nullptr);
    QCOMPARE(reference.Records.size(), 3);

    const QList<TEntry> entries = {{"docs/memo.txt", content}, {"other.dat", QByteArray("nothing here\n")}};
    QByteArray bytes;
    QString member = QStringLiteral("docs/memo.txt");
    if (kind == "zip-stored")
        bytes = Zip({{entries[0].Name, entries[0].Data}, {entries[1].Name, entries[1].Data}});
    else if (kind == "zip")
        bytes = Written("zip", "none", entries);
    else if (kind == "lzh")
        bytes = Lzh(entries);
    else if (kind.startsWith("tar"))
        bytes = Written("tar", kind == "tar" ? "none" : kind == "tar.gz" ? "gzip" : kind == "tar.bz2" ? "bzip2"
                                                    : kind == "tar.xz" ? "xz" : "zstd", entries);
    else if (kind == "cpio")
        bytes = Written("cpio", "gzip", entries);
    else if (kind == "7z")
        bytes = Written("7zip", "none", entries);
    else if (kind == "iso")
        bytes = Written("iso9660", "none", entries);
    else if (kind.startsWith("txt.")) {
        bytes = Written("raw", kind == "txt.gz" ? "gzip" : "xz", {{"memo", content}});
        member = QStringLiteral("memo.txt");
    }
    QVERIFY(!bytes.isEmpty());
    // The archive's own name tells nothing: it is known by its content.
    const QString name = kind.startsWith("txt.") ? QStringLiteral("memo.txt.") + kind.mid(4) : QStringLiteral("packed.bin");
    const QString path = tree.File(name, bytes);
    const TSearched found = SearchWith(path, QStringLiteral("議事録"), &archives);
    QVERIFY2(found.Outcome.SkippedMembers.empty(),
             qPrintable(found.Outcome.SkippedMembers.empty() ? QString() : found.Outcome.SkippedMembers[0].second));
    QVERIFY(found.Outcome.IsArchive);
    const QByteArray shown = (path + u'{' + member + u'}').toUtf8();
    QCOMPARE(found.Records, Renamed(reference.Records, shown));
    // Without the option the archive is bytes like any other.
    QVERIFY(SearchWith(path, QStringLiteral("議事録"), nullptr).Records.size() < 3 || kind == "zip-stored"
            || kind == "lzh" || kind == "tar" || kind == "cpio" || kind == "iso");
}

void TestArchivesSearch::shiftJisNames_data()
{
    QTest::addColumn<QByteArray>("archive");
    const QByteArray name = Sjis(QStringLiteral("議事録/0412.txt"));
    const QByteArray data = Sjis(QStringLiteral("第一回 議事録\n"));
    QTest::newRow("ZIP without the UTF-8 flag") << Zip({{name, data}});
    QTest::newRow("LZH") << Lzh({{name, data}});
    QTest::newRow("ZIP with the UTF-8 flag")
        << Zip({{QStringLiteral("議事録/0412.txt").toUtf8(), data, 0x0800}});
}

void TestArchivesSearch::shiftJisNames()
{
    // Member names are bytes: Shift-JIS ones show in Japanese.
    QFETCH(QByteArray, archive);
    TTestTree tree;
    const QString path = tree.File("old.lzh", archive);
    const TArchiveSearch archives = AllMembers();
    const TSearched found = SearchWith(path, QStringLiteral("議事録"), &archives);
    QCOMPARE(found.Records.size(), 1);
    QVERIFY2(found.Records[0].startsWith((path + QStringLiteral("{議事録/0412.txt}|")).toUtf8()),
             found.Records[0].constData());
}

void TestArchivesSearch::nestedToTheLimit()
{
    // An archive inside an archive is searched down to four levels (the
    // file being the first); one deeper is named, not searched.
    TTestTree tree;
    QByteArray level = Sjis(QStringLiteral("深い所の議事録\n"));
    QString name = QStringLiteral("deep.txt");
    QString inside = name; // the member path shown inside the current level
    for (int depth = 1; depth <= 5; ++depth) {
        level = depth % 2 ? Zip({{name.toUtf8(), level}}) : Written("tar", "gzip", {{name.toUtf8(), level}});
        const QString file = QStringLiteral("level%1.%2").arg(depth).arg(depth % 2 ? "zip" : "tgz");
        if (depth >= 4) {
            const QString path = tree.File(file, level);
            const TArchiveSearch archives = AllMembers();
            const TSearched found = SearchWith(path, QStringLiteral("議事録"), &archives);
            if (depth == 4) {
                QCOMPARE(found.Records.size(), 1);
                QVERIFY2(found.Records[0].startsWith((path + u'{' + inside + QStringLiteral("}|")).toUtf8()),
                         found.Records[0].constData());
                QVERIFY(found.Outcome.SkippedMembers.empty());
            } else {
                QCOMPARE(found.Records.size(), 0);
                QCOMPARE(found.Outcome.SkippedMembers.size(), size_t(1));
                QVERIFY(found.Outcome.SkippedMembers[0].second.contains(QStringLiteral("nested")));
            }
        }
        inside = file + u'{' + inside + u'}';
        name = file;
    }
}

void TestArchivesSearch::badArchives_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<qint64>("memberLimit");
    QTest::addColumn<qint64>("ratioLimit");
    QTest::addColumn<QString>("reason"); // a part of the reason given
    QTest::addColumn<int>("hits");       // found before the trouble, at most

    QByteArray lines;
    for (int i = 0; i < 40000; ++i)
        lines += "line " + QByteArray::number(i) + " KEYWORD here\n";
    const QByteArray tgz = Written("tar", "gzip", {{"big.txt", lines}});
    QTest::newRow("truncated tar.gz") << tgz.left(tgz.size() / 2) << qint64(4) * (1 << 30) << qint64(1000)
                                      << "runcated" << 40000;
    const QByteArray zip = Written("zip", "none", {{"big.txt", lines}});
    QTest::newRow("truncated zip") << zip.left(zip.size() / 2) << qint64(4) * (1 << 30) << qint64(1000) << "" << 40000;
    QTest::newRow("encrypted member") << Zip({{"secret.txt", QByteArray("KEYWORD\n"), 0x0001}})
                                      << qint64(4) * (1 << 30) << qint64(1000) << "encrypted" << 0;
    // Claims 1 KB and unpacks to 64 MB (of one letter: the search reads
    // text up to its first zero byte only, so zeros would not be read).
    const QByteArray zeros(64 << 20, 'a');
    QTest::newRow("member larger than it claims")
        << Zip({{"bomb.txt", Deflated(QByteArray("KEYWORD\n") + zeros), 0, 8, 1024, 0}}) << qint64(4) * (1 << 30)
        << qint64(1000) << "claims" << 1;
    QTest::newRow("member over the ratio") << Written("raw", "gzip", {{"z", QByteArray("KEYWORD\n") + zeros}})
                                           << qint64(4) * (1 << 30) << qint64(50) << "times" << 1;
    QTest::newRow("member over the size limit") << Written("raw", "gzip", {{"z", lines}}) << qint64(100000)
                                                << qint64(1000) << "more than 100000 bytes" << 40000;
}

void TestArchivesSearch::badArchives()
{
    // A damaged, truncated or encrypted member, or one over the limits, is
    // skipped with its reason; the search neither crashes nor hangs, and
    // what was found before the trouble stays found.
    QFETCH(QByteArray, archive);
    QFETCH(qint64, memberLimit);
    QFETCH(qint64, ratioLimit);
    QFETCH(QString, reason);
    QFETCH(int, hits);
    TTestTree tree;
    const QString path = tree.File("bad.bin", archive);
    const TArchiveSearch archives = AllMembers({memberLimit, ratioLimit});
    const TSearched found = SearchWith(path, QStringLiteral("KEYWORD"), &archives);
    QVERIFY(!found.Outcome.SkippedMembers.empty());
    QVERIFY2(found.Outcome.SkippedMembers[0].second.contains(reason),
             qPrintable(found.Outcome.SkippedMembers[0].second));
    QVERIFY(found.Records.size() <= hits);
    QVERIFY(found.Outcome.SkippedMembers[0].first.startsWith(path));
}

void TestArchivesSearch::memberInPieces()
{
    // A member far bigger than a read piece: hits across the pieces' ends
    // are all found, and a member whose code shows only after its first
    // piece (read again from its start) gives what the same file gives.
    TTestTree tree;
    QByteArray content;
    for (int i = 0; i < 3000; ++i)
        content += "plain ASCII line " + QByteArray::number(i) + " with no word\n";
    content += QStringLiteral("最後に議事録と UTF-8 で\n").toUtf8();
    content += Sjis(QStringLiteral("議事録")); // broken UTF-8 at the end: decided late
    const QString plain = tree.File("plain.txt", content);
    const QString path = tree.File("a.zip", Written("zip", "none", {{"m.txt", content}}));
    const TArchiveSearch archives = AllMembers();
    for (qsizetype piece : {qsizetype(0), qsizetype(1000), qsizetype(7)}) {
        const QList<QByteArray> reference = SearchWith(plain, QStringLiteral("議事録"), nullptr, piece).Records;
        QVERIFY(!reference.isEmpty());
        const TSearched found = SearchWith(path, QStringLiteral("議事録"), &archives, piece);
        QCOMPARE(found.Records, Renamed(reference, (path + QStringLiteral("{m.txt}")).toUtf8()));
    }
}

void TestArchivesSearch::notAnArchiveAfterAll()
{
    // Text that begins like an archive is searched as text.
    TTestTree tree;
    const QString path = tree.File("odd.txt", "BZh is how a bzip2 stream begins; KEYWORD\n");
    const TArchiveSearch archives = AllMembers();
    const TSearched found = SearchWith(path, QStringLiteral("KEYWORD"), &archives);
    QVERIFY(!found.Outcome.IsArchive);
    QCOMPARE(found.Records.size(), 1);
}

void TestArchivesSearch::filterAppliesToMembers()
{
    // With *.txt, a.txt inside old.lzh is searched though .lzh is not in
    // the filter, b.dat inside it is not; plain files keep the filter; a
    // member counts as a target.
    TTestTree tree;
    const QByteArray line = "KEYWORD\n";
    tree.File("old.lzh", Lzh({{"a.txt", line}, {"b.dat", line}}));
    tree.File("c.txt", line);
    tree.File("d.dat", line);
    tree.File("sub/e.bin", Written("tar", "xz", {{"inner/f.txt", line}, {"g.dat", line}}));
    TRecordingReporter reporter;
    const QStringList names = SearchedTree(tree, reporter, [](TGrepThread &worker) {
        worker.FilterList = QStringLiteral("*.txt");
    });
    QCOMPARE(names, (QStringList{"c.txt", "old.lzh{a.txt}", "sub/e.bin{inner/f.txt}"}));
    QVERIFY2(reporter.Statuses.last().startsWith(QStringLiteral("対象: 3/3|")), qPrintable(reporter.Statuses.last()));
    QVERIFY(reporter.NotRead.isEmpty());
}

void TestArchivesSearch::sizeAndTimeApplyToMembers_data()
{
    // Members record their size and the time 1700000000; the archive itself
    // (a tar of 10 KiB or more) and the plain files are changed now.
    QTest::addColumn<qint64>("maxSize");   // -1: off
    QTest::addColumn<qint64>("newer");     // -1: off
    QTest::addColumn<qint64>("older");     // -1: off
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<int>("targets");
    const QStringList all{"a.tar{big.txt}", "a.tar{small.txt}", "big.txt", "small.txt"};
    QTest::newRow("off") << qint64(-1) << qint64(-1) << qint64(-1) << all << 4;
    QTest::newRow("at most the small member's size, the archive larger")
        << qint64(10) << qint64(-1) << qint64(-1) << QStringList{"a.tar{small.txt}", "small.txt"} << 2;
    QTest::newRow("members changed exactly then")
        << qint64(-1) << qint64(1700000000) << qint64(1700000000) << QStringList{"a.tar{big.txt}", "a.tar{small.txt}"} << 2;
    QTest::newRow("members a second too old")
        << qint64(-1) << qint64(1700000001) << qint64(-1) << QStringList{"big.txt", "small.txt"} << 2;
}

void TestArchivesSearch::sizeAndTimeApplyToMembers()
{
    QFETCH(qint64, maxSize);
    QFETCH(qint64, newer);
    QFETCH(qint64, older);
    QFETCH(QStringList, found);
    QFETCH(int, targets);
    TTestTree tree;
    const QByteArray small = "KEYWORD\n\n"; // 10 bytes
    const QByteArray big = "KEYWORD\n" + QByteArray(2040, ' ');
    tree.File("a.tar", Written("tar", "none", {{"small.txt", small}, {"big.txt", big}}));
    tree.File("small.txt", small);
    tree.File("big.txt", big);
    TRecordingReporter reporter;
    const QStringList names = SearchedTree(tree, reporter, [&](TGrepThread &worker) {
        if (maxSize >= 0)
            worker.Limits.MaxSize = maxSize;
        if (newer >= 0)
            worker.Limits.Newer = newer;
        if (older >= 0)
            worker.Limits.Older = older;
    });
    QCOMPARE(names, found);
    const QString counted = QStringLiteral("対象: %1/%1|").arg(targets);
    QVERIFY2(reporter.Statuses.last().startsWith(counted), qPrintable(reporter.Statuses.last()));
}

void TestArchivesSearch::cancelInsideMember()
{
    // A stop reaches into a member as it reaches into a big file: the
    // search ends without reading the member to its end.
    TTestTree tree;
    QByteArray lines;
    for (int i = 0; i < 200000; ++i)
        lines += "KEYWORD " + QByteArray::number(i) + '\n';
    tree.File("many.txt.gz", Written("raw", "gzip", {{"m", lines}}));
    std::vector<TGrepResult> hits;
    TRecordingReporter reporter;
    TGrepThread worker(hits, reporter);
    reporter.OnCount = [&] { worker.Terminate(); };
    worker.FindText = "KEYWORD";
    worker.TargetPath = tree.Root();
    worker.SearchArchives = true;
    worker.Resume();
    QVERIFY(worker.WaitFor());
    QVERIFY(!hits.empty());
    QVERIFY(hits.size() < 200000);
}

void TestArchivesSearch::copyOfMember()
{
    // A copy for the programs a hit goes to: the member's bytes under its
    // own name, in a private folder that goes with its owner; made once.
    TTestTree tree;
    const QByteArray data = Sjis(QStringLiteral("議事録の中身\n"));
    const QString path = tree.File("old.zip", Zip({{Sjis(QStringLiteral("議事録/0412.txt")), data}}));
    const TArchiveSearch archives = AllMembers();
    std::vector<TGrepResult> hits;
    const QByteArray find = Sjis(QStringLiteral("中身"));
    const TSourcePrefilter prefilter(find, false, false);
    TFileSearcher searcher(find, false, nullptr, [&](TGrepResult &&r) { hits.push_back(r); }, nullptr, prefilter,
                           false);
    searcher.SetArchives(&archives);
    searcher.Search(path, 0);
    QCOMPARE(hits.size(), size_t(1));
    QCOMPARE(hits[0].ArchiveEnd, qint32(path.size()));
    // The JSON record names the archive and the member apart.
    const QJsonObject json = QJsonDocument::fromJson(THitJson::Object(hits[0])).object();
    QCOMPARE(json["archive"].toString(), path);
    QCOMPARE(json["member"].toString(), QStringLiteral("議事録/0412.txt"));
    QString folder;
    {
        TMemberCopies copies(tree.Path("runtime"));
        QDir().mkpath(tree.Path("runtime"));
        QString reason;
        const QString copy = copies.CopyOf(hits[0].FileName, hits[0].ArchiveEnd, &reason);
        QVERIFY2(!copy.isEmpty(), qPrintable(reason));
        QVERIFY(copy.endsWith(QStringLiteral("/0412.txt")));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), data);
        folder = copies.Folder();
        QCOMPARE(QFileInfo(folder).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
        QCOMPARE(copies.CopyOf(hits[0].FileName, hits[0].ArchiveEnd), copy);
        QVERIFY(copies.CopyOf(path + QStringLiteral("{none.txt}"), hits[0].ArchiveEnd, &reason).isEmpty());
        QVERIFY(!reason.isEmpty());
    }
    QVERIFY(!QFileInfo::exists(folder));
}

KESTU_TEST_CLASS(TestArchivesSearch)
#include "tst_archives.moc"
