#include "HitJson.h"
#include "NativePath.h"
#include "ResultExport.h"
#include "TestTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::vector<TGrepResult> Hits()
{
    std::vector<TGrepResult> hits(3);
    hits[0].FileName = QString::fromUtf8("/a/文書/x.txt");
    hits[0].Line = 2;
    hits[0].Column = 5;
    hits[0].CodeId = 51932;
    hits[0].HitLength = 4;
    hits[0].BeforeText = "say ";
    hits[0].TextFromHit = "\x8c\x9f\x8d\xf5 now"; // 検索 in CP932
    hits[1].FileName = "/b/tab\there.txt";
    hits[1].Line = 0;
    hits[1].Column = 1;
    hits[1].CodeId = -65001;
    hits[1].HitLength = 1;
    hits[1].TextFromHit = "x\\y\tz";
    hits[1].AtLineStart = hits[1].AtLineEnd = true;
    hits[2] = hits[0];
    hits[2].Line = 40;
    return hits;
}

// The window's list holding the same hits.
void Fill(THitStore &store, std::vector<TGrepResult> hits)
{
    store.Append(hits);
}

} // namespace

class TestResultExport : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void jsonLinesKeepNameBytes();
    void failingWriteKeepsTheOldFile();
    void onlyOntoRegularFiles_data();
    void onlyOntoRegularFiles();
    void throughLinkToFileKeepsTheLink();
};

void TestResultExport::roundTrip_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("text") << int(TResultExport::Format::Text);
    QTest::newRow("tsv") << int(TResultExport::Format::Tsv);
    QTest::newRow("json lines") << int(TResultExport::Format::JsonLines);
}

void TestResultExport::roundTrip()
{
    QFETCH(int, format);
    const auto f = static_cast<TResultExport::Format>(format);
    const std::vector<TGrepResult> hits = Hits();
    TTestTree tree;
    const QString path = tree.Path("out.txt");
    QString error;
    THitStore store;
    Fill(store, hits);
    QVERIFY(TResultExport::Save(path, store, f, error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.takeLast(), QByteArray()); // every line ends
    if (f == TResultExport::Format::Tsv)
        QCOMPARE(lines.takeFirst() + '\n', QByteArray(TResultExport::TsvHeader()));
    QCOMPARE(lines.size(), qsizetype(hits.size()));
    for (size_t i = 0; i < hits.size(); ++i) {
        const TGrepResult &hit = hits[i];
        const QString line = QString::fromUtf8(lines[qsizetype(i)]);
        const QString text = hit.FileName == hits[1].FileName ? QStringLiteral("x\\y\tz")
                                                              : QString::fromUtf8("say 検索 now");
        if (f == TResultExport::Format::Text) {
            QCOMPARE(line, QStringLiteral("%1:%2:%3: %4").arg(hit.FileName).arg(hit.Line + 1).arg(hit.Column).arg(text));
        } else if (f == TResultExport::Format::Tsv) {
            QStringList fields = line.split(u'\t');
            QCOMPARE(fields.size(), 6); // tabs inside fields are escaped
            for (QString &field : fields)
                field.replace(QStringLiteral("\\t"), QStringLiteral("\t")).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            QCOMPARE(fields, (QStringList{hit.FileName, QString::number(hit.Line + 1), QString::number(hit.Column),
                                          QString::number(hit.HitLength),
                                          hit.CodeId == 51932 ? "EUC-JP" : "UTF8N", text}));
        } else {
            // The very objects kestu-grep --json prints.
            QCOMPARE(lines[qsizetype(i)] + '\n', THitJson::Object(hit));
            const QJsonObject o = QJsonDocument::fromJson(lines[qsizetype(i)]).object();
            QCOMPARE(o["file"].toString(), hit.FileName);
            QCOMPARE(o["line"].toInteger(), hit.Line + 1);
        }
    }
}

void TestResultExport::jsonLinesKeepNameBytes()
{
    // A Shift-JIS name: "file" as shown, "fileBytes" the bytes that open it;
    // a UTF-8 name has no "fileBytes".
    std::vector<TGrepResult> hits = Hits();
    const QByteArray bytes = "/a/\x8c\x9f\x8d\xf5.txt";
    hits[0].FileName = TNativePath::Decode(bytes);
    TTestTree tree;
    const QString path = tree.Path("out.jsonl");
    QString error;
    THitStore store;
    Fill(store, hits);
    QVERIFY(TResultExport::Save(path, store, TResultExport::Format::JsonLines, error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(first["file"].toString(), QString::fromUtf8("/a/検索.txt"));
    QCOMPARE(QByteArray::fromBase64(first["fileBytes"].toString().toLatin1()), bytes);
    QVERIFY(!QJsonDocument::fromJson(lines[1]).object().contains("fileBytes"));
}

void TestResultExport::failingWriteKeepsTheOldFile()
{
    TTestTree tree;
    QString error;
    THitStore store;
    Fill(store, Hits());
    QVERIFY(!TResultExport::Save(tree.Path("no/such/folder/out.txt"), store, TResultExport::Format::Text, error));
    QVERIFY(!error.isEmpty());

    // A folder that cannot be written: the old file stays as it was.
    const QString old = tree.File("ro/out.txt", "old");
    QFile::setPermissions(tree.Path("ro"), QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(tree.Path("ro")).isWritable())
        QSKIP("running with rights that ignore permissions");
    QVERIFY(!TResultExport::Save(old, store, TResultExport::Format::JsonLines, error));
    QVERIFY(!error.isEmpty());
    QFile file(old);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("old"));
    QFile::setPermissions(tree.Path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestResultExport::onlyOntoRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("character device") << "device";
    QTest::newRow("link to a character device") << "link-device";
    QTest::newRow("link to a FIFO") << "link-fifo";
}

void TestResultExport::onlyOntoRegularFiles()
{
    // Saving onto a device or FIFO is refused with the reason, and it stays
    // what it was (rename over /dev/null would have replaced it).
    QFETCH(QString, kind);
    TTestTree tree;
    const QByteArray special = QFile::encodeName(tree.Path("special"));
    if (kind.contains("device")) {
        if (::mknod(special.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("cannot make a device node here (not root?)");
    } else {
        QCOMPARE(::mkfifo(special.constData(), 0600), 0);
    }
    QString target = QFile::decodeName(special);
    if (kind.startsWith("link")) {
        target = tree.Path("out.txt");
        QVERIFY(QFile::link(QFile::decodeName(special), target));
    }
    THitStore store;
    Fill(store, Hits());
    QString error;
    QVERIFY(!TResultExport::Save(target, store, TResultExport::Format::Text, error));
    QVERIFY2(error.contains(QStringLiteral("通常のファイルではありません")), qPrintable(error));
    struct stat after {};
    QCOMPARE(::stat(special.constData(), &after), 0);
    QVERIFY(kind.contains("device") ? S_ISCHR(after.st_mode) : S_ISFIFO(after.st_mode));
    if (kind.startsWith("link"))
        QVERIFY(QFileInfo(target).isSymLink());
    // Nothing was left behind beside it.
    QCOMPARE(QDir(tree.Root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
             kind.startsWith("link") ? 2 : 1);
}

void TestResultExport::throughLinkToFileKeepsTheLink()
{
    TTestTree tree;
    const QString real = tree.File("data/real.txt", "old");
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString link = tree.Path("out.txt");
    QVERIFY(QFile::link(QStringLiteral("data/real.txt"), link));
    THitStore store;
    Fill(store, Hits());
    QString error;
    QVERIFY2(TResultExport::Save(link, store, TResultExport::Format::Text, error), qPrintable(error));
    QVERIFY(QFileInfo(link).isSymLink());
    QFile file(real);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().size() > 3);
    // The new file keeps the old one's permissions.
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0640));
}

QTEST_GUILESS_MAIN(TestResultExport)
#include "tst_resultexport.moc"
