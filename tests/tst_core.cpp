#include "IniFile.h"
#include "StoredPath.h"
#include "Cp932.h"
#include "TestText.h"
#include "IconvConverter.h"
#include "NativePath.h"
#include "PathText.h"
#include "SjisText.h"

#include <QtTest>

namespace {
} // namespace

class TestCore : public QObject
{
    Q_OBJECT
private slots:
    void storedPathRoundTrip_data();
    void storedPathRoundTrip();
    void findFrom_data();
    void findFrom();
    void trailByte_data();
    void trailByte();
    void excerpt_data();
    void excerpt();
    void lowerCase_data();
    void lowerCase();
    void lowerCaseAgreesWithUnicodeForm();
    void lowerCaseLeadBeforeLineEnd();
    void extension_data();
    void extension();
    void folderPart();
    void nativePathKeepsBytes_data();
    void nativePathKeepsBytes();
    void shownPath_data();
    void shownPath();
    void namePattern_data();
    void namePattern();
    void extensionList_data();
    void extensionList();
    void cp932RoundTrip();
    void cp932Refuses();
    void cp932ToUtf8AsIconv();
    void iconvSubstitutesAndGoesOn();
    void iconvPieceBoundary();
    void iconvStops();
};

void TestCore::findFrom_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<int>("expected");

    QTest::newRow("simple") << QByteArray("abcabc") << 1 << QByteArray("bc") << 2;
    QTest::newRow("from later start") << QByteArray("abcabc") << 3 << QByteArray("bc") << 5;
    QTest::newRow("start 0 scans from the first byte") << QByteArray("abc") << 0 << QByteArray("a") << 1;
    QTest::newRow("not found") << QByteArray("abc") << 1 << QByteArray("x") << 0;
    QTest::newRow("empty text") << QByteArray() << 1 << QByteArray("a") << 0;
    QTest::newRow("empty pattern") << QByteArray("abc") << 1 << QByteArray() << 0;
    QTest::newRow("start past end") << QByteArray("abc") << 4 << QByteArray("c") << 0;
    QTest::newRow("pattern longer than rest") << QByteArray("abc") << 2 << QByteArray("bcd") << 0;
    // Second bytes that look like ASCII must never be taken for it.
    QTest::newRow("backslash inside 表") << Sjis("表示") << 1 << QByteArray("\\") << 0;
    QTest::newRow("at-sign inside 全角空白") << Sjis("　ァ") << 1 << QByteArray("@") << 0;
    QTest::newRow("bracket inside ゾ") << Sjis("ゾウ") << 1 << QByteArray("]") << 0;
    QTest::newRow("real backslash after 表") << Sjis("表\\") << 1 << QByteArray("\\") << 3;
    QTest::newRow("double-byte after double-byte") << Sjis("日本語") << 1 << Sjis("語") << 5;
    // 0x81 0x81 0x81 0x81: a match at byte 2 would straddle two characters.
    QTest::newRow("no straddling match") << Sjis("＝＝") << 1 << QByteArray("\x81\x81") << 1;
    QTest::newRow("straddle only candidate") << (QByteArray("a") + Sjis("＝")) << 1 << QByteArray("a\x81") << 1;
    QTest::newRow("straddling rejected") << Sjis("ア") + QByteArray("A") << 1 << QByteArray("\x41") << 3;
    QTest::newRow("lead byte at the very end") << QByteArray("ab\x82") << 1 << QByteArray("\x82") << 3;
}

void TestCore::findFrom()
{
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(QByteArray, pattern);
    QFETCH(int, expected);
    QCOMPARE(FindFrom(text, start, pattern), qsizetype(expected));
}

void TestCore::trailByte_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("expected");
    const QByteArray t = QByteArray("a") + Sjis("日本") + QByteArray("b");
    QTest::newRow("ascii") << t << 0 << false;
    QTest::newRow("lead") << t << 1 << false;
    QTest::newRow("trail") << t << 2 << true;
    QTest::newRow("second lead") << t << 3 << false;
    QTest::newRow("second trail") << t << 4 << true;
    QTest::newRow("after") << t << 5 << false;
    QTest::newRow("half-width katakana is single") << QByteArray("\xB1\xB2") << 1 << false;
    QTest::newRow("lead at end stands alone") << QByteArray("a\x88") << 1 << false;
}

void TestCore::trailByte()
{
    QFETCH(QByteArray, text);
    QFETCH(int, index);
    QFETCH(bool, expected);
    QCOMPARE(IsTrailByteAt(text, index), expected);
    // A walk that begins at a known boundary gives the same answer.
    qsizetype boundary = 0;
    while (boundary < index) {
        const qsizetype next = boundary + ((IsLeadByte(uchar(text[boundary])) && boundary + 1 < text.size()) ? 2 : 1);
        if (next > index)
            break;
        boundary = next;
    }
    QCOMPARE(IsTrailByteAt(text, index, boundary), expected);
}

void TestCore::excerpt_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<bool>("atEnd");

    QTest::newRow("middle") << QByteArray("abcdef") << 2 << 3 << QByteArray("bcd") << false << false;
    QTest::newRow("from start") << QByteArray("abcdef") << 1 << 2 << QByteArray("ab") << true << false;
    QTest::newRow("to end") << QByteArray("abcdef") << 4 << 3 << QByteArray("def") << false << true;
    QTest::newRow("past end is cut") << QByteArray("abcdef") << 5 << 10 << QByteArray("ef") << false << true;
    QTest::newRow("empty line") << QByteArray() << 1 << 3 << QByteArray() << false << false;
    QTest::newRow("zero length") << QByteArray("abc") << 1 << 0 << QByteArray() << false << false;
    QTest::newRow("start 0") << QByteArray("abc") << 0 << 2 << QByteArray() << false << false;
    const QByteArray jp = QByteArray("a") + Sjis("日本語");  // a 93 fa 96 7b 8c ea
    QTest::newRow("begins on a second byte: one later, one shorter")
        << jp << 3 << 3 << Sjis("本") << false << false;
    QTest::newRow("ends on a first byte: one more") << jp << 1 << 2 << (QByteArray("a") + Sjis("日")) << true << false;
    QTest::newRow("both adjusted") << jp << 3 << 4 << Sjis("本語") << false << true;
    QTest::newRow("start beyond end") << QByteArray("abc") << 5 << 2 << QByteArray() << false << true;
}

void TestCore::excerpt()
{
    QFETCH(QByteArray, line);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QByteArray, expected);
    QFETCH(bool, atStart);
    QFETCH(bool, atEnd);
    bool s = false, e = false;
    QCOMPARE(Excerpt(line, start, length, s, e), expected);
    QCOMPARE(s, atStart);
    QCOMPARE(e, atEnd);
    // Flags are only ever set, never cleared.
    bool s2 = true, e2 = true;
    Excerpt(line, start, length, s2, e2);
    QVERIFY(s2 && e2);
}

void TestCore::lowerCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ascii") << "Hello WORLD 123" << "hello world 123";
    QTest::newRow("full-width latin") << "ＡＢＣＺａｂ" << "ａｂｃｚａｂ";
    QTest::newRow("greek") << "ΑΒΓΩαω" << "αβγωαω";
    QTest::newRow("cyrillic with Ё and the 0x7F gap") << "АЁЖМНОПЯ" << "аёжмнопя";
    QTest::newRow("kanji untouched") << "日本語ＡＢ" << "日本語ａｂ";
    QTest::newRow("half-width katakana untouched") << "ｱｲｳA" << "ｱｲｳa";
}

void TestCore::lowerCase()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QByteArray lowered = LowerCaseCp932(Sjis(text));
    QCOMPARE(lowered.size(), Sjis(text).size());
    QCOMPARE(TCp932::ToQString(lowered), expected);
    QCOMPARE(LowerCaseLikeCp932(text), expected);
}

void TestCore::lowerCaseAgreesWithUnicodeForm()
{
    // Every double-byte character of CP932: the byte form and the QString
    // form of the case table must agree, so filters and searches fold alike.
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const char pair[2] = {char(lead), char(trail)};
            const QByteArray ch(pair, 2);
            const QString text = TCp932::ToQString(ch);
            if (text.size() != 1 || text[0] == QChar(0xFFFD))
                continue;
            QByteArray back;
            if (!TCp932::FromQString(text, back) || back != ch)
                continue; // an NEC or IBM duplicate of another code
            QByteArray expected;
            QVERIFY(TCp932::FromQString(LowerCaseLikeCp932(text), expected));
            QCOMPARE(LowerCaseCp932(ch), LowerCaseCp932(expected));
            if (LowerCaseLikeCp932(text) != text) {
                QCOMPARE(LowerCaseCp932(ch), expected);
                ++checked;
            }
        }
    }
    QCOMPARE(checked, 26 + 24 + 33);
}

void TestCore::lowerCaseLeadBeforeLineEnd()
{
    // 0x82 at a line's end stands alone; the LF after it is no second byte,
    // and the "A" on the next line is still lowered.
    QCOMPARE(LowerCaseCp932(QByteArray("\x82\nA")), QByteArray("\x82\na"));
    QCOMPARE(LowerCaseCp932(QByteArray("\x82" "A")), QByteArray("\x82" "A")); // one character 82 41
}

void TestCore::extension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "a.txt" << ".txt";
    QTest::newRow("two dots") << "a.b.txt" << ".txt";
    QTest::newRow("none") << "README" << "";
    QTest::newRow("dot file") << ".profile" << ".profile";
    QTest::newRow("dot in folder only") << "/x.d/README" << "";
    QTest::newRow("path") << "/x.d/a.TXT" << ".TXT";
    QTest::newRow("colon is a name character") << "a:b.txt" << ".txt";
    QTest::newRow("japanese") << "表.テキスト" << ".テキスト";
}

void TestCore::extension()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(ExtensionOf(name), expected);
}

void TestCore::nativePathKeepsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("ASCII") << QByteArray("/tmp/a.txt") << true;
    QTest::newRow("UTF-8 Japanese") << QByteArray("/tmp/\xE6\xA4\x9C\xE7\xB4\xA2.txt") << true;
    QTest::newRow("four-byte character") << QByteArray("/\xF0\x9F\x98\x80/x") << true;
    QTest::newRow("Shift-JIS name") << QByteArray("sjis\x8C\x9F\x8D\xF5.txt") << false;
    QTest::newRow("FF FE") << QByteArray("bad\xFF\xFE") << false;
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF" "b") << false;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("cut off at the end") << QByteArray("a\xE6\x96") << false;
    QTest::newRow("raw byte after a four-byte character") << QByteArray("\xF0\x90\x80\x80\x80") << false;
    QTest::newRow("mixed") << QByteArray("\xE6\xA4\x9C/\x8C\x9F/\xE7\xB4\xA2\x80") << false;
    QTest::newRow("starts with U+FEFF") << QByteArray("\xEF\xBB\xBFname") << true;
    QTest::newRow("U+FEFF after a raw byte") << QByteArray("\x80\xEF\xBB\xBF") << false;
}

void TestCore::nativePathKeepsBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    const QString path = TNativePath::Decode(bytes);
    QCOMPARE(TNativePath::Encode(path), bytes);
    QCOMPARE(TNativePath::HasRawBytes(path), !utf8);
    if (utf8)
        QCOMPARE(path.toUtf8(), bytes); // the characters themselves, not stand-ins
    // A character that is really there and a raw byte never look alike.
    const QString real = QString::fromUtf8("\xF0\x90\x82\x80"); // U+10080: its low half is DC80
    QVERIFY(!TNativePath::HasRawBytes(real));
    QCOMPARE(TNativePath::Encode(real + path), QByteArray("\xF0\x90\x82\x80") + bytes);

    // As a file address (a drop, a request to the desktop) and back.
    const QString absolute = QStringLiteral("/a b/") + path;
    const QByteArray uri = TNativePath::FileUri(absolute);
    QCOMPARE(TNativePath::LocalFileOfUri(uri), absolute);
    for (const char c : uri)
        QVERIFY(c > ' ' && c < 0x7F);
    if (utf8) {
        QCOMPARE(QUrl::fromEncoded(uri), QUrl::fromLocalFile(absolute));
        QCOMPARE(TNativePath::LocalFileOfUri(QUrl::fromLocalFile(absolute).toEncoded()), absolute);
    }
}

void TestCore::shownPath_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTF-8 as it is") << QByteArray("/tmp/\xE6\xA4\x9C.txt") << QString::fromUtf8("/tmp/検.txt");
    QTest::newRow("Shift-JIS component") << QByteArray("/tmp/sjis\x8C\x9F\x8D\xF5.txt") << QString::fromUtf8("/tmp/sjis検索.txt");
    QTest::newRow("each component on its own")
        << QByteArray("/\xE6\xA4\x9C/\x8C\x9F\x8D\xF5/x") << QString::fromUtf8("/検/検索/x");
    QTest::newRow("neither: escaped") << QByteArray("/tmp/bad\xFF\xFE.txt") << QStringLiteral("/tmp/bad\\xff\\xfe.txt");
    QTest::newRow("half a Shift-JIS character") << QByteArray("a\x8C") << QStringLiteral("a\\x8c");
}

void TestCore::shownPath()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(ShownPath(TNativePath::Decode(bytes)), shown);
}

void TestCore::namePattern_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    QTest::newRow("exact") << ".git" << ".git" << true;
    QTest::newRow("exact, case counts") << ".Git" << ".git" << false;
    QTest::newRow("not a part") << "x.git" << ".git" << false;
    QTest::newRow("star at the end") << "node_modules" << "node_*" << true;
    QTest::newRow("star matches nothing") << "node_" << "node_*" << true;
    QTest::newRow("star alone") << "anything" << "*" << true;
    QTest::newRow("star alone, empty name") << "" << "*" << true;
    QTest::newRow("two stars, going back") << "abXbc" << "a*b*c" << true;
    QTest::newRow("two stars, no end") << "abXbd" << "a*b*c" << false;
    QTest::newRow("question mark") << "ab" << "a?" << true;
    QTest::newRow("question mark needs one") << "a" << "a?" << false;
    QTest::newRow("set") << "bc" << "[ab]c" << true;
    QTest::newRow("range") << "m1" << "[a-z][0-9]" << true;
    QTest::newRow("negated set") << "ax" << "[!a]x" << false;
    QTest::newRow("negated set, other") << "bx" << "[!a]x" << true;
    QTest::newRow("] first in a set") << "]" << "[]]" << true;
    QTest::newRow("unclosed [ stands for itself") << "[ab" << "[ab" << true;
    QTest::newRow("Japanese") << QString::fromUtf8("古い資料") << QString::fromUtf8("古い*") << true;
}

void TestCore::namePattern()
{
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(NameMatchesPattern(name, pattern), matches);
}

void TestCore::folderPart()
{
    QCOMPARE(FolderPartOf("/a/b/c.txt"), QString("/a/b/"));
    QCOMPARE(FolderPartOf("c.txt"), QString());
    QCOMPARE(FileNameOf("/a/b/c.txt"), QString("c.txt"));
    QCOMPARE(FileNameOf("/a/b/"), QString());
}

void TestCore::extensionList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<bool>("expected");
    QTest::newRow("txt in list") << "*.txt,*.html" << ".txt" << true;
    QTest::newRow("upper-case extension") << "*.txt,*.html" << ".TXT" << true;
    QTest::newRow("upper-case list") << "*.TXT" << ".txt" << true;
    QTest::newRow("last item") << "*.txt,*.html" << ".html" << true;
    QTest::newRow("prefix is no match") << "*.txt,*.html" << ".htm" << false;
    QTest::newRow("blank after comma is harmless") << "*.txt, *.html" << ".html" << true;
    QTest::newRow("blank before comma breaks the item") << "*.txt ,*.html" << ".txt" << false;
    QTest::newRow("a*.txt still lets .txt pass") << "a*.txt" << ".txt" << true;
    QTest::newRow("no extension and * among others") << "*.txt,*" << "" << true;
    QTest::newRow("no extension, list without *") << "*.txt" << "" << false;
    QTest::newRow("full-width case folds") << "*.ＴＸＴ" << ".ｔｘｔ" << true;
}

void TestCore::extensionList()
{
    QFETCH(QString, list);
    QFETCH(QString, ext);
    QFETCH(bool, expected);
    QCOMPARE(ExtensionListContains(list, ext), expected);
}

void TestCore::cp932RoundTrip()
{
    const QString text = QString::fromUtf8("日本語 ｶﾀｶﾅ ①髙～ ABC \\");
    QByteArray bytes;
    QVERIFY(TCp932::FromQString(text, bytes));
    QCOMPARE(bytes.left(6), QByteArray("\x93\xfa\x96\x7b\x8c\xea"));
    QCOMPARE(TCp932::ToQString(bytes), text);
    QCOMPARE(TCp932::ToUtf8(bytes), text.toUtf8());
}

void TestCore::cp932ToUtf8AsIconv()
{
    // Every byte and every pair of bytes from 0x80 up, alone, after a
    // lead byte, and around text, converts as iconv converts it, the bad
    // ones included.
    TIconvConverter iconv("UTF-8", "CP932", "\xEF\xBF\xBD");
    const auto reference = [&](const QByteArray &cp932) {
        QByteArray out;
        iconv.Convert(cp932, out);
        return out;
    };
    QByteArray all;
    for (int a = 0x80; a <= 0xFF; ++a) {
        const QByteArray single(1, char(a));
        QCOMPARE(TCp932::ToUtf8(single), reference(single));
        QCOMPARE(TCp932::ToUtf8("x" + single + "y"), reference("x" + single + "y"));
        for (int b = 0x00; b <= 0xFF; ++b) {
            const QByteArray pair = single + char(b);
            if (TCp932::ToUtf8(pair) != reference(pair))
                QFAIL(qPrintable(QStringLiteral("%1 %2").arg(a, 2, 16).arg(b, 2, 16)));
            all += pair;
        }
    }
    QCOMPARE(TCp932::ToUtf8(all), reference(all));
}

void TestCore::cp932Refuses()
{
    QByteArray bytes;
    QVERIFY(!TCp932::FromQString(QString::fromUtf8("a😀b"), bytes));
    QVERIFY(!TCp932::FromQString(QString::fromUtf8("한국어"), bytes));
    // A broken CP932 sequence still gives text, with a replacement mark.
    QCOMPARE(TCp932::ToQString(QByteArray("a\x82")), QString::fromUtf8("a\uFFFD"));
}

void TestCore::iconvSubstitutesAndGoesOn()
{
    TIconvConverter converter("CP932", "UTF-8", "?");
    QByteArray out;
    // An invalid byte, an emoji without a CP932 form, then good text.
    const QByteArray in = QByteArray("a\xff") + QString::fromUtf8("😀日本").toUtf8();
    QCOMPARE(converter.Convert(in, out), qsizetype(5)); // ff, and the emoji's four bytes one by one
    QCOMPARE(out, QByteArray("a?????\x93\xfa\x96\x7b"));
}

void TestCore::iconvPieceBoundary()
{
    // Input is fed in pieces of 1 MiB; a three-byte character cut by a piece
    // boundary must come out whole, never as a substitute.
    QByteArray in(1 << 20, 'a');
    in.chop(1);
    for (int i = 0; i < 1000; ++i)
        in += QString::fromUtf8("日本").toUtf8();
    TIconvConverter converter("CP932", "UTF-8", "?");
    QByteArray out;
    QCOMPARE(converter.Convert(in, out), qsizetype(0));
    QCOMPARE(out.size(), qsizetype((1 << 20) - 1 + 4000));
    QVERIFY(!out.contains('?'));
}

void TestCore::iconvStops()
{
    const QByteArray in(8 << 20, 'a');
    TIconvConverter converter("CP932", "UTF-8", "?");
    QByteArray out;
    int asked = 0;
    QCOMPARE(converter.Convert(in, out, [&] { return ++asked < 3; }), qsizetype(-1));
    QVERIFY(out.size() < in.size());
}

void TestCore::storedPathRoundTrip_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("plain"); // stored as it stands, as always
    QTest::newRow("UTF-8 path") << QStringLiteral("/home/利用者/文書/") << true;
    QTest::newRow("UTF-8 with percent") << QStringLiteral("/tmp/100%/%8C%9F/") << true;
    QTest::newRow("relative") << QStringLiteral("docs/a b.txt") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("Shift-JIS folder") << TNativePath::Decode("/tmp/\x8c\x9f\x8d\xf5/") << false;
    QTest::newRow("invalid UTF-8") << TNativePath::Decode("/tmp/\xff\xfe\xc3(/x.txt") << false;
    QTest::newRow("lone trailing lead byte") << TNativePath::Decode("/tmp/a\x8c") << false;
    QTest::newRow("newline in a name") << QStringLiteral("/tmp/two\nlines/") << false;
    QTest::newRow("carriage return") << QStringLiteral("/tmp/a\rb") << false;
    QTest::newRow("raw bytes and percent") << TNativePath::Decode("/tmp/%41\x8c%/") << false;
    QTest::newRow("relative with raw bytes") << TNativePath::Decode("old/\x8c\x9f.txt") << false;
    QTest::newRow("looks like an address") << QStringLiteral("file:///etc/x") << false;
    QTest::newRow("looks like a relative address") << QStringLiteral("FILE:%8C") << false;
    QTest::newRow("filter pattern") << QStringLiteral("*.txt,*.html") << true;
}

void TestCore::storedPathRoundTrip()
{
    QFETCH(QString, path);
    QFETCH(bool, plain);
    const QString stored = TStoredPath::ToStored(path);
    QCOMPARE(stored == path, plain);
    // One line of UTF-8 that means the same bytes again.
    QVERIFY(!stored.contains(u'\n') && !stored.contains(u'\r'));
    QCOMPARE(QString::fromUtf8(stored.toUtf8()), stored);
    QCOMPARE(TNativePath::Encode(TStoredPath::FromStored(stored)), TNativePath::Encode(path));
    // And through the settings file itself.
    TIniFile file;
    file.WriteString(u"Text", u"Target", stored);
    TIniFile again;
    again.SetText(file.Text());
    QCOMPARE(TNativePath::Encode(TStoredPath::FromStored(again.ReadString(u"Text", u"Target", {}))),
             TNativePath::Encode(path));
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
