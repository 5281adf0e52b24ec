#include "HitJson.h"
#include "ResultExport.h"
#include "TestTree.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

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
    void failingWriteKeepsTheOldFile();
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

QTEST_GUILESS_MAIN(TestResultExport)
#include "tst_resultexport.moc"
