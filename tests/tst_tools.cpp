#include "DefaultTools.h"
#include "DesktopPaths.h"
#include "GrepResult.h"
#include "IniFile.h"
#include "TestIni.h"
#include "SendToLinks.h"
#include "TestTree.h"
#include "ToolCommandLine.h"
#include "ToolList.h"

#include <QtTest>

#include <dirent.h>

using TLaunch = TToolCommandLine::TLaunch;

namespace {

TToolList ToolsFrom(const QByteArray &text)
{
    TToolList tools;
    tools.LoadTools(IniFrom(text));
    return tools;
}

TToolItems Tool(const QString &caption, const QString &filter = {}, quint16 shortcut = 0)
{
    TToolItems t;
    t.Caption = caption;
    t.FilePath = QStringLiteral("/usr/bin/") + caption;
    t.Param = QStringLiteral("%F");
    t.Filter = filter;
    t.ShortCut = shortcut;
    return t;
}

QStringList Captions(const TToolList &tools)
{
    QStringList out;
    for (int n = 0; n < tools.Count(); ++n)
        out << tools.At(n)->Caption;
    return out;
}

// The entries of a folder in the order the file system hands them out.
QStringList ReaddirOrder(const QString &folder)
{
    QStringList names;
    DIR *dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (dirent *e = readdir(dir)) {
        const QString name = QFile::decodeName(e->d_name);
        if (name != u"." && name != u"..")
            names << name;
    }
    closedir(dir);
    return names;
}

} // namespace

class TToolsTest : public QObject
{
    Q_OBJECT
private slots:
    void fillTemplate_data();
    void fillTemplate();
    void fillKeepsPercentNames_data();
    void fillKeepsPercentNames();
    void buildFromHit_data();
    void buildFromHit();
    void hitOfMissingFile();
    void matchToolFilter_data();
    void matchToolFilter();
    void findToolForExtension_data();
    void findToolForExtension();
    void loadTools_data();
    void loadTools();
    void saveTools_data();
    void saveTools();
    void roundTripKeepsFieldsAndForeignKeys();
    void onlyTheFirst128AreStored();
    void listEdit();
    void sendToListing();
    void sendToFolderFollowsXdg();
    void defaultTools();
};

// Values as a hit gives them, filled into one template.
void TToolsTest::fillTemplate_data()
{
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("hitText");
    QTest::addColumn<QStringList>("arguments");

    const QString f = QStringLiteral("/t/a b.txt");
    QTest::newRow("file and line") << "%F:%L" << "x" << QStringList{f + ":5"};
    QTest::newRow("double percent keeps one") << "%%F" << "x" << QStringList{"%" + f};
    QTest::newRow("other pairs stay") << "%x %" << "x" << QStringList{"%x", "%"};
    QTest::newRow("letter case ignored") << "%b%B" << "abc" << QStringList{"33"};
    QTest::newRow("folder") << "%d" << "x" << QStringList{"/t/"};
    // What a placeholder inserts is never filled again, whatever it holds.
    QTest::newRow("inserted hit text is not filled") << "%R" << "at %L;%n;%b" << QStringList{"at %L;%n;%b"};
    QTest::newRow("inserted hit text keeps its placeholders") << "%R" << "%F%D" << QStringList{"%F%D"};
    QTest::newRow("inserted text then a placeholder") << "%R%L" << "%" << QStringList{"%5"};
    QTest::newRow("percent at the end stays") << "%L%" << "x" << QStringList{"5%"};
    QTest::newRow("path with blank is one argument") << "-x %F -l %L" << "x"
                                                     << QStringList{"-x", f, "-l", "5"};
    QTest::newRow("quotes group, are removed") << "\"%F\" \"n %N\"" << "x" << QStringList{f, "n 7"};
    QTest::newRow("shell characters are data") << "%R" << "; rm -rf ~"
                                               << QStringList{"; rm -rf ~"};
    QTest::newRow("command substitution is data") << "%R" << "$(touch PWNED)"
                                                  << QStringList{"$(touch PWNED)"};
    QTest::newRow("backquotes and quotes are data") << "%R" << "`id` \"q\" 'x'"
                                                    << QStringList{"`id` \"q\" 'x'"};
    QTest::newRow("inserted %D is not filled twice") << "%D%R" << "%D" << QStringList{"/t/%D"};
    QTest::newRow("empty template") << "" << "x" << QStringList{};
}

void TToolsTest::fillTemplate()
{
    QFETCH(QString, param);
    QFETCH(QString, hitText);
    QFETCH(QStringList, arguments);
    TToolCommandLine::TValues v;
    v.F = QStringLiteral("/t/a b.txt");
    v.D = QStringLiteral("/t/");
    v.R = hitText;
    v.L = QStringLiteral("5");
    v.N = QStringLiteral("7");
    v.B = QString::number(hitText.size());
    TToolItems tool;
    tool.FilePath = QStringLiteral("/bin/tool");
    tool.Param = param;
    const TLaunch launch = TToolCommandLine::Build(&tool, v);
    QCOMPARE(launch.Program, QStringLiteral("/bin/tool"));
    QCOMPARE(launch.Arguments, arguments);
}

// File names that look like templates themselves (percent-escaped names
// are common in downloads) reach the tool exactly as they are.
void TToolsTest::fillKeepsPercentNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("param");
    QTest::newRow("escaped UTF-8 name") << "/t/%E6%A4%9C%E7%B4%A2.txt" << "%F";
    QTest::newRow("every letter, lower case") << "/t/%b %d %f %l %n %r.txt" << "%F";
    QTest::newRow("every letter, upper case") << "/t/%B%D%F%L%N%R" << "%f";
    QTest::newRow("inside a longer argument") << "/t/%L.txt" << "--file=%F";
    QTest::newRow("folder with a placeholder") << "/%R/x.txt" << "%F";
}

void TToolsTest::fillKeepsPercentNames()
{
    QFETCH(QString, file);
    QFETCH(QString, param);
    TToolCommandLine::TValues v;
    v.F = file;
    v.D = file.left(file.lastIndexOf(u'/') + 1);
    v.R = QStringLiteral("hit");
    v.L = QStringLiteral("12");
    v.N = QStringLiteral("3");
    v.B = QStringLiteral("34");
    const QString expected = param.startsWith(u'-') ? QStringLiteral("--file=") + file : file;
    QCOMPARE(TToolCommandLine::Fill(param, v), expected);
    QCOMPARE(TToolCommandLine::Fill(QStringLiteral("%D"), v), v.D);
}

// Whole runs from a hit record on a real file.
void TToolsTest::buildFromHit_data()
{
    QTest::addColumn<bool>("withHit");
    QTest::addColumn<QString>("filePath");
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("program");    // "@" stands for the hit's file
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("four arguments") << true << "/bin/rec" << "%F:%L %N %B %R" << "/bin/rec"
                                    << QStringList{"@:1", "3", "14", "$(touch PWNED)"};
    QTest::newRow("no file path opens the template") << true << "" << "%F" << "@" << QStringList{"@"};
    QTest::newRow("no hit empties every value") << false << "/bin/rec" << "%F:%L x%R -%N"
                                                << "/bin/rec" << QStringList{":", "x", "-"};
    QTest::newRow("no hit drops placeholder-only arguments") << false << "/bin/rec" << "%F %L"
                                                            << "/bin/rec" << QStringList{};
}

void TToolsTest::buildFromHit()
{
    QFETCH(bool, withHit);
    QFETCH(QString, filePath);
    QFETCH(QString, param);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    TTestTree tree;
    TGrepResult hit;
    hit.FileName = tree.File(QStringLiteral("a b.txt"), "x $(touch PWNED)\n");
    hit.Line = 0;
    hit.Column = 3;
    hit.HitLength = 14;
    hit.TextFromHit = "$(touch PWNED)";
    TToolItems tool;
    tool.FilePath = filePath;
    tool.Param = param;
    const TLaunch launch = TToolCommandLine::Build(&tool, TToolCommandLine::ValuesOf(withHit ? &hit : nullptr));
    QCOMPARE(launch.Program, QString(program).replace(u'@', hit.FileName));
    QStringList expected;
    for (const QString &a : arguments)
        expected << QString(a).replace(u'@', hit.FileName);
    QCOMPARE(launch.Arguments, expected);
}

void TToolsTest::hitOfMissingFile()
{
    TGrepResult hit;
    hit.FileName = QStringLiteral("/nonexistent/kestu/x.txt");
    hit.Line = 41;
    hit.Column = 2;
    hit.HitLength = 2;
    hit.TextFromHit = "\x8c\x9f\x8d\xf5"; // 検索 in CP932: the hit is the first character
    const auto v = TToolCommandLine::ValuesOf(&hit);
    QCOMPARE(v.F, QString());
    QCOMPARE(v.D, QString());
    QCOMPARE(v.R, QStringLiteral("検"));
    QCOMPARE(v.L, QStringLiteral("42"));
    QCOMPARE(v.N, QStringLiteral("2"));
    QCOMPARE(v.B, QStringLiteral("2"));
    QCOMPARE(TDesktopPaths::ShortPath(QString()), QString());
}

void TToolsTest::matchToolFilter_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("match");
    QTest::newRow("upper-case extension") << ".TXT" << "*.txt,*.htm" << true;
    QTest::newRow("upper-case filter") << ".txt" << "*.TXT" << true;
    QTest::newRow("prefix of a pattern") << ".ht" << "*.txt,*.htm" << false;
    QTest::newRow("longer pattern") << ".htm" << "*.html" << false;
    QTest::newRow("c is not cpp") << ".c" << "*.cpp" << false;
    QTest::newRow("blank after comma") << ".htm" << "*.txt, *.htm" << true;
    QTest::newRow("blank before comma") << ".txt" << "*.txt ,*.htm" << false;
    QTest::newRow("text before star") << ".txt" << "a*.txt" << true;
    QTest::newRow("star alone") << ".anything" << "*" << true;
    QTest::newRow("star alone, no extension") << "" << "*" << true;
    QTest::newRow("star in a list is no wildcard") << ".doc" << "*.txt,*" << false;
    QTest::newRow("empty filter") << ".txt" << "" << false;
    QTest::newRow("full-width capitals fold") << ".ＴＸＴ" << "*.ｔｘｔ" << true;
}

void TToolsTest::matchToolFilter()
{
    QFETCH(QString, extension);
    QFETCH(QString, filter);
    QFETCH(bool, match);
    QCOMPARE(TToolList::MatchToolFilter(extension, filter), match);
}

void TToolsTest::findToolForExtension_data()
{
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("tool");
    const QStringList two{"", "*.txt"};
    QTest::newRow("second tool by extension") << two << ".txt" << 1;
    QTest::newRow("no filter fits") << two << ".doc" << -1;
    QTest::newRow("empty extension") << QStringList{"*"} << "" << -1;
    QTest::newRow("no tools") << QStringList{} << ".txt" << -1;
    QTest::newRow("first of two that fit") << QStringList{"*.htm", "*.txt", "*"} << ".txt" << 1;
    QTest::newRow("star catches the rest") << QStringList{"*.htm", "*.txt", "*"} << ".c" << 2;
}

void TToolsTest::findToolForExtension()
{
    QFETCH(QStringList, filters);
    QFETCH(QString, extension);
    QFETCH(int, tool);
    TToolList tools;
    for (const QString &f : filters)
        tools.Add(Tool(QStringLiteral("t"), f));
    QCOMPARE(tools.FindToolForExtension(extension), tool);
}

void TToolsTest::loadTools_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("firstShortcut");
    QTest::newRow("two in order") << QByteArray("[Tools1]\r\nCaption=b\r\n[Tools0]\r\nCaption=a\r\n")
                                  << QStringList{"a", "b"} << 0;
    QTest::newRow("a gap ends the list")
        << QByteArray("[Tools0]\r\nCaption=a\r\n[Tools2]\r\nCaption=c\r\n") << QStringList{"a"} << 0;
    QTest::newRow("no first section") << QByteArray("[Tools1]\r\nCaption=b\r\n") << QStringList{} << 0;
    QTest::newRow("shortcut keeps low 16 bits")
        << QByteArray("[Tools0]\r\nShortCut=70000\r\n") << QStringList{""} << 4464;
    QTest::newRow("shortcut not a number")
        << QByteArray("[Tools0]\r\nShortCut=Ctrl+T\r\n") << QStringList{""} << 0;
    QTest::newRow("shortcut Ctrl+T") << QByteArray("[tools0]\r\nshortcut=16468\r\n") << QStringList{""}
                                     << 16468;
    QTest::newRow("empty section is an empty tool") << QByteArray("[Tools0]\r\n") << QStringList{""} << 0;
}

void TToolsTest::loadTools()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, captions);
    QFETCH(int, firstShortcut);
    const TToolList tools = ToolsFrom(file);
    QCOMPARE(Captions(tools), captions);
    if (!tools.IsEmpty())
        QCOMPARE(int(tools.At(0)->ShortCut), firstShortcut);
}

// What stays in the file after a list edited from what it held is saved.
void TToolsTest::saveTools_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("deleteTool"); // -1: none
    QTest::addColumn<QStringList>("sections");
    QTest::addColumn<QStringList>("captions"); // read back

    const QByteArray two("[Window]\r\nLeft=1\r\n[Tools0]\r\nCaption=a\r\n[Tools1]\r\nCaption=b\r\n");
    QTest::newRow("delete the first of two") << two << 0 << QStringList{"Window", "Tools0"}
                                             << QStringList{"b"};
    QTest::newRow("delete the last of two") << two << 1 << QStringList{"Window", "Tools0"}
                                            << QStringList{"a"};
    QTest::newRow("unchanged") << two << -1 << QStringList{"Window", "Tools0", "Tools1"}
                               << QStringList{"a", "b"};
    QTest::newRow("section after a gap stays")
        << QByteArray("[Tools0]\r\nCaption=a\r\n[Tools2]\r\nCaption=c\r\n") << -1
        << QStringList{"Tools0", "Tools2"} << QStringList{"a"};
    QTest::newRow("every left-over erased")
        << QByteArray("[Tools0]\r\n[Tools1]\r\n[Tools2]\r\n[Tools3]\r\n[Tools5]\r\n") << -1
        << QStringList{"Tools0", "Tools1", "Tools2", "Tools3", "Tools5"}
        << QStringList{"", "", "", ""};
}

void TToolsTest::saveTools()
{
    QFETCH(QByteArray, file);
    QFETCH(int, deleteTool);
    QFETCH(QStringList, sections);
    QFETCH(QStringList, captions);
    TIniFile ini = IniFrom(file);
    TToolList tools;
    tools.LoadTools(ini);
    tools.Delete(deleteTool);
    tools.SaveTools(ini);
    QCOMPARE(ini.ReadSections(), sections);
    QCOMPARE(Captions(ToolsFrom(ini.Text())), captions);
}

void TToolsTest::roundTripKeepsFieldsAndForeignKeys()
{
    TToolList tools;
    TToolItems a;
    a.Caption = QStringLiteral("秀丸 (&H)");
    a.FilePath = QStringLiteral("/opt/エディタ/bin/ed it");
    a.Param = QStringLiteral("\"%F\" -j%L;%N=x");
    a.Filter = QStringLiteral("*.txt,*.htm");
    a.ShortCut = 0xE07B; // Ctrl+Shift+Alt+F12
    tools.Add(a);
    tools.Add({});

    TIniFile ini = IniFrom("[Tools0]\r\nExtra=kept\r\nCaption=old\r\n");
    tools.SaveTools(ini);
    QCOMPARE(ini.ReadSection(u"Tools0"),
             (QStringList{"Extra", "Caption", "FilePath", "Param", "Filter", "ShortCut"}));
    QCOMPARE(ini.ReadString(u"Tools0", u"Extra", {}), QStringLiteral("kept"));
    QCOMPARE(ini.ReadSection(u"Tools1"), (QStringList{"Caption", "FilePath", "Param", "Filter", "ShortCut"}));
    QCOMPARE(ini.ReadString(u"Tools0", u"ShortCut", {}), QStringLiteral("57467"));
    QCOMPARE(ToolsFrom(ini.Text()), tools);
}

void TToolsTest::onlyTheFirst128AreStored()
{
    TToolList tools;
    for (int n = 0; n < 130; ++n)
        tools.Add(Tool(QString::number(n)));
    TIniFile ini;
    tools.SaveTools(ini);
    QCOMPARE(ini.ReadSections().size(), 128);
    QVERIFY(!ini.SectionExists(u"Tools128"));
    ini.WriteString(u"Tools128", u"Caption", QStringLiteral("x"));
    QCOMPARE(ToolsFrom(ini.Text()).Count(), 128);
}

void TToolsTest::listEdit()
{
    TToolList tools;
    TToolItems *a = tools.Add(Tool("a"));
    tools.Add(Tool("b"));
    tools.Insert(1, Tool("c"));
    QCOMPARE(Captions(tools), (QStringList{"a", "c", "b"}));
    tools.Move(0, 2);
    QCOMPARE(Captions(tools), (QStringList{"c", "b", "a"}));
    QCOMPARE(tools.At(2), a); // records keep their address while they move
    tools.Delete(5);
    tools.Delete(-1);
    tools.Delete(1);
    QCOMPARE(Captions(tools), (QStringList{"c", "a"}));
    QCOMPARE(tools.At(2), nullptr);
    TToolList copy = tools;
    QCOMPARE(copy, tools);
    copy.At(0)->Caption = QStringLiteral("z");
    QCOMPARE(tools.At(0)->Caption, QStringLiteral("c"));
}

void TToolsTest::sendToListing()
{
    TTestTree tree;
    const QString folder = tree.Folder(QStringLiteral("SendTo"));
    for (const char *name : {"Mail.desktop", "Note.DESKTOP", "Zeta.Desktop", "readme.txt",
                             "x.desktop.bak", ".hidden.desktop", "a&b.desktop"})
        tree.File(QStringLiteral("SendTo/") + QLatin1String(name), "[Desktop Entry]\n");
    tree.Folder(QStringLiteral("SendTo/Old.desktop"));
    tree.File(QStringLiteral("SendTo/sub/Inner.desktop"), "");

    QStringList expected;
    for (const QString &name : ReaddirOrder(folder))
        if (name.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive) && name != u"Old.desktop")
            expected << folder + u'/' + name;
    QCOMPARE(expected.size(), 5);
    QCOMPARE(TSendToLinks::List(folder), expected);
    QCOMPARE(TSendToLinks::List(folder + u'/'), expected);

    QStringList captions;
    for (const QString &p : expected)
        captions << TSendToLinks::CaptionOf(p);
    captions.sort();
    QCOMPARE(captions, (QStringList{".hidden", "Mail", "Note", "Zeta", "a&b"}));

    QCOMPARE(TSendToLinks::List(tree.Path(QStringLiteral("missing"))), QStringList());
    QCOMPARE(TSendToLinks::List(tree.Path(QStringLiteral("SendTo/readme.txt"))), QStringList());
    QCOMPARE(TSendToLinks::List(QString()), QStringList());
}

void TToolsTest::sendToFolderFollowsXdg()
{
    TTestTree tree;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(tree.Folder(QStringLiteral("data"))));
    const QString folder = TDesktopPaths::SendToFolder();
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(folder, tree.Path(QStringLiteral("data/kestu/SendTo/")));
}

void TToolsTest::defaultTools()
{
    const QHash<QString, QString> installed{{"kate", "/usr/bin/kate"}, {"gedit", "/opt/g/gedit"},
                                            {"code", "/snap/bin/code"}};
    const TToolList tools = TDefaultTools::Build([&](const QString &name) { return installed.value(name); });
    QCOMPARE(Captions(tools), (QStringList{"gedit", "kate", "code"}));
    QCOMPARE(tools.At(0)->FilePath, QStringLiteral("/opt/g/gedit"));
    // Each editor's template puts the hit's line where that editor reads it.
    TToolCommandLine::TValues v;
    v.F = QStringLiteral("/d/x y.txt");
    v.L = QStringLiteral("12");
    v.N = QStringLiteral("3");
    QCOMPARE(TToolCommandLine::Build(tools.At(0), v).Arguments, (QStringList{"+12", "/d/x y.txt"}));
    QCOMPARE(TToolCommandLine::Build(tools.At(1), v).Arguments, (QStringList{"-l", "12", "/d/x y.txt"}));
    QCOMPARE(TToolCommandLine::Build(tools.At(2), v).Arguments, (QStringList{"-g", "/d/x y.txt:12:3"}));
    QVERIFY(TDefaultTools::Build([](const QString &) { return QString(); }).IsEmpty());
}

QTEST_GUILESS_MAIN(TToolsTest)
#include "tst_tools.moc"
