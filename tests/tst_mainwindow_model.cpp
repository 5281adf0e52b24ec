#include "CodePage.h"
#include "History.h"
#include "IniFile.h"
#include "TestIni.h"
#include "PathText.h"
#include "ResultText.h"
#include "TargetParent.h"

#include <QTemporaryDir>
#include "TestMain.h"

#include <QtTest>

#include <functional>
#include <limits>
#include <optional>

using TIniEdit = std::function<void(TIniFile &)>;
Q_DECLARE_METATYPE(TIniEdit)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

// Dots are narrow, everything else is 6 px, so each shortening step of a
// path is narrower than the one before and shows up in a narrowing sweep.
int NarrowDots(const QString &text)
{
    return 6 * int(text.size() - text.count(u'.')) + int(text.count(u'.'));
}

int SixPerChar(const QString &text)
{
    return 6 * int(text.size());
}

QStringList Numbered(const QString &prefix, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(prefix + QString::number(i));
    return list;
}

} // namespace

class TestMainWindowModel : public QObject
{
    Q_OBJECT
private slots:
    void iniRead_data();
    void iniRead();
    void iniWrite_data();
    void iniWrite();
    void iniParseInteger_data();
    void iniParseInteger();
    void iniReadBool_data();
    void iniReadBool();
    void iniListsAndErase();
    void iniReadAfterWriteMatchesReload();
    void iniFileRoundTrip();
    void iniMissingFileIsEmpty();
    void iniSaveFailureLeavesFile();

    void formatThousands_data();
    void formatThousands();
    void shortenPathSweep_data();
    void shortenPathSweep();
    void shortenPath_data();
    void shortenPath();
    void codeNames();

    void addHistory_data();
    void addHistory();
    void trimHistory_data();
    void trimHistory();
    void loadHistory_data();
    void loadHistory();
    void saveHistory_data();
    void saveHistory();
    void historyRoundTrip();

    void targetParent_data();
    void targetParent();
    void filterChoice_data();
    void filterChoice();
};

// --- settings file ---------------------------------------------------------

void TestMainWindowModel::iniRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // "<none>" when the key is missing

    const QByteArray basic = "[Window]\r\nLeft=200\r\nTop=115\r\n";
    QTest::newRow("plain") << basic << "Window" << "Top" << "115";
    QTest::newRow("names ignore case") << QByteArray("[option]\r\nmutex=1\r\n") << "Option" << "Mutex" << "1";
    QTest::newRow("LF line ends") << QByteArray("[A]\nk=v\nj=w\n") << "A" << "j" << "w";
    QTest::newRow("mixed line ends") << QByteArray("[A]\r\nk=v\nj=w\r\n") << "a" << "K" << "v";
    QTest::newRow("no final line end") << QByteArray("[A]\r\nk=v") << "A" << "k" << "v";
    QTest::newRow("blank before = is part of the key") << QByteArray("[Window]\r\nLeft =5\r\n") << "Window" << "Left" << "<none>";
    QTest::newRow("key with the blank") << QByteArray("[Window]\r\nLeft = 5\r\n") << "Window" << "Left " << " 5";
    QTest::newRow("value keeps its blanks") << QByteArray("[A]\r\nk= a b \r\n") << "A" << "k" << " a b ";
    QTest::newRow("split at the first =") << QByteArray("[A]\r\nk=a=b\r\n") << "A" << "k" << "a=b";
    QTest::newRow("empty value") << QByteArray("[View]\r\nHeadString=\r\n") << "View" << "HeadString" << "";
    QTest::newRow("empty key") << QByteArray("[A]\r\n=v\r\n") << "A" << "" << "v";
    QTest::newRow("line without =") << QByteArray("[A]\r\nk\r\n") << "A" << "k" << "<none>";
    QTest::newRow("comment") << QByteArray("[A]\r\n;k=1\r\n") << "A" << ";k" << "<none>";
    QTest::newRow("comment does not hide the next line") << QByteArray("[A]\r\n;x\r\n\r\nk=1\r\n") << "A" << "k" << "1";
    QTest::newRow("before the first section") << QByteArray("k=1\r\n[A]\r\n") << "A" << "k" << "<none>";
    QTest::newRow("first of two keys") << QByteArray("[A]\r\nk=1\r\nK=2\r\n") << "A" << "k" << "1";
    QTest::newRow("first of two sections") << QByteArray("[A]\r\nk=1\r\n[a]\r\nk=2\r\n") << "A" << "k" << "1";
    QTest::newRow("second section of a name is not read") << QByteArray("[A]\r\n[a]\r\nj=2\r\n") << "A" << "j" << "<none>";
    QTest::newRow("blank after ] is no header") << QByteArray("[A]\r\n[B] \r\nk=1\r\n") << "A" << "k" << "1";
    QTest::newRow("empty section name") << QByteArray("[]\r\nk=1\r\n") << "" << "k" << "1";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[A]\r\nk=1\r\n") << "A" << "k" << "1";
    QTest::newRow("UTF-8 value") << QByteArray("[View]\r\nHeadString=\xE2\x94\x82\r\n") << "View" << "HeadString" << "│";
    QTest::newRow("CR inside a line stays") << QByteArray("[A]\r\nk=a\rb\r\n") << "A" << "k" << "a\rb";
    QTest::newRow("missing section") << basic << "Option" << "Left" << "<none>";
}

void TestMainWindowModel::iniRead()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const TIniFile ini = IniFrom(text);
    const bool missing = expected == u"<none>";
    QCOMPARE(ini.ValueExists(section, key), !missing);
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("<none>")), expected);
}

void TestMainWindowModel::iniWrite_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<TIniEdit>("edit");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("nothing loaded, nothing written") << QByteArray() << TIniEdit([](TIniFile &) {}) << QByteArray();
    QTest::newRow("LF file comes back with CR LF")
        << QByteArray("[A]\nk=v\n[B]\nj=w\n") << TIniEdit([](TIniFile &) {})
        << QByteArray("[A]\r\nk=v\r\n\r\n[B]\r\nj=w\r\n\r\n");
    QTest::newRow("comments, blanks and lines before the first section go")
        << QByteArray("top=1\r\n; note\r\n[A]\r\n\r\n;k=0\r\nk=v\r\nloose line\r\n")
        << TIniEdit([](TIniFile &) {}) << QByteArray("[A]\r\nk=v\r\nloose line\r\n\r\n");
    QTest::newRow("replace in place with the writer's spelling")
        << QByteArray("[window]\r\nleft=1\r\ntop=2\r\n")
        << TIniEdit([](TIniFile &ini) { ini.WriteInteger(u"Window", u"Left", 5); })
        << QByteArray("[window]\r\nLeft=5\r\ntop=2\r\n\r\n");
    QTest::newRow("new key at the end of its section")
        << QByteArray("[A]\r\nk=1\r\n[B]\r\nj=2\r\n")
        << TIniEdit([](TIniFile &ini) { ini.WriteString(u"a", u"New", QStringLiteral("x")); })
        << QByteArray("[A]\r\nk=1\r\nNew=x\r\n\r\n[B]\r\nj=2\r\n\r\n");
    QTest::newRow("new sections in order of writing")
        << QByteArray()
        << TIniEdit([](TIniFile &ini) {
               ini.WriteInteger(u"Window", u"Left", 200);
               ini.WriteBool(u"Option", u"Mutex", true);
               ini.WriteInteger(u"Window", u"Top", -115);
               ini.WriteBool(u"Option", u"RegExpr", false);
           })
        << QByteArray("[Window]\r\nLeft=200\r\nTop=-115\r\n\r\n[Option]\r\nMutex=1\r\nRegExpr=0\r\n\r\n");
    QTest::newRow("unrecognised line stays, key appended")
        << QByteArray("[Window]\r\nLeft = 5\r\n")
        << TIniEdit([](TIniFile &ini) { ini.WriteInteger(u"Window", u"Left", 200); })
        << QByteArray("[Window]\r\nLeft = 5\r\nLeft=200\r\n\r\n");
    QTest::newRow("first of two keys replaced")
        << QByteArray("[A]\r\nk=1\r\nk=2\r\n")
        << TIniEdit([](TIniFile &ini) { ini.WriteString(u"A", u"k", QStringLiteral("3")); })
        << QByteArray("[A]\r\nk=3\r\nk=2\r\n\r\n");
    QTest::newRow("first of two sections written")
        << QByteArray("[A]\r\n[a]\r\nk=2\r\n")
        << TIniEdit([](TIniFile &ini) { ini.WriteString(u"A", u"k", QStringLiteral("1")); })
        << QByteArray("[A]\r\nk=1\r\n\r\n[a]\r\nk=2\r\n\r\n");
    QTest::newRow("empty value")
        << QByteArray()
        << TIniEdit([](TIniFile &ini) { ini.WriteString(u"View", u"HeadString", QString()); })
        << QByteArray("[View]\r\nHeadString=\r\n\r\n");
    QTest::newRow("line breaks in a value become blanks")
        << QByteArray()
        << TIniEdit([](TIniFile &ini) { ini.WriteString(u"Text", u"Grep", QStringLiteral("a\r\n[B]\nk=1")); })
        << QByteArray("[Text]\r\nGrep=a  [B] k=1\r\n\r\n");
    QTest::newRow("UTF-8 out")
        << QByteArray()
        << TIniEdit([](TIniFile &ini) { ini.WriteString(u"View", u"EndString", QStringLiteral("↓")); })
        << QByteArray("[View]\r\nEndString=\xE2\x86\x93\r\n\r\n");
    QTest::newRow("delete every line of a key, others stay")
        << QByteArray("[A]\r\nk=1\r\nj=2\r\nK=3\r\nk\r\n")
        << TIniEdit([](TIniFile &ini) { ini.DeleteKey(u"a", u"K"); })
        << QByteArray("[A]\r\nj=2\r\nk\r\n\r\n");
    QTest::newRow("delete in a missing section")
        << QByteArray("[A]\r\nk=1\r\n")
        << TIniEdit([](TIniFile &ini) { ini.DeleteKey(u"B", u"k"); })
        << QByteArray("[A]\r\nk=1\r\n\r\n");
    QTest::newRow("erase every section of a name")
        << QByteArray("[A]\r\nk=1\r\n[B]\r\nj=2\r\n[a]\r\nk=3\r\n")
        << TIniEdit([](TIniFile &ini) { ini.EraseSection(u"a"); })
        << QByteArray("[B]\r\nj=2\r\n\r\n");
}

void TestMainWindowModel::iniWrite()
{
    QFETCH(QByteArray, text);
    QFETCH(TIniEdit, edit);
    QFETCH(QByteArray, expected);
    TIniFile ini = IniFrom(text);
    edit(ini);
    QCOMPARE(ini.Text(), expected);
    // What was written reads back the same after a reload.
    QCOMPARE(IniFrom(ini.Text()).Text(), expected);
}

void TestMainWindowModel::iniParseInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("expected");

    const std::optional<int> none;
    QTest::newRow("decimal") << "12" << std::optional<int>(12);
    QTest::newRow("minus") << "-12" << std::optional<int>(-12);
    QTest::newRow("plus") << "+12" << std::optional<int>(12);
    QTest::newRow("leading blanks") << "  \t12" << std::optional<int>(12);
    QTest::newRow("leading zeros") << "000000000000042" << std::optional<int>(42);
    QTest::newRow("trailing blank") << "12 " << none;
    QTest::newRow("trailing letter") << "12a" << none;
    QTest::newRow("blank after sign") << "- 1" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("blanks only") << "  " << none;
    QTest::newRow("sign only") << "-" << none;
    QTest::newRow("fraction") << "1.5" << none;
    QTest::newRow("word") << "true" << none;
    QTest::newRow("largest") << "2147483647" << std::optional<int>(2147483647);
    QTest::newRow("smallest") << "-2147483648" << std::optional<int>(-2147483647 - 1);
    QTest::newRow("too large") << "2147483648" << none;
    QTest::newRow("too small") << "-2147483649" << none;
    QTest::newRow("far too large") << "99999999999999999999999" << none;
    QTest::newRow("dollar hex") << "$1F" << std::optional<int>(31);
    QTest::newRow("0x hex") << "0x1f" << std::optional<int>(31);
    QTest::newRow("0X hex") << "0X1F" << std::optional<int>(31);
    QTest::newRow("x hex") << "x10" << std::optional<int>(16);
    QTest::newRow("X hex") << "X10" << std::optional<int>(16);
    QTest::newRow("negative hex") << "-$10" << std::optional<int>(-16);
    QTest::newRow("hex is a bit pattern") << "$FFFFFFFF" << std::optional<int>(-1);
    QTest::newRow("system colour") << "$80000005" << std::optional<int>(int(0x80000005u));
    QTest::newRow("hex too large") << "$100000000" << none;
    QTest::newRow("prefix without digits") << "0x" << none;
    QTest::newRow("dollar without digits") << "$" << none;
    QTest::newRow("hex digit in decimal") << "1F" << none;
    QTest::newRow("shortcut beyond 16 bits") << "65549" << std::optional<int>(65549);
}

void TestMainWindowModel::iniParseInteger()
{
    QFETCH(QString, text);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(TIniFile::ParseInteger(text), expected);

    const TIniFile ini = IniFrom("[A]\r\nk=" + text.toUtf8() + "\r\n");
    QCOMPARE(ini.ReadInteger(u"A", u"k", 77), expected.value_or(77));
}

void TestMainWindowModel::iniReadBool_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("whenDefaultFalse");
    QTest::addColumn<bool>("whenDefaultTrue");

    QTest::newRow("1") << QByteArray("1") << true << true;
    QTest::newRow("0") << QByteArray("0") << false << false;
    QTest::newRow("any non-zero") << QByteArray("-3") << true << true;
    QTest::newRow("hex zero") << QByteArray("$0") << false << false;
    QTest::newRow("word is malformed") << QByteArray("true") << false << true;
    QTest::newRow("empty is malformed") << QByteArray("") << false << true;
}

void TestMainWindowModel::iniReadBool()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, whenDefaultFalse);
    QFETCH(bool, whenDefaultTrue);
    const TIniFile ini = IniFrom("[Option]\r\nMutex=" + value + "\r\n");
    QCOMPARE(ini.ReadBool(u"Option", u"Mutex", false), whenDefaultFalse);
    QCOMPARE(ini.ReadBool(u"Option", u"Mutex", true), whenDefaultTrue);
    QCOMPARE(ini.ReadBool(u"Option", u"Missing", false), false);
    QCOMPARE(ini.ReadBool(u"Option", u"Missing", true), true);
}

void TestMainWindowModel::iniListsAndErase()
{
    TIniFile ini = IniFrom("[Window]\r\nLeft=1\r\nloose\r\ntop=2\r\nLEFT=3\r\n"
                           "[Option]\r\n[window]\r\nWidth=4\r\n[Text]\r\nGrep=\r\n");
    QCOMPARE(ini.ReadSections(), QStringList({"Window", "Option", "Text"}));
    QCOMPARE(ini.ReadSection(u"WINDOW"), QStringList({"Left", "top"}));
    QCOMPARE(ini.ReadSection(u"Option"), QStringList());
    QCOMPARE(ini.ReadSection(u"Missing"), QStringList());
    QVERIFY(ini.SectionExists(u"option"));
    QVERIFY(!ini.SectionExists(u"Columns"));
    QVERIFY(ini.ValueExists(u"text", u"GREP"));

    ini.EraseSection(u"Window");
    QCOMPARE(ini.ReadSections(), QStringList({"Option", "Text"}));
    QVERIFY(!ini.ValueExists(u"Window", u"Width"));

    ini.DeleteKey(u"Text", u"Grep");
    QVERIFY(!ini.ValueExists(u"Text", u"Grep"));
    QVERIFY(ini.SectionExists(u"Text"));
}

void TestMainWindowModel::iniReadAfterWriteMatchesReload()
{
    TIniFile ini;
    ini.WriteString(u"Text", u"Grep", QStringLiteral("two\nlines"));
    ini.WriteInteger(u"Columns", u"0", -2147483647 - 1);
    ini.WriteBool(u"View", u"Detail", true);
    const TIniFile reloaded = IniFrom(ini.Text());
    for (const TIniFile *copy : {static_cast<const TIniFile *>(&ini), &reloaded}) {
        QCOMPARE(copy->ReadString(u"Text", u"Grep", QString()), QStringLiteral("two lines"));
        QCOMPARE(copy->ReadInteger(u"Columns", u"0", 0), -2147483647 - 1);
        QCOMPARE(copy->ReadBool(u"View", u"Detail", false), true);
    }
}

void TestMainWindowModel::iniFileRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kestu.ini"));

    TIniFile ini;
    ini.WriteString(u"Text", u"Target", QStringLiteral("/home/ユーザー/文書/"));
    ini.WriteInteger(u"Window", u"Left", 200);
    QString reason;
    QVERIFY2(ini.SaveToFile(path, &reason), qPrintable(reason));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), ini.Text());

    TIniFile loaded;
    loaded.WriteString(u"Stale", u"k", QStringLiteral("v"));
    QVERIFY(loaded.LoadFromFile(path, &reason));
    QCOMPARE(loaded.Text(), ini.Text());
    QVERIFY(!loaded.SectionExists(u"Stale"));
}

void TestMainWindowModel::iniMissingFileIsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TIniFile ini = IniFrom("[A]\r\nk=1\r\n");
    QVERIFY(ini.LoadFromFile(dir.filePath(QStringLiteral("none.ini"))));
    QCOMPARE(ini.Text(), QByteArray());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.ini"))));
}

void TestMainWindowModel::iniSaveFailureLeavesFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TIniFile ini = IniFrom("[A]\r\nk=1\r\n");
    QString reason;
    QVERIFY(!ini.SaveToFile(dir.filePath(QStringLiteral("no/such/folder/kestu.ini")), &reason));
    QVERIFY(!reason.isEmpty());
}

// --- result list texts -----------------------------------------------------

void TestMainWindowModel::formatThousands_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("expected");

    QTest::newRow("0") << qint64(0) << 3 << "0";
    QTest::newRow("999") << qint64(999) << 3 << "999";
    QTest::newRow("1000") << qint64(1000) << 3 << "1,000";
    QTest::newRow("12345") << qint64(12345) << 3 << "12,345";
    QTest::newRow("123456") << qint64(123456) << 3 << "123,456";
    QTest::newRow("1234567") << qint64(1234567) << 3 << "1,234,567";
    QTest::newRow("-999: no comma after the sign") << qint64(-999) << 3 << "-999";
    QTest::newRow("-123456") << qint64(-123456) << 3 << "-123,456";
    QTest::newRow("-1000") << qint64(-1000) << 3 << "-1,000";
    QTest::newRow("int64 min") << std::numeric_limits<qint64>::min() << 3 << "-9,223,372,036,854,775,808";
    QTest::newRow("groups of 4") << qint64(12345678) << 4 << "1234,5678";
    QTest::newRow("groups of 1") << qint64(123) << 1 << "1,2,3";
    QTest::newRow("group 0 inserts nothing") << qint64(1234567) << 0 << "1234567";
    QTest::newRow("negative group inserts nothing") << qint64(1234567) << -3 << "1234567";
}

void TestMainWindowModel::formatThousands()
{
    QFETCH(qint64, value);
    QFETCH(int, group);
    QFETCH(QString, expected);
    QCOMPARE(FormatThousands(value, group), expected);
}

void TestMainWindowModel::shortenPathSweep_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("absolute")
        << "/a/b/c/x.txt"
        << QStringList({"/.../b/c/x.txt", "/.../c/x.txt", "/.../x.txt", ".../x.txt", "x.txt"});
    QTest::newRow("relative to the target")
        << "/sub/deep/x.txt" << QStringList({"/.../deep/x.txt", "/.../x.txt", ".../x.txt", "x.txt"});
    QTest::newRow("without leading separator")
        << "a/b/x.txt" << QStringList({".../b/x.txt", ".../x.txt", "x.txt"});
    QTest::newRow("one folder") << "/x.txt" << QStringList({"x.txt"});
    QTest::newRow("colon is an ordinary character")
        << "C:/a/x.txt" << QStringList({".../a/x.txt", ".../x.txt", "x.txt"});
    // A first folder starting with "." is an ordinary folder, not an earlier
    // ".../": no step is skipped.
    QTest::newRow("dot folder first")
        << "/.g/a/b/x.txt"
        << QStringList({"/.../a/b/x.txt", "/.../b/x.txt", "/.../x.txt", ".../x.txt", "x.txt"});
    QTest::newRow("hidden folder inside")
        << "/home/.cfg/x.txt" << QStringList({"/.../.cfg/x.txt", "/.../x.txt", ".../x.txt", "x.txt"});
    QTest::newRow("folder path") << "/a/b/" << QStringList({"/.../b/", "/.../", ".../", ""});
    QTest::newRow("no folder") << "x.txt" << QStringList();
    QTest::newRow("empty") << "" << QStringList();
}

void TestMainWindowModel::shortenPathSweep()
{
    QFETCH(QString, path);
    QFETCH(QStringList, steps);

    // Narrow the width one pixel at a time and collect every new result.
    QStringList seen;
    QString last = path;
    for (int width = NarrowDots(path); width >= -1; --width) {
        const QString shown = ShortenPath(path, width, NarrowDots);
        if (shown != last)
            seen.append(shown);
        last = shown;
        // Every result fits unless nothing but the name is left.
        if (shown != FileNameOf(path))
            QVERIFY2(NarrowDots(shown) <= width, qPrintable(shown));
    }
    QCOMPARE(seen, steps);
}

void TestMainWindowModel::shortenPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");

    // Six pixels per character: "/a/b/c/x.txt" is 72 px, and the first
    // shortening, two characters longer, is skipped over.
    QTest::newRow("fits exactly") << "/a/b/c/x.txt" << 72 << "/a/b/c/x.txt";
    QTest::newRow("one pixel short") << "/a/b/c/x.txt" << 71 << "/.../x.txt";
    QTest::newRow("long folders") << "/alpha/beta/gamma/x.txt" << 100 << "/.../gamma/x.txt";
    QTest::newRow("name too wide") << "/alpha/long-name.txt" << 30 << "long-name.txt";
    QTest::newRow("zero width") << "/a/b/x.txt" << 0 << "x.txt";
    QTest::newRow("negative width") << "/a/b/x.txt" << -5 << "x.txt";
    QTest::newRow("name only, too wide") << "x.txt" << 0 << "x.txt";
    QTest::newRow("Japanese folders") << "/文書/資料/メモ.txt" << 60 << ".../メモ.txt";
}

void TestMainWindowModel::shortenPath()
{
    QFETCH(QString, path);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(ShortenPath(path, width, SixPerChar), expected);
}

void TestMainWindowModel::codeNames()
{
    // The code column's texts come from the engine's table.
    QCOMPARE(CodeDisplayName(CodeId::Utf8N), QStringLiteral("UTF8N"));
    QCOMPARE(CodeDisplayName(12345), QStringLiteral("---"));
}

// --- input histories -------------------------------------------------------

void TestMainWindowModel::addHistory_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("found below the top moves up, keeps its spelling")
        << QStringList({"x", "ABC", "y"}) << "abc" << QStringList({"ABC", "x", "y"});
    QTest::newRow("already on top")
        << QStringList({"abc", "x"}) << "ABC" << QStringList({"abc", "x"});
    QTest::newRow("new text on top") << QStringList({"x", "y"}) << "z" << QStringList({"z", "x", "y"});
    QTest::newRow("empty list") << QStringList() << "z" << QStringList({"z"});
    QTest::newRow("last moves to the top")
        << QStringList({"a", "b", "c"}) << "C" << QStringList({"c", "a", "b"});
    QTest::newRow("whole text only") << QStringList({"abcd", "ab"}) << "abc" << QStringList({"abc", "abcd", "ab"});
    QTest::newRow("first of equal entries")
        << QStringList({"a", "X", "x"}) << "x" << QStringList({"X", "a", "x"});
    QTest::newRow("full-width letters ignore case too")
        << QStringList({"a", "ＡＢＣ"}) << "ａｂｃ" << QStringList({"ＡＢＣ", "a"});
    QTest::newRow("kana are not letters with case")
        << QStringList({"あ"}) << "ア" << QStringList({"ア", "あ"});
    QTest::newRow("empty text finds an empty entry")
        << QStringList({"a", "", "b"}) << "" << QStringList({"", "a", "b"});
    QTest::newRow("empty text is a new entry") << QStringList({"a"}) << "" << QStringList({"", "a"});
    QTest::newRow("full list, found at the bottom")
        << Numbered("e", 32) << "E31" << (QStringList({"e31"}) + Numbered("e", 31));
    QTest::newRow("full list, new text drops the oldest")
        << Numbered("e", 32) << "new" << (QStringList({"new"}) + Numbered("e", 31));
    QTest::newRow("overfull list is trimmed even without a new entry")
        << Numbered("e", 34) << "e0" << Numbered("e", 32);
}

void TestMainWindowModel::addHistory()
{
    QFETCH(QStringList, items);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    THistory history(THistory::GrepBox, items, QStringLiteral("old"));
    history.AddHistory(text);
    QCOMPARE(history.Items(), expected);
    QCOMPARE(history.Text(), text);
}

void TestMainWindowModel::trimHistory_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("kept");

    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("at the limit") << 32 << 32;
    QTest::newRow("one over") << 33 << 32;
    QTest::newRow("far over") << 100 << 32;
}

void TestMainWindowModel::trimHistory()
{
    QFETCH(int, count);
    QFETCH(int, kept);
    THistory history(THistory::TargetBox, Numbered("e", count));
    history.TrimHistory();
    QCOMPARE(history.Items(), Numbered("e", kept));
}

void TestMainWindowModel::loadHistory_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("tag");
    QTest::addColumn<QStringList>("expected");

    const QStringList builtIn = THistory::BuiltInFilterItems();
    QTest::newRow("gap ends the loading")
        << QByteArray("[ComboBox0]\r\nItems0=a\r\nItems1=b\r\nItems3=d\r\n") << int(THistory::TargetBox)
        << QStringList({"a", "b"});
    QTest::newRow("stored filters replace built-ins by position")
        << QByteArray("[ComboBox1]\r\nItems0=*.md\r\nItems1=*.rst\r\nItems2=*.tex\r\n") << int(THistory::FilterBox)
        << (QStringList({"*.md", "*.rst", "*.tex"}) + builtIn.mid(3));
    QTest::newRow("no section keeps the built-ins")
        << QByteArray("[ComboBox0]\r\nItems0=a\r\n") << int(THistory::FilterBox) << builtIn;
    QTest::newRow("names ignore case")
        << QByteArray("[combobox2]\r\nITEMS0=q\r\nitems1=r\r\n") << int(THistory::GrepBox) << QStringList({"q", "r"});
    QTest::newRow("empty value is an empty entry")
        << QByteArray("[ComboBox2]\r\nItems0=\r\nItems1=r\r\n") << int(THistory::GrepBox) << QStringList({"", "r"});
    QTest::newRow("value as it stands")
        << QByteArray("[ComboBox2]\r\nItems0= a=b \r\n") << int(THistory::GrepBox) << QStringList({" a=b "});
    QTest::newRow("blank before = is no key")
        << QByteArray("[ComboBox2]\r\nItems0 =a\r\n") << int(THistory::GrepBox) << QStringList();
    QTest::newRow("keys out of order load by number")
        << QByteArray("[ComboBox2]\r\nItems1=b\r\nItems0=a\r\n") << int(THistory::GrepBox) << QStringList({"a", "b"});

    QByteArray many = "[ComboBox2]\r\n";
    for (int i = 0; i < 40; ++i)
        many += "Items" + QByteArray::number(i) + "=e" + QByteArray::number(i) + "\r\n";
    QTest::newRow("at most 32 load") << many << int(THistory::GrepBox) << Numbered("e", 32);
}

void TestMainWindowModel::loadHistory()
{
    QFETCH(QByteArray, text);
    QFETCH(int, tag);
    QFETCH(QStringList, expected);
    THistory history = tag == THistory::FilterBox ? THistory::ForFilterBox() : THistory(tag);
    history.LoadHistory(IniFrom(text));
    QCOMPARE(history.Items(), expected);
}

void TestMainWindowModel::saveHistory_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray gap = "[ComboBox0]\r\nItems0=a\r\nItems1=b\r\nItems3=d\r\n";
    QTest::newRow("gap: two entries leave Items3")
        << gap << QStringList({"A", "B"}) << QByteArray("[ComboBox0]\r\nItems0=A\r\nItems1=B\r\nItems3=d\r\n\r\n");
    QTest::newRow("gap: three entries write Items2, delete Items3")
        << gap << QStringList({"A", "B", "C"})
        << QByteArray("[ComboBox0]\r\nItems0=A\r\nItems1=B\r\nItems2=C\r\n\r\n");
    QTest::newRow("gap: four entries overwrite Items3")
        << gap << QStringList({"A", "B", "C", "D"})
        << QByteArray("[ComboBox0]\r\nItems0=A\r\nItems1=B\r\nItems3=D\r\nItems2=C\r\n\r\n");
    QTest::newRow("shorter list deletes the keys above, other keys stay")
        << QByteArray("[ComboBox0]\r\nItems0=a\r\nNote=n\r\nItems1=b\r\nItems2=c\r\n")
        << QStringList({"z"}) << QByteArray("[ComboBox0]\r\nItems0=z\r\nNote=n\r\n\r\n");
    QTest::newRow("empty list leaves no section")
        << QByteArray("[Text]\r\nGrep=\r\n") << QStringList() << QByteArray("[Text]\r\nGrep=\r\n\r\n");
    QTest::newRow("empty entries are stored")
        << QByteArray() << QStringList({"", "b"}) << QByteArray("[ComboBox0]\r\nItems0=\r\nItems1=b\r\n\r\n");
    QTest::newRow("new section at the end")
        << QByteArray("[Text]\r\nGrep=\r\n[Columns]\r\n0=100\r\n") << QStringList({"a"})
        << QByteArray("[Text]\r\nGrep=\r\n\r\n[Columns]\r\n0=100\r\n\r\n[ComboBox0]\r\nItems0=a\r\n\r\n");
    QTest::newRow("only 32 entries are stored")
        << QByteArray() << Numbered("e", 33)
        << [] {
               QByteArray out = "[ComboBox0]\r\n";
               for (int i = 0; i < 32; ++i)
                   out += "Items" + QByteArray::number(i) + "=e" + QByteArray::number(i) + "\r\n";
               return out + "\r\n";
           }();
}

void TestMainWindowModel::saveHistory()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, items);
    QFETCH(QByteArray, expected);
    TIniFile ini = IniFrom(text);
    THistory(THistory::TargetBox, items).SaveHistory(ini);
    QCOMPARE(ini.Text(), expected);
}

void TestMainWindowModel::historyRoundTrip()
{
    // A file whose filter section holds three entries: the list shows these
    // three and the built-ins 4 to 9; the next save stores all nine.
    TIniFile ini = IniFrom("[ComboBox1]\r\nItems0=*.md\r\nItems1=*.rst\r\nItems2=*.tex\r\n");
    THistory filter = THistory::ForFilterBox();
    filter.LoadHistory(ini);
    THistory target(THistory::TargetBox);
    target.LoadHistory(ini);
    THistory grep(THistory::GrepBox);
    grep.LoadHistory(ini);

    // One search adds search text, filter and target, in this order.
    grep.AddHistory(QStringLiteral("検索"));
    filter.AddHistory(QStringLiteral("*.TEX"));
    target.AddHistory(QStringLiteral("/home/ユーザー/文書/"));
    QCOMPARE(filter.Text(), QStringLiteral("*.TEX"));

    target.SaveHistory(ini);
    filter.SaveHistory(ini);
    grep.SaveHistory(ini);
    QCOMPARE(ini.ReadSection(u"ComboBox1").size(), 9);
    QCOMPARE(ini.ReadSections(), QStringList({"ComboBox1", "ComboBox0", "ComboBox2"}));

    // Through the file's text and back into boxes that start as at start-up.
    const TIniFile reloaded = IniFrom(ini.Text());
    for (const THistory *saved : {&target, &filter, &grep}) {
        THistory fresh = saved->Tag() == THistory::FilterBox ? THistory::ForFilterBox() : THistory(saved->Tag());
        fresh.LoadHistory(reloaded);
        QCOMPARE(fresh.Items(), saved->Items());
    }
    QCOMPARE(filter.Items().first(), QStringLiteral("*.tex"));
}

// --- going up from the target --------------------------------------------

void TestMainWindowModel::targetParent_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root stays") << "/" << true << "/";
    QTest::newRow("doubled root stays") << "//" << true << "//";
    QTest::newRow("empty stays") << "" << false << "";
    QTest::newRow("folder with /") << "/a/b/" << true << "/a/";
    QTest::newRow("short folder with /") << "/a/" << true << "/";
    QTest::newRow("folder without /: two levels") << "/a/b" << true << "/";
    QTest::newRow("deep folder without /") << "/a/b/c" << true << "/a/";
    QTest::newRow("top folder without /") << "/a" << true << "/";
    QTest::newRow("relative folder") << "a/b/" << true << "a/";
    QTest::newRow("relative top folder") << "a/" << true << "";
    QTest::newRow("file") << "/a/x.txt" << false << "/a/";
    QTest::newRow("file under root") << "/x.txt" << false << "/";
    QTest::newRow("nothing that exists") << "abcd" << false << "";
    QTest::newRow("missing with /") << "/gone/away/" << false << "/gone/away/";
    QTest::newRow("colon is a name character") << "/a:b/c:d" << false << "/a:b/";
    QTest::newRow("backslash is a name character") << "/a\\b/c" << true << "/";
    QTest::newRow("Japanese folder") << "/文書/検索/" << true << "/文書/";
    QTest::newRow("Japanese file") << "/文書/メモ.txt" << false << "/文書/";
}

void TestMainWindowModel::targetParent()
{
    QFETCH(QString, target);
    QFETCH(bool, isFolder);
    QFETCH(QString, expected);
    QCOMPARE(TTargetParent::ParentOf(target, isFolder), expected);
}

void TestMainWindowModel::filterChoice_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<int>("expected");

    const QStringList history{"*.c,*.cpp,*.h", "*.txt,*.html,*.htm", "*.txt"};
    QTest::newRow("first entry that lists it") << "/a/Note.TXT" << history << 1;
    QTest::newRow("no entry lists it") << "/a/Note.TXT" << QStringList{"*.htm"} << -1;
    QTest::newRow("prefix of another extension") << "/a/p.htm" << QStringList{"*.html", "*.html,*.htm"} << 1;
    QTest::newRow("longer extension only") << "/a/p.htm" << QStringList{"*.html"} << -1;
    QTest::newRow("entry in capitals") << "/a/p.h" << QStringList{"*.TXT", "*.C,*.H"} << 1;
    QTest::newRow("no extension") << "/a/Makefile" << history << -1;
    QTest::newRow("dot only in a folder") << "/a.d/Makefile" << QStringList{"*.d"} << -1;
    QTest::newRow("last dot counts") << "/a/x.tar.gz" << QStringList{"*.tar", "*.gz"} << 1;
    QTest::newRow("star alone is no fit") << "/a/x.txt" << QStringList{"*"} << -1;
    QTest::newRow("empty history") << "/a/x.txt" << QStringList{} << -1;
    QTest::newRow("full-width capitals") << "/a/x.ＴＸＴ" << QStringList{"*.ｔｘｔ"} << 0;
}

void TestMainWindowModel::filterChoice()
{
    QFETCH(QString, target);
    QFETCH(QStringList, filters);
    QFETCH(int, expected);
    QCOMPARE(TTargetParent::FilterFor(target, filters), expected);
}

KESTU_TEST_CLASS(TestMainWindowModel)
#include "tst_mainwindow_model.moc"
