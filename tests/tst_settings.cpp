#include "ColorNames.h"
#include "GrepSettings.h"
#include "History.h"
#include "IniFile.h"
#include "TestIni.h"
#include "ShortcutCodes.h"

#include <QSet>
#include "TestMain.h"

#include <QtTest>

#include <functional>
#include <optional>

using TSettingsEdit = std::function<void(TGrepSettings &)>;
Q_DECLARE_METATYPE(TSettingsEdit)
Q_DECLARE_METATYPE(std::optional<quint32>)
Q_DECLARE_METATYPE(TGrepSettings)

namespace {

TGrepSettings ReadFrom(const QByteArray &text)
{
    TGrepSettings settings;
    settings.Read(IniFrom(text));
    return settings;
}

// The closing pass: a fresh copy of what is on disk, the record written
// into it, the copy's text.
QByteArray WriteOver(const QByteArray &onDisk, const TGrepSettings &settings,
                     const std::function<void(TIniFile &)> &histories = {})
{
    TIniFile ini = IniFrom(onDisk);
    settings.Write(ini, histories);
    return ini.Text();
}

// A record with every field away from its designed value.
TGrepSettings Changed()
{
    TGrepSettings s;
    s.Left = -1200;
    s.Top = 0;
    s.Width = 1024;
    s.Height = 700;
    s.SubDirectory = s.IgnoreCase = s.RegExpr = s.Mutex = s.AutoFilter = s.AutoColumn = true;
    s.FType = 2;
    s.PAlign = 0;
    s.Detail = true;
    s.Preview = true;
    s.PreviewHeight = 211;
    s.FindColor = TColorNames::SystemColorBase + 13;
    s.MarkColor = 0x123456;
    s.HeadString.clear();
    s.EndString = QStringLiteral("<=>");
    s.Target = QStringLiteral("/home/ユーザー/[資料]/a=b;c/");
    s.Filter = QStringLiteral("*.c,*.cpp,*.h");
    s.Grep = QStringLiteral(" 前後に空白 ");
    s.SubLimit = 64;
    s.CodePage = 6;
    s.Columns = {1, 0, 300, 45, 2000};
    s.SetShortcut(u"ActionFileGrep", 0);
    s.SetShortcut(u"ActionOptionMutex", 0xE000 | 'M');
    s.SetShortcut(u"ActionHelpOnlineHelp", 0x4000 | 0x70);
    return s;
}

QKeySequence Keys(Qt::KeyboardModifiers modifiers, Qt::Key key)
{
    return QKeySequence(QKeyCombination(modifiers, key));
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void defaultsFromNothing();
    void writtenFromDefaults();
    void roundTrip_data();
    void roundTrip();
    void read_data();
    void read();
    void missingOrMalformedKeepRecordValues();
    void readThenWrite_data();
    void readThenWrite();
    void minimisedOrMaximisedKeepsNormalPlacement_data();
    void minimisedOrMaximisedKeepsNormalPlacement();
    void blanksAroundEqualsAppendNewLine();
    void commentsGoOtherKeysStay();
    void existingOrderIsKept();
    void shortcutLookup();

    void colorText_data();
    void colorText();
    void colorFromText_data();
    void colorFromText();
    void colorNameTable();
    void colorToQColor_data();
    void colorToQColor();

    void shortcutText_data();
    void shortcutText();
    void shortcutToTextOnly_data();
    void shortcutToTextOnly();
    void shortcutFromTextOnly_data();
    void shortcutFromTextOnly();
    void shortcutTableIsConsistent();
    void keySequence_data();
    void keySequence();
    void keySequenceToCodeOnly_data();
    void keySequenceToCodeOnly();
    void keySequenceFromCodeOnly_data();
    void keySequenceFromCodeOnly();
    void keySequencesForEnter();
};

// --- the settings record -----------------------------------------------------

void TestSettings::defaultsFromNothing()
{
    const TGrepSettings read = ReadFrom(QByteArray());
    const TGrepSettings designed;
    QCOMPARE(read, designed);
    QCOMPARE(read.Left, 200);
    QCOMPARE(read.Top, 115);
    QCOMPARE(read.PAlign, 1);
    QCOMPARE(read.FindColor, 0x000080u);
    QCOMPARE(read.MarkColor, 0xC0C0C0u);
    QCOMPARE(read.HeadString, QStringLiteral("│"));
    QCOMPARE(read.EndString, QStringLiteral("↓"));
    QCOMPARE(read.Filter, QStringLiteral("*.txt"));
    QCOMPARE(read.ShortcutOf(u"ActionFileGrep"), quint16(16397));
    QCOMPARE(read.ShortcutOf(u"ActionFileExit"), quint16(32883));
    QCOMPARE(read.Action.size(), 35); // with 検索結果を保存, プレビュー, 行をコピー, the two notation options and archives
}

void TestSettings::writtenFromDefaults()
{
    THistory filter = THistory::ForFilterBox();
    const THistory target(THistory::TargetBox), grep(THistory::GrepBox);
    const QByteArray text = WriteOver(QByteArray(), TGrepSettings(), [&](TIniFile &ini) {
        target.SaveHistory(ini);
        filter.SaveHistory(ini);
        grep.SaveHistory(ini);
    });

    QVERIFY2(text.startsWith("[Window]\r\nLeft=200\r\nTop=115\r\n"), text.left(60).constData());
    const TIniFile written = IniFrom(text);
    QCOMPARE(written.ReadSections(),
             QStringList({"Window", "Option", "View", "Text", "ComboBox1", "Columns", "Action"}));
    QCOMPARE(written.ReadSection(u"Window"), QStringList({"Left", "Top", "Width", "Height", "WindowState"}));
    QCOMPARE(written.ReadSection(u"Option"), QStringList({"SubDirectory", "IgnoreCase", "RegExpr", "Mutex",
                                                          "AutoFilter", "AutoColumn", "FType", "PAlign",
                                                          "RegExpTimeLimit"}));
    QCOMPARE(written.ReadSection(u"View"),
             QStringList({"Detail", "FindColor", "MarkColor", "HeadString", "EndString", "Preview", "PreviewHeight"}));
    QCOMPARE(written.ReadSection(u"Text"), QStringList({"Target", "Filter", "Grep", "SubLimit", "CodePage"}));
    QCOMPARE(written.ReadSection(u"Columns"), QStringList({"0", "1", "2", "3", "4"}));
    QStringList actions;
    for (const TGrepSettings::TActionShortcut &entry : TGrepSettings::DesignedShortcuts())
        actions.append(entry.Name);
    QCOMPARE(written.ReadSection(u"Action"), actions);

    QVERIFY(text.contains("\r\nFindColor=clMaroon\r\nMarkColor=clSilver\r\n"));
    QVERIFY(text.contains("\r\nHeadString=\xE2\x94\x82\r\nEndString=\xE2\x86\x93\r\n"));
    QVERIFY(text.contains("\r\nTarget=\r\nFilter=*.txt\r\nGrep=\r\n"));
    QVERIFY(text.contains("\r\nActionFileGrep=16397\r\n"));
    QVERIFY(text.contains("\r\nActionOptionMutex=0\r\n"));
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<TGrepSettings>("settings");
    QTest::newRow("designed") << TGrepSettings();
    QTest::newRow("every field changed") << Changed();
    TGrepSettings none = Changed();
    none.FindColor = TColorNames::None;
    none.MarkColor = 0xFFFFFFFF;
    none.FType = 1;
    none.PAlign = 2;
    none.SubLimit = 0;
    none.HeadString = QStringLiteral(";=[]");
    QTest::newRow("none colour, odd marks") << none;
}

void TestSettings::roundTrip()
{
    QFETCH(TGrepSettings, settings);
    const QByteArray text = WriteOver(QByteArray(), settings);
    QCOMPARE(ReadFrom(text), settings);
    // Written again over its own file, nothing moves.
    QCOMPARE(WriteOver(text, settings), text);
}

void TestSettings::read_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<TSettingsEdit>("expect"); // applied to a designed record

    const auto edit = [](TSettingsEdit e) { return e; };
    QTest::newRow("names ignore case")
        << QByteArray("[option]\r\nmutex=1\r\n") << edit([](TGrepSettings &s) { s.Mutex = true; });
    QTest::newRow("upper-case keys")
        << QByteArray("[WINDOW]\r\nLEFT=7\r\nwindowstate=2\r\n")
        << edit([](TGrepSettings &s) { s.Left = 7; s.WindowState = 2; });
    QTest::newRow("first of two keys")
        << QByteArray("[Window]\r\nLeft=1\r\nleft=2\r\n") << edit([](TGrepSettings &s) { s.Left = 1; });
    QTest::newRow("placement in hexadecimal and negative")
        << QByteArray("[Window]\r\nLeft=-5\r\nTop=$10\r\nWidth=0x300\r\nHeight=+400\r\n")
        << edit([](TGrepSettings &s) { s.Left = -5; s.Top = 16; s.Width = 0x300; s.Height = 400; });
    QTest::newRow("malformed integers keep the defaults")
        << QByteArray("[Window]\r\nLeft=abc\r\nTop=\r\nWidth=10px\r\nHeight=1.5\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("blank before = is another key")
        << QByteArray("[Window]\r\nLeft =5\r\nTop= 6\r\n") << edit([](TGrepSettings &s) { s.Top = 6; });
    QTest::newRow("window state minimised") << QByteArray("[Window]\r\nWindowState=1\r\n")
                                            << edit([](TGrepSettings &s) { s.WindowState = 1; });
    QTest::newRow("window state 3 is normal") << QByteArray("[Window]\r\nWindowState=3\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("window state -1 is normal") << QByteArray("[Window]\r\nWindowState=-1\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("any non-zero boolean is true")
        << QByteArray("[Option]\r\nSubDirectory=2\r\nRegExpr=-1\r\nAutoColumn=$1\r\nIgnoreCase=yes\r\n")
        << edit([](TGrepSettings &s) { s.SubDirectory = s.RegExpr = s.AutoColumn = true; });
    QTest::newRow("FType 7 and PAlign -3 clamped")
        << QByteArray("[Option]\r\nFType=7\r\nPAlign=-3\r\n") << edit([](TGrepSettings &s) { s.FType = 2; s.PAlign = 0; });
    QTest::newRow("FType -1 and PAlign 2")
        << QByteArray("[Option]\r\nFType=-1\r\nPAlign=2\r\n") << edit([](TGrepSettings &s) { s.FType = 0; s.PAlign = 2; });
    QTest::newRow("regex time limit read")
        << QByteArray("[Option]\r\nRegExpTimeLimit=250\r\n") << edit([](TGrepSettings &s) { s.RegExpTimeLimit = 250; });
    QTest::newRow("regex time limit 0 raised to the least")
        << QByteArray("[Option]\r\nRegExpTimeLimit=0\r\n") << edit([](TGrepSettings &s) { s.RegExpTimeLimit = 100; });
    QTest::newRow("regex time limit huge lowered")
        << QByteArray("[Option]\r\nRegExpTimeLimit=2147483647\r\n")
        << edit([](TGrepSettings &s) { s.RegExpTimeLimit = 3600000; });
    QTest::newRow("excluded folders read as written")
        << QByteArray("[Option]\r\nExcludeDirs=.git, node_*\r\n")
        << edit([](TGrepSettings &s) { s.ExcludeDirs = QStringLiteral(".git, node_*"); });
    QTest::newRow("following links read")
        << QByteArray("[Option]\r\nFollowLinks=1\r\n") << edit([](TGrepSettings &s) { s.FollowLinks = true; });
    QTest::newRow("notation options read")
        << QByteArray("[Option]\r\nIgnoreWidth=1\r\nIgnoreKana=1\r\n")
        << edit([](TGrepSettings &s) { s.IgnoreWidth = s.IgnoreKana = true; });
    QTest::newRow("malformed PAlign keeps centre")
        << QByteArray("[Option]\r\nPAlign=left\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("SubLimit and CodePage above range")
        << QByteArray("[Text]\r\nSubLimit=65\r\nCodePage=9\r\n") << edit([](TGrepSettings &s) { s.SubLimit = 64; s.CodePage = 6; });
    QTest::newRow("SubLimit and CodePage below range")
        << QByteArray("[Text]\r\nSubLimit=-1\r\nCodePage=-2\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("SubLimit and CodePage inside")
        << QByteArray("[Text]\r\nSubLimit=3\r\nCodePage=5\r\n") << edit([](TGrepSettings &s) { s.SubLimit = 3; s.CodePage = 5; });
    QTest::newRow("texts keep their blanks")
        << QByteArray("[Text]\r\nTarget= /tmp/a b \r\nFilter=\r\nGrep=x=y\r\n")
        << edit([](TGrepSettings &s) { s.Target = QStringLiteral(" /tmp/a b "); s.Filter.clear(); s.Grep = QStringLiteral("x=y"); });
    QTest::newRow("empty HeadString")
        << QByteArray("[View]\r\nHeadString=\r\n") << edit([](TGrepSettings &s) { s.HeadString.clear(); });
    QTest::newRow("marks from the file")
        << QByteArray("[View]\r\nHeadString=>>\r\nEndString=\xE2\x86\xB5\r\n")
        << edit([](TGrepSettings &s) { s.HeadString = QStringLiteral(">>"); s.EndString = QStringLiteral("↵"); });
    QTest::newRow("Detail") << QByteArray("[View]\r\nDetail=1\r\n") << edit([](TGrepSettings &s) { s.Detail = true; });
    QTest::newRow("preview on with its height")
        << QByteArray("[View]\r\nPreview=1\r\nPreviewHeight=180\r\n")
        << edit([](TGrepSettings &s) { s.Preview = true; s.PreviewHeight = 180; });
    QTest::newRow("preview height out of range")
        << QByteArray("[View]\r\nPreviewHeight=-4\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("preview height huge lowered")
        << QByteArray("[View]\r\nPreviewHeight=99999999\r\n")
        << edit([](TGrepSettings &s) { s.PreviewHeight = TGrepSettings::MaxPreviewHeight; });
    QTest::newRow("FindColor by name, MarkColor missing")
        << QByteArray("[View]\r\nFindColor=clBlue\r\n") << edit([](TGrepSettings &s) { s.FindColor = 0xFF0000; });
    QTest::newRow("colour names ignore case")
        << QByteArray("[View]\r\nFindColor=CLLIME\r\nMarkColor=clwindowtext\r\n")
        << edit([](TGrepSettings &s) { s.FindColor = 0x00FF00; s.MarkColor = 0x80000008; });
    QTest::newRow("colours in $, 0x and decimal")
        << QByteArray("[View]\r\nFindColor=$00123456\r\nMarkColor=255\r\n")
        << edit([](TGrepSettings &s) { s.FindColor = 0x123456; s.MarkColor = 0xFF; });
    QTest::newRow("colour 0x and negative")
        << QByteArray("[View]\r\nFindColor=0xABCDEF\r\nMarkColor=-1\r\n")
        << edit([](TGrepSettings &s) { s.FindColor = 0xABCDEF; s.MarkColor = 0xFFFFFFFF; });
    QTest::newRow("malformed MarkColor resets FindColor too")
        << QByteArray("[View]\r\nFindColor=clBlue\r\nMarkColor=grey\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("malformed FindColor resets MarkColor too")
        << QByteArray("[View]\r\nFindColor=clBlue \r\nMarkColor=clRed\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("empty colour is malformed")
        << QByteArray("[View]\r\nFindColor=\r\nMarkColor=clRed\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("colour beyond 32 bits is malformed")
        << QByteArray("[View]\r\nFindColor=$100000000\r\nMarkColor=clRed\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("columns")
        << QByteArray("[Columns]\r\n0=10\r\n4=0\r\n5=99\r\n2=x\r\n")
        << edit([](TGrepSettings &s) { s.Columns[0] = 10; s.Columns[4] = 0; });
    QTest::newRow("shortcut removed")
        << QByteArray("[Action]\r\nActionFileGrep=0\r\n") << edit([](TGrepSettings &s) { s.SetShortcut(u"ActionFileGrep", 0); });
    QTest::newRow("shortcut above 65535 keeps its low 16 bits")
        << QByteArray("[Action]\r\nActionFileGrep=65549\r\nActionFileExit=$12345678\r\n")
        << edit([](TGrepSettings &s) { s.SetShortcut(u"ActionFileGrep", 13); s.SetShortcut(u"ActionFileExit", 0x5678); });
    QTest::newRow("negative shortcut")
        << QByteArray("[Action]\r\nActionFileCancel=-1\r\n") << edit([](TGrepSettings &s) { s.SetShortcut(u"ActionFileCancel", 0xFFFF); });
    QTest::newRow("malformed shortcut keeps the designed one")
        << QByteArray("[Action]\r\nActionFileGrep=Ctrl+Enter\r\n") << edit([](TGrepSettings &) {});
    QTest::newRow("action names ignore case")
        << QByteArray("[action]\r\nactionoptionmutex=16461\r\n")
        << edit([](TGrepSettings &s) { s.SetShortcut(u"ActionOptionMutex", 16461); });
    QTest::newRow("unknown action is not added")
        << QByteArray("[Action]\r\nActionNoSuchThing=5\r\n") << edit([](TGrepSettings &) {});
}

void TestSettings::read()
{
    QFETCH(QByteArray, text);
    QFETCH(TSettingsEdit, expect);
    TGrepSettings expected;
    expect(expected);
    const TGrepSettings read = ReadFrom(text);
    QCOMPARE(read, expected);
}

void TestSettings::missingOrMalformedKeepRecordValues()
{
    // The window fills the record from its controls first; what the file
    // lacks or spoils stays as the controls had it.
    TGrepSettings fromNothing = Changed();
    fromNothing.Read(TIniFile());
    QCOMPARE(fromNothing, Changed());

    TGrepSettings fromBad = Changed();
    fromBad.Read(IniFrom("[Window]\r\nLeft=x\r\n[Option]\r\nMutex=\r\n[View]\r\nFindColor=clBlue\r\nMarkColor=?\r\n"
                         "[Columns]\r\n0=wide\r\n[Action]\r\nActionOptionMutex=M\r\n"));
    QCOMPARE(fromBad, Changed());
}

void TestSettings::readThenWrite_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("written");

    QTest::newRow("FType 7 written as 2") << QByteArray("[Option]\r\nFType=7\r\n") << "Option" << "FType" << "2";
    QTest::newRow("PAlign -3 written as 0") << QByteArray("[Option]\r\nPAlign=-3\r\n") << "Option" << "PAlign" << "0";
    QTest::newRow("SubLimit 100 written as 64") << QByteArray("[Text]\r\nSubLimit=100\r\n") << "Text" << "SubLimit" << "64";
    QTest::newRow("CodePage $A written as 6") << QByteArray("[Text]\r\nCodePage=$A\r\n") << "Text" << "CodePage" << "6";
    QTest::newRow("WindowState 5 written as 0") << QByteArray("[Window]\r\nWindowState=5\r\n") << "Window" << "WindowState" << "0";
    QTest::newRow("boolean 5 written as 1") << QByteArray("[Option]\r\nRegExpr=5\r\n") << "Option" << "RegExpr" << "1";
    QTest::newRow("clBlue with a bad MarkColor: FindColor")
        << QByteArray("[View]\r\nFindColor=clBlue\r\nMarkColor=?\r\n") << "View" << "FindColor" << "clMaroon";
    QTest::newRow("clBlue with a bad MarkColor: MarkColor")
        << QByteArray("[View]\r\nFindColor=clBlue\r\nMarkColor=?\r\n") << "View" << "MarkColor" << "clSilver";
    QTest::newRow("$ hex of a named colour comes back named")
        << QByteArray("[View]\r\nFindColor=$0000FF00\r\n") << "View" << "FindColor" << "clLime";
    QTest::newRow("name in another case comes back in the table's")
        << QByteArray("[View]\r\nFindColor=CLAQUA\r\n") << "View" << "FindColor" << "clAqua";
    QTest::newRow("decimal of a system colour comes back named")
        << QByteArray("[View]\r\nMarkColor=-2147483643\r\n") << "View" << "MarkColor" << "clWindow";
    QTest::newRow("unnamed from 0x") << QByteArray("[View]\r\nFindColor=0x123456\r\n") << "View" << "FindColor" << "$00123456";
    QTest::newRow("unnamed from $ lower case") << QByteArray("[View]\r\nFindColor=$abcdef\r\n") << "View" << "FindColor" << "$00ABCDEF";
    QTest::newRow("unnamed from decimal") << QByteArray("[View]\r\nFindColor=1193046\r\n") << "View" << "FindColor" << "$00123456";
    QTest::newRow("unnamed system index") << QByteArray("[View]\r\nFindColor=$80000019\r\n") << "View" << "FindColor" << "$80000019";
    QTest::newRow("all bits") << QByteArray("[View]\r\nMarkColor=-1\r\n") << "View" << "MarkColor" << "$FFFFFFFF";
    QTest::newRow("none") << QByteArray("[View]\r\nMarkColor=536870911\r\n") << "View" << "MarkColor" << "clNone";
    QTest::newRow("empty HeadString stays empty") << QByteArray("[View]\r\nHeadString=\r\n") << "View" << "HeadString" << "";
    QTest::newRow("shortcut 65536 + 13 written as 13")
        << QByteArray("[Action]\r\nActionFileGrep=65549\r\n") << "Action" << "ActionFileGrep" << "13";
    QTest::newRow("shortcut in hex written in decimal")
        << QByteArray("[Action]\r\nActionFileGrep=$400D\r\n") << "Action" << "ActionFileGrep" << "16397";
    QTest::newRow("shortcut -1 written as 65535")
        << QByteArray("[Action]\r\nActionFileGrep=-1\r\n") << "Action" << "ActionFileGrep" << "65535";
    QTest::newRow("excluded folders kept") << QByteArray("[Option]\r\nExcludeDirs=.git,build*\r\n")
                                           << "Option" << "ExcludeDirs" << ".git,build*";
    QTest::newRow("excluded folders emptied stay, empty")
        << QByteArray("[Option]\r\nExcludeDirs=\r\n") << "Option" << "ExcludeDirs" << "";
    QTest::newRow("following links kept") << QByteArray("[Option]\r\nFollowLinks=1\r\n")
                                          << "Option" << "FollowLinks" << "1";
    QTest::newRow("following links turned off stays, 0")
        << QByteArray("[Option]\r\nFollowLinks=0\r\n") << "Option" << "FollowLinks" << "0";
    QTest::newRow("width option kept") << QByteArray("[Option]\r\nIgnoreWidth=1\r\n") << "Option" << "IgnoreWidth" << "1";
    QTest::newRow("kana option turned off stays, 0")
        << QByteArray("[Option]\r\nIgnoreKana=0\r\n") << "Option" << "IgnoreKana" << "0";
    QTest::newRow("MaxSize in its unit") << QByteArray("[Option]\r\nMaxSizeOn=1\r\nMaxSize=20 mb\r\n") << "Option" << "MaxSize" << "20M";
    QTest::newRow("MinSize that is no size: its box off") << QByteArray("[Option]\r\nMinSizeOn=1\r\nMinSize=big\r\n") << "Option" << "MinSizeOn" << "0";
    QTest::newRow("Newer to the second") << QByteArray("[Option]\r\nNewerOn=1\r\nNewer=2003-04-12 10:00\r\n") << "Option" << "Newer" << "2003-04-12 10:00:00";
    QTest::newRow("Older box kept off with its value") << QByteArray("[Option]\r\nOlderOn=0\r\nOlder=2003-04-12\r\n") << "Option" << "Older" << "2003-04-12 00:00:00";
}

void TestSettings::readThenWrite()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, written);
    const TIniFile out = IniFrom(WriteOver(text, ReadFrom(text)));
    QVERIFY(out.ValueExists(section, key));
    QCOMPARE(out.ReadString(section, key, QString()), written);
}

void TestSettings::minimisedOrMaximisedKeepsNormalPlacement_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("maximised") << int(TGrepSettings::StateMaximized);
    QTest::newRow("minimised") << int(TGrepSettings::StateMinimized);
}

void TestSettings::minimisedOrMaximisedKeepsNormalPlacement()
{
    QFETCH(int, state);
    const QByteArray onDisk = "[Window]\r\nLeft=10\r\nTop=20\r\nWidth=600\r\nHeight=500\r\nWindowState=0\r\n";
    TGrepSettings closing = ReadFrom(onDisk);
    // What a window that fills the screen would report.
    closing.Left = 0;
    closing.Top = 0;
    closing.Width = 1920;
    closing.Height = 1080;
    closing.WindowState = state;
    const QByteArray written = WriteOver(onDisk, closing);
    QVERIFY2(written.startsWith("[Window]\r\nLeft=10\r\nTop=20\r\nWidth=600\r\nHeight=500\r\nWindowState="
                                + QByteArray::number(state) + "\r\n\r\n"),
             written.left(90).constData());

    const TGrepSettings next = ReadFrom(written);
    QCOMPARE(next.Left, 10);
    QCOMPARE(next.Top, 20);
    QCOMPARE(next.Width, 600);
    QCOMPARE(next.Height, 500);
    QCOMPARE(next.WindowState, state);

    // Never closed in the normal state: only the state is written.
    const TIniFile fresh = IniFrom(WriteOver(QByteArray(), closing));
    QCOMPARE(fresh.ReadSection(u"Window"), QStringList({"WindowState"}));
    QCOMPARE(ReadFrom(fresh.Text()).Left, 200);
}

void TestSettings::blanksAroundEqualsAppendNewLine()
{
    const QByteArray onDisk = "[Window]\r\nLeft = 5\r\nTop=7\r\n";
    const TGrepSettings read = ReadFrom(onDisk);
    QCOMPARE(read.Left, 200);
    QCOMPARE(read.Top, 7);
    const QByteArray written = WriteOver(onDisk, read);
    QVERIFY2(written.startsWith("[Window]\r\nLeft = 5\r\nTop=7\r\nLeft=200\r\nWidth=442\r\n"), written.left(80).constData());
}

void TestSettings::commentsGoOtherKeysStay()
{
    const QByteArray onDisk = "; kestu\r\nstray=1\r\n\r\n[Window]\r\n; where it was\r\nLeft=3\r\nMonitor=2\r\n\r\n"
                              "[Tools0]\r\nCaption=Editor\r\n;Param=%F\r\n";
    const QByteArray written = WriteOver(onDisk, ReadFrom(onDisk));
    QVERIFY(!written.contains(';'));
    QVERIFY(!written.contains("stray"));
    QVERIFY(!written.contains("\r\n\r\n\r\n"));
    QVERIFY(written.startsWith("[Window]\r\nLeft=3\r\nMonitor=2\r\nTop=115\r\n"));
    const TIniFile out = IniFrom(written);
    QCOMPARE(out.ReadString(u"Tools0", u"Caption", QString()), QStringLiteral("Editor"));
    QCOMPARE(out.ReadSections().first(), QStringLiteral("Window"));
    QCOMPARE(out.ReadSections().at(1), QStringLiteral("Tools0"));
}

void TestSettings::existingOrderIsKept()
{
    // Histories are handed in between Text and Columns; sections already in
    // the file stay where they are, lines keep the writer's spelling.
    const QByteArray onDisk = "[action]\r\nactionfilegrep=1\r\n[comboBox0]\r\nItems0=old\r\nItems1=older\r\n";
    TGrepSettings settings = ReadFrom(onDisk);
    QCOMPARE(settings.ShortcutOf(u"ActionFileGrep"), quint16(1));
    THistory target(THistory::TargetBox, {QStringLiteral("new")});
    const QByteArray written = WriteOver(onDisk, settings, [&](TIniFile &ini) { target.SaveHistory(ini); });
    const TIniFile out = IniFrom(written);
    QCOMPARE(out.ReadSections(),
             QStringList({"action", "comboBox0", "Window", "Option", "View", "Text", "Columns"}));
    QCOMPARE(out.ReadSection(u"ComboBox0"), QStringList({"Items0"}));
    QVERIFY(written.startsWith("[action]\r\nActionFileGrep=1\r\nActionFileOpenFile=16463\r\n"));
}

void TestSettings::shortcutLookup()
{
    TGrepSettings settings;
    QCOMPARE(settings.ShortcutOf(u"actionfilecancel"), quint16(27));
    QCOMPARE(settings.ShortcutOf(u"ActionTools0"), quint16(0));
    settings.SetShortcut(u"actionfilecancel", 0x2000 | 27);
    QCOMPARE(settings.ShortcutOf(u"ActionFileCancel"), quint16(0x2000 | 27));
    QCOMPARE(settings.Action.size(), 35);
    QCOMPARE(settings.Action.at(3).Name, QStringLiteral("ActionFileCancel"));
    settings.SetShortcut(u"ActionExtra", 5);
    QCOMPARE(settings.Action.size(), 36);
    QCOMPARE(settings.Action.last().Name, QStringLiteral("ActionExtra"));
}

// --- colour values -----------------------------------------------------------

void TestSettings::colorText_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("black") << 0x000000u << "clBlack";
    QTest::newRow("maroon") << 0x000080u << "clMaroon";
    QTest::newRow("lime") << 0x00FF00u << "clLime";
    QTest::newRow("blue") << 0xFF0000u << "clBlue";
    QTest::newRow("white") << 0xFFFFFFu << "clWhite";
    QTest::newRow("scroll bar") << 0x80000000u << "clScrollBar";
    QTest::newRow("window") << 0x80000005u << "clWindow";
    QTest::newRow("highlight") << 0x8000000Du << "clHighlight";
    QTest::newRow("3D dark shadow") << 0x80000015u << "cl3DDkShadow";
    QTest::newRow("info background") << 0x80000018u << "clInfoBk";
    QTest::newRow("none") << 0x1FFFFFFFu << "clNone";
    QTest::newRow("unnamed") << 0x123456u << "$00123456";
    QTest::newRow("upper-case digits") << 0xABCDEFu << "$00ABCDEF";
    QTest::newRow("red 1") << 0x000001u << "$00000001";
    QTest::newRow("system index 25") << 0x80000019u << "$80000019";
    QTest::newRow("all bits") << 0xFFFFFFFFu << "$FFFFFFFF";
}

void TestSettings::colorText()
{
    QFETCH(quint32, value);
    QFETCH(QString, text);
    QCOMPARE(TColorNames::ToText(value), text);
    QCOMPARE(TColorNames::FromText(text), std::optional<quint32>(value));
}

void TestSettings::colorFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<quint32>>("value");
    const std::optional<quint32> malformed;
    QTest::newRow("lower case name") << "clblue" << std::optional<quint32>(0xFF0000);
    QTest::newRow("upper case name") << "CLNONE" << std::optional<quint32>(0x1FFFFFFF);
    QTest::newRow("$ short") << "$FF00" << std::optional<quint32>(0x00FF00);
    QTest::newRow("0x") << "0xff" << std::optional<quint32>(0xFF);
    QTest::newRow("0X") << "0X80000005" << std::optional<quint32>(0x80000005);
    QTest::newRow("x") << "x10" << std::optional<quint32>(0x10);
    QTest::newRow("decimal") << "12632256" << std::optional<quint32>(0xC0C0C0);
    QTest::newRow("leading blanks before a number") << "  128" << std::optional<quint32>(0x80);
    QTest::newRow("negative") << "-1" << std::optional<quint32>(0xFFFFFFFF);
    QTest::newRow("empty") << "" << malformed;
    QTest::newRow("unknown name") << "clOrange" << malformed;
    QTest::newRow("name cut short") << "clBlu" << malformed;
    QTest::newRow("blank before a name") << " clBlue" << malformed;
    QTest::newRow("blank after a name") << "clBlue " << malformed;
    QTest::newRow("trailing characters") << "128px" << malformed;
    QTest::newRow("hex beyond 32 bits") << "$100000000" << malformed;
    QTest::newRow("decimal beyond 32 bits signed") << "2147483648" << malformed;
    QTest::newRow("html form") << "#FF0000" << malformed;
}

void TestSettings::colorFromText()
{
    QFETCH(QString, text);
    QFETCH(std::optional<quint32>, value);
    QCOMPARE(TColorNames::FromText(text), value);
}

void TestSettings::colorNameTable()
{
    // 42 names, each value named by its first entry and every name found again.
    QStringList names;
    for (quint32 v = 0; v < TColorNames::SystemColorCount; ++v)
        names.append(TColorNames::NameOf(TColorNames::SystemColorBase + v));
    for (quint32 v : {0x000000u, 0x000080u, 0x008000u, 0x008080u, 0x800000u, 0x800080u, 0x808000u, 0x808080u,
                      0xC0C0C0u, 0x0000FFu, 0x00FF00u, 0x00FFFFu, 0xFF0000u, 0xFF00FFu, 0xFFFF00u, 0xFFFFFFu,
                      TColorNames::None})
        names.append(TColorNames::NameOf(v));
    QCOMPARE(names.size(), 42);
    QCOMPARE(QSet<QString>(names.cbegin(), names.cend()).size(), 42);
    for (const QString &name : names) {
        QVERIFY2(name.startsWith(u"cl"), qPrintable(name));
        const std::optional<quint32> value = TColorNames::ValueOf(name.toUpper());
        QVERIFY2(value.has_value(), qPrintable(name));
        QCOMPARE(TColorNames::NameOf(*value), name);
    }
    QCOMPARE(names.first(), QStringLiteral("clScrollBar"));
    QCOMPARE(names.at(24), QStringLiteral("clInfoBk"));
}

void TestSettings::colorToQColor_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QColor>("expected");

    QTest::newRow("red in the low byte") << 0x0000FFu << QColor(255, 0, 0);
    QTest::newRow("maroon") << 0x000080u << QColor(128, 0, 0);
    QTest::newRow("blue in the high byte") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("mixed") << 0x563412u << QColor(0x12, 0x34, 0x56);
    QTest::newRow("top byte ignored") << 0x02563412u << QColor(0x12, 0x34, 0x56);
    QTest::newRow("window from Base") << 0x80000005u << QColor(1, 2, 3);
    QTest::newRow("window text from Text") << 0x80000008u << QColor(4, 5, 6);
    QTest::newRow("highlight") << 0x8000000Du << QColor(7, 8, 9);
    QTest::newRow("highlight text") << 0x8000000Eu << QColor(10, 11, 12);
    QTest::newRow("button face") << 0x8000000Fu << QColor(13, 14, 15);
    QTest::newRow("button text") << 0x80000012u << QColor(16, 17, 18);
    QTest::newRow("unknown system index is black") << 0x80000030u << QColor(0, 0, 0);
    QTest::newRow("none is transparent") << TColorNames::None << QColor(Qt::transparent);
}

void TestSettings::colorToQColor()
{
    QFETCH(quint32, value);
    QFETCH(QColor, expected);
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    palette.setColor(QPalette::Highlight, QColor(7, 8, 9));
    palette.setColor(QPalette::HighlightedText, QColor(10, 11, 12));
    palette.setColor(QPalette::Button, QColor(13, 14, 15));
    palette.setColor(QPalette::ButtonText, QColor(16, 17, 18));
    const QColor color = TColorNames::ToQColor(value, palette);
    QCOMPARE(color, expected);
    if (!(value & TColorNames::SystemColorBase) && value != TColorNames::None)
        QCOMPARE(TColorNames::FromQColor(color), value & 0xFFFFFFu);
}

// --- shortcut codes ----------------------------------------------------------

void TestSettings::shortcutText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("Ctrl+O") << 16463 << "Ctrl+O";
    QTest::newRow("Ctrl+Enter") << 16397 << "Ctrl+Enter";
    QTest::newRow("Esc") << 27 << "Esc";
    QTest::newRow("Alt+F4") << 32883 << "Alt+F4";
    QTest::newRow("Ctrl+Up") << 16422 << "Ctrl+Up";
    QTest::newRow("Ctrl+1") << 16433 << "Ctrl+1";
    QTest::newRow("Shift+Ctrl+1") << 24625 << "Shift+Ctrl+1";
    QTest::newRow("Shift+Ctrl+B") << (0x2000 | 'B' | 0x4000) << "Shift+Ctrl+B";
    QTest::newRow("F1") << 112 << "F1";
    QTest::newRow("F9") << 120 << "F9";
    QTest::newRow("F24") << 0x87 << "F24";
    QTest::newRow("all three modifiers") << (0xE000 | 'Z') << "Shift+Ctrl+Alt+Z";
    QTest::newRow("Shift+Alt") << (0xA000 | '0') << "Shift+Alt+0";
    QTest::newRow("A") << int('A') << "A";
    QTest::newRow("9") << int('9') << "9";
    QTest::newRow("BkSp") << 0x08 << "BkSp";
    QTest::newRow("Tab") << 0x09 << "Tab";
    QTest::newRow("Enter") << 0x0D << "Enter";
    QTest::newRow("Space") << 0x20 << "Space";
    QTest::newRow("PgUp") << 0x21 << "PgUp";
    QTest::newRow("PgDn") << 0x22 << "PgDn";
    QTest::newRow("End") << 0x23 << "End";
    QTest::newRow("Home") << 0x24 << "Home";
    QTest::newRow("Left") << 0x25 << "Left";
    QTest::newRow("Up") << 0x26 << "Up";
    QTest::newRow("Right") << 0x27 << "Right";
    QTest::newRow("Down") << 0x28 << "Down";
    QTest::newRow("Ins") << 0x2D << "Ins";
    QTest::newRow("Del") << 0x2E << "Del";
    QTest::newRow("Shift+Del") << (0x2000 | 0x2E) << "Shift+Del";
    QTest::newRow("numeric pad plus") << (0x4000 | 0x6B) << "Ctrl+Num +";
    QTest::newRow("numeric pad minus") << 0x6D << "Num -";
    QTest::newRow("minus key") << 0xBD << "-";
    QTest::newRow("colon key") << 0xBA << ":";
    QTest::newRow("at key") << (0x4000 | 0xC0) << "Ctrl+@";
    QTest::newRow("yen key") << 0xDC << "\\";
}

void TestSettings::shortcutText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(TShortcutCodes::ToText(quint16(code)), text);
    QCOMPARE(TShortcutCodes::FromText(text), quint16(code));
}

void TestSettings::shortcutToTextOnly_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("no shortcut") << 0 << "";
    QTest::newRow("Ctrl without a key") << 0x4000 << "";
    QTest::newRow("key without a name") << 0x07 << "";
    QTest::newRow("modifiers and a key without a name") << (0x6000 | 0x07) << "";
    QTest::newRow("Shift key itself") << 0x10 << "";
    QTest::newRow("numeric pad 0") << 0x60 << "0";
    QTest::newRow("Ctrl+numeric pad 1") << (0x4000 | 0x61) << "Ctrl+1";
    QTest::newRow("numeric pad 9") << 0x69 << "9";
    QTest::newRow("ro key") << 0xE2 << "\\";
    QTest::newRow("bits between key and Shift") << (0x4000 | 0x0100 | 'O') << "Ctrl+O";
}

void TestSettings::shortcutToTextOnly()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(TShortcutCodes::ToText(quint16(code)), text);
}

void TestSettings::shortcutFromTextOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("modifier alone") << "Ctrl+" << 0;
    QTest::newRow("unknown key") << "Ctrl+Foo" << 0;
    QTest::newRow("unknown modifier") << "Win+A" << 0;
    QTest::newRow("blank before the key") << "Ctrl+ A" << 0;
    QTest::newRow("blanks around") << " A " << 0;
    QTest::newRow("lower case") << "ctrl+shift+b" << (0x6000 | 'B');
    QTest::newRow("other order") << "Alt+Shift+f1" << (0xA000 | 0x70);
    QTest::newRow("name in another case") << "ESC" << 27;
    QTest::newRow("digit is the main row") << "Ctrl+1" << (0x4000 | '1');
    QTest::newRow("backslash is the yen key") << "\\" << 0xDC;
    QTest::newRow("F25 is no key") << "F25" << 0;
    QTest::newRow("F0 is no key") << "F0" << 0;
}

void TestSettings::shortcutFromTextOnly()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(TShortcutCodes::FromText(text), quint16(code));
}

void TestSettings::shortcutTableIsConsistent()
{
    // Every named key's text leads back to it, apart from the keys whose
    // name another key has too (pad digits, the ro key); and every key with
    // a Qt key leads back through its key sequence, with any modifiers.
    for (int vk = 1; vk < 256; ++vk) {
        const bool padDigit = vk >= 0x60 && vk <= 0x69;
        const bool sharedName = padDigit || vk == 0xE2;
        for (const int modifiers : {0, 0x2000, 0x4000, 0x8000, 0xE000}) {
            const quint16 code = quint16(modifiers | vk);
            const QString text = TShortcutCodes::ToText(code);
            const QKeySequence keys = TShortcutCodes::ToKeySequence(code);
            QCOMPARE(text.isEmpty(), keys.isEmpty());
            if (text.isEmpty())
                continue;
            const quint16 back = padDigit ? quint16(modifiers | (vk - 0x60 + '0')) : vk == 0xE2 ? quint16(modifiers | 0xDC) : code;
            QCOMPARE(TShortcutCodes::FromText(text), sharedName ? back : code);
            QCOMPARE(TShortcutCodes::FromKeySequence(keys), vk == 0xE2 ? back : code);
        }
    }
}

void TestSettings::keySequence_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Ctrl+1") << 16433 << Keys(Qt::ControlModifier, Qt::Key_1);
    QTest::newRow("Shift+Ctrl+B") << 24642 << Keys(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_B);
    QTest::newRow("Alt+F4") << 32883 << Keys(Qt::AltModifier, Qt::Key_F4);
    QTest::newRow("Esc") << 27 << Keys(Qt::NoModifier, Qt::Key_Escape);
    QTest::newRow("Ctrl+Enter") << 16397 << Keys(Qt::ControlModifier, Qt::Key_Return);
    QTest::newRow("Ctrl+Up") << 16422 << Keys(Qt::ControlModifier, Qt::Key_Up);
    QTest::newRow("F24") << 0x87 << Keys(Qt::NoModifier, Qt::Key_F24);
    QTest::newRow("BkSp") << 0x08 << Keys(Qt::NoModifier, Qt::Key_Backspace);
    QTest::newRow("PgDn") << 0x22 << Keys(Qt::NoModifier, Qt::Key_PageDown);
    QTest::newRow("Del") << 0x2E << Keys(Qt::NoModifier, Qt::Key_Delete);
    QTest::newRow("numeric pad 1") << 0x61 << Keys(Qt::KeypadModifier, Qt::Key_1);
    QTest::newRow("Ctrl+numeric pad 0") << (0x4000 | 0x60) << Keys(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_0);
    QTest::newRow("numeric pad plus") << 0x6B << Keys(Qt::KeypadModifier, Qt::Key_Plus);
    QTest::newRow("numeric pad minus") << 0x6D << Keys(Qt::KeypadModifier, Qt::Key_Minus);
    QTest::newRow("minus key") << 0xBD << Keys(Qt::NoModifier, Qt::Key_Minus);
    QTest::newRow("semicolon key") << 0xBB << Keys(Qt::NoModifier, Qt::Key_Semicolon);
}

void TestSettings::keySequence()
{
    QFETCH(int, code);
    QFETCH(QKeySequence, keys);
    QCOMPARE(TShortcutCodes::ToKeySequence(quint16(code)), keys);
    QCOMPARE(TShortcutCodes::FromKeySequence(keys), quint16(code));
}

void TestSettings::keySequenceToCodeOnly_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << QKeySequence() << 0;
    QTest::newRow("keypad Enter") << Keys(Qt::KeypadModifier, Qt::Key_Enter) << 0x0D;
    QTest::newRow("Ctrl+Enter without the pad flag") << Keys(Qt::ControlModifier, Qt::Key_Enter) << 16397;
    QTest::newRow("keypad arrow") << Keys(Qt::KeypadModifier, Qt::Key_Up) << 0x26;
    QTest::newRow("Shift+Backtab") << Keys(Qt::ShiftModifier, Qt::Key_Backtab) << (0x2000 | 0x09);
    QTest::newRow("Meta cannot be stored") << Keys(Qt::MetaModifier, Qt::Key_A) << 0;
    QTest::newRow("Ctrl+Meta cannot be stored") << Keys(Qt::ControlModifier | Qt::MetaModifier, Qt::Key_A) << 0;
    QTest::newRow("two steps") << QKeySequence(Qt::CTRL | Qt::Key_X, Qt::CTRL | Qt::Key_S) << 0;
    QTest::newRow("key without a code") << Keys(Qt::ControlModifier, Qt::Key_Exclam) << 0;
    QTest::newRow("asterisk off the pad") << Keys(Qt::NoModifier, Qt::Key_Asterisk) << 0;
    QTest::newRow("backslash") << Keys(Qt::NoModifier, Qt::Key_Backslash) << 0xDC;
    QTest::newRow("yen") << Keys(Qt::NoModifier, Qt::Key_yen) << 0xDC;
}

void TestSettings::keySequenceToCodeOnly()
{
    QFETCH(QKeySequence, keys);
    QFETCH(int, code);
    QCOMPARE(TShortcutCodes::FromKeySequence(keys), quint16(code));
}

void TestSettings::keySequenceFromCodeOnly_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("no shortcut") << 0 << QKeySequence();
    QTest::newRow("Ctrl alone") << 0x4000 << QKeySequence();
    QTest::newRow("unknown key") << (0x4000 | 0x07) << QKeySequence();
    QTest::newRow("bits between key and Shift") << (0x4000 | 0x1F00 | 'O') << Keys(Qt::ControlModifier, Qt::Key_O);
    QTest::newRow("ro key") << 0xE2 << Keys(Qt::NoModifier, Qt::Key_Backslash);
}

void TestSettings::keySequenceFromCodeOnly()
{
    QFETCH(int, code);
    QFETCH(QKeySequence, keys);
    QCOMPARE(TShortcutCodes::ToKeySequence(quint16(code)), keys);
}

void TestSettings::keySequencesForEnter()
{
    QCOMPARE(TShortcutCodes::ToKeySequences(16397),
             QList<QKeySequence>({Keys(Qt::ControlModifier, Qt::Key_Return), Keys(Qt::ControlModifier, Qt::Key_Enter)}));
    QCOMPARE(TShortcutCodes::ToKeySequences(27), QList<QKeySequence>({Keys(Qt::NoModifier, Qt::Key_Escape)}));
    QCOMPARE(TShortcutCodes::ToKeySequences(0), QList<QKeySequence>());
}

KESTU_TEST_CLASS(TestSettings)
#include "tst_settings.moc"
