// Notation folding: full-width and half-width forms, hiragana and katakana.

#include "BRegExp.h"
#include "Cp932.h"
#include "FileSearcher.h"
#include "LineSearcher.h"
#include "NotationFold.h"
#include "SearchOptions.h"
#include "SjisText.h"
#include "SourcePrefilter.h"
#include "TestMain.h"
#include "TestText.h"
#include "TestTree.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr unsigned W = TNotationFold::Width;
constexpr unsigned K = TNotationFold::Kana;

struct TFound
{
    QList<QByteArray> Records; // "line:column:length:hit text"
};

// The file encoded in one of the codes kestu reads, with the code-box
// choice that reads it (0: detected).
struct TEncoding
{
    const char *Name;
    int Choice;
};
const TEncoding Encodings[] = {{"CP932", 1},       {"EUC-JP-MS", 2}, {"ISO-2022-JP-3", 3},
                               {"UTF-8", 6},       {"UTF-16LE", 0}};

QByteArray FileBytes(const QString &text, const TEncoding &encoding)
{
    if (QByteArray(encoding.Name) == "UTF-16LE")
        return QByteArray("\xFF\xFE") + Encode(text, "UTF-16LE");
    return Encode(text, encoding.Name);
}

QByteArray Record(const TGrepResult &r)
{
    return QByteArray::number(r.Line) + ':' + QByteArray::number(r.Column) + ':' + QByteArray::number(r.HitLength)
           + ':' + TCp932::ToUtf8(r.TextFromHit.left(r.HitLength));
}

QList<QByteArray> FullRecords(const QString &path, const QByteArray &find, bool noCase, bool regExp,
                              unsigned notation, int choice, int way, qsizetype piece = 0)
{
    TBRegExp adapter(nullptr);
    adapter.NoCase = noCase;
    const TSourcePrefilter prefilter(TLineSearcher::ExactStretch(find, noCase, regExp, notation),
                                     notation ? false : noCase, notation ? false : regExp);
    QList<QByteArray> out;
    TFileSearcher searcher(find, noCase, nullptr,
                           [&](TGrepResult &&r) {
                               out.append(Record(r) + '|' + r.BeforeText + '|' + r.TextFromHit + '|'
                                          + char('0' + r.AtLineStart) + char('0' + r.AtLineEnd));
                           },
                           regExp ? &adapter : nullptr, prefilter, way == 2, notation);
    if (way == 1)
        searcher.SetPieces(0, piece);
    searcher.Search(path, choice);
    return out;
}

QList<QByteArray> Hits(const QString &path, const QString &find, bool noCase, bool regExp, unsigned notation,
                       int choice)
{
    QList<QByteArray> fast, whole;
    QByteArray sjis = Sjis(find);
    for (const QByteArray &r : FullRecords(path, sjis, noCase, regExp, notation, choice, 0))
        fast.append(r.left(r.indexOf('|')));
    for (const QByteArray &r : FullRecords(path, sjis, noCase, regExp, notation, choice, 2))
        whole.append(r.left(r.indexOf('|')));
    if (fast != whole)
        qWarning() << "fast path" << fast << "whole lines" << whole;
    return fast == whole ? fast : QList<QByteArray>{"fast path and whole lines differ"};
}

} // namespace

class TestNotation : public QObject
{
    Q_OBJECT
private slots:
    void tablesAreFixedPoints();
    void keptApart_data();
    void keptApart();
    void notations_data();
    void notations();
    void regExp_data();
    void regExp();
    void foldPattern_data();
    void foldPattern();
    void markAtPieceBoundary();
    void fastPathMatchesWholeLines();
    void missingHiraganaStandForKatakana();
};

void TestNotation::tablesAreFixedPoints()
{
    // Folding what is folded changes nothing, every character folds to a
    // CP932 character, and every form of a folded character folds to it.
    for (unsigned flags : {W, K, W | K, W | K | TNotationFold::Case}) {
        const TNotationFold fold(flags);
        int folded = 0;
        for (int lead = 0; lead < 0x100; ++lead) {
            const bool isLead = IsLeadByte(static_cast<unsigned char>(lead));
            for (int trail = isLead ? 0x40 : 0; trail <= (isLead ? 0xFC : 0); ++trail) {
                const QByteArray c = isLead ? QByteArray() + char(lead) + char(trail) : QByteArray(1, char(lead));
                const QString text = TCp932::ToQString(c);
                if (text.size() != 1 || text[0] == QChar(QChar::ReplacementCharacter))
                    continue;
                const QByteArray once = fold.Fold(c);
                QCOMPARE(fold.Fold(once), once);
                QCOMPARE(TCp932::ToQString(once).size(), 1);
                QVERIFY(!fold.Forms(once).empty());
                for (const QByteArray &form : fold.Forms(once))
                    QCOMPARE(fold.Fold(form), once);
                folded += once != c;
            }
        }
        QVERIFY2(folded > 40, qPrintable(QString::number(folded)));
    }
}

void TestNotation::keptApart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::addColumn<unsigned>("flags");
    QTest::newRow("full-width letter") << "Ａｚ" << "Az" << W;
    QTest::newRow("full-width sign") << "（＃）" << "(#)" << W;
    QTest::newRow("ideographic space") << "　" << " " << W;
    QTest::newRow("half-width kana") << "ｶﾀｶﾅ" << "カタカナ" << W;
    QTest::newRow("voiced pair") << "ﾃﾞﾊﾟｳﾞ" << "デパヴ" << W;
    QTest::newRow("half-width signs") << "｢･｣｡､ｰ" << "「・」。、ー" << W;
    QTest::newRow("a lone mark is the spacing mark") << "ﾞﾟ" << "゛゜" << W;
    QTest::newRow("a mark after a letter without a pair") << "ｱﾞﾝﾟ" << "ア゛ン゜" << W;
    QTest::newRow("width alone leaves hiragana") << "ひらがな" << "ひらがな" << W;
    QTest::newRow("kana alone leaves half-width") << "ｶﾅ" << "ｶﾅ" << K;
    QTest::newRow("hiragana") << "りんごゝゞ" << "リンゴヽヾ" << K;
    QTest::newRow("small forms stay small") << "ぁゃっ" << "ァャッ" << K;
    QTest::newRow("both") << "でｰﾀ" << "データ" << (W | K);
    QTest::newRow("case after width") << "ＡＢｃ" << "abc" << (W | TNotationFold::Case);
    // Other characters, not other widths of one: kept as written.
    QTest::newRow("circled digit") << "①" << "①" << W;
    QTest::newRow("parenthesised word") << "㈱" << "㈱" << W;
    QTest::newRow("Roman numeral") << "Ⅰⅰ" << "Ⅰⅰ" << W;
    QTest::newRow("squared word") << "㌔㍻" << "㌔㍻" << W;
    QTest::newRow("numero") << "№℡" << "№℡" << W;
    QTest::newRow("spacing marks") << "゛゜" << "゛゜" << (W | K);
}

void TestNotation::keptApart()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QFETCH(unsigned, flags);
    QCOMPARE(TCp932::ToQString(TNotationFold(flags).Fold(Sjis(text))), folded);
}

void TestNotation::notations_data()
{
    // The line holds "前 " + written + " 後"; the search text is typed.
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<unsigned>("needed"); // the options that make them match
    QTest::addColumn<bool>("noCase");
    QTest::newRow("half-width word") << "ﾃﾞｰﾀ" << "データ" << W << false;
    QTest::newRow("half-width search") << "データ" << "ﾃﾞｰﾀ" << W << false;
    QTest::newRow("semi-voiced") << "ﾊﾟｿｺﾝ" << "パソコン" << W << false;
    QTest::newRow("lone voiced mark") << "ﾞ" << "゛" << W << false;
    QTest::newRow("spacing mark typed") << "゜" << "ﾟ" << W << false;
    QTest::newRow("full-width Latin") << "ｈｔｔｐ" << "http" << W << false;
    QTest::newRow("mixed widths in one word") << "ｈtｔp" << "ｈｔtp" << W << false;
    QTest::newRow("full-width digits") << "２０２４年" << "2024年" << W << false;
    QTest::newRow("brackets") << "｢ﾃｽﾄ｣" << "「テスト」" << W << false;
    QTest::newRow("hiragana word") << "りんご" << "リンゴ" << K << false;
    QTest::newRow("katakana word") << "リンゴ" << "りんご" << K << false;
    QTest::newRow("hiragana against half-width") << "でーた" << "ﾃﾞｰﾀ" << (W | K) << false;
    QTest::newRow("all three") << "ａＢc" << "ABC" << W << true;
    QTest::newRow("kana and a kanji") << "ぱそこん検索" << "パソコン検索" << K << false;
}

void TestNotation::notations()
{
    // Each pair of notations matches under its options, in every code, and
    // reports the written stretch (column and length in working text); it
    // does not match when an option it needs is off.
    QFETCH(QString, written);
    QFETCH(QString, typed);
    QFETCH(unsigned, needed);
    QFETCH(bool, noCase);
    TTestTree tree;
    const QString text = QStringLiteral("前 ") + written + QStringLiteral(" 後\n") + written + u'\n';
    const QByteArray writtenSjis = Sjis(written);
    const QByteArray expectedFirst = "0:" + QByteArray::number(Sjis(QStringLiteral("前 ")).size() + 1) + ':'
                                     + QByteArray::number(writtenSjis.size()) + ':' + written.toUtf8();
    const QByteArray expectedSecond = "1:1:" + QByteArray::number(writtenSjis.size()) + ':' + written.toUtf8();
    for (const TEncoding &encoding : Encodings) {
        const QString path = tree.File(QStringLiteral("f.txt"), FileBytes(text, encoding));
        const QList<QByteArray> hits = Hits(path, typed, noCase, false, needed, encoding.Choice);
        QCOMPARE(hits, (QList<QByteArray>{expectedFirst, expectedSecond}));
        // One option missing: no hit.
        for (unsigned less : {needed & ~W, needed & ~K})
            if (less != needed)
                QCOMPARE(Hits(path, typed, noCase, false, less, encoding.Choice), QList<QByteArray>{});
        // Both options on never lose the hit.
        QCOMPARE(Hits(path, typed, noCase, false, W | K, encoding.Choice).size(), 2);
    }
}

void TestNotation::regExp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<bool>("noCase");
    QTest::addColumn<QList<QByteArray>>("expected");
    using L = QList<QByteArray>;
    QTest::newRow("half-width class matches full-width")
        << "ﾊﾟｿｺﾝとパソコン" << "[ｱ-ﾝ]+" << W << false << L{"0:1:5:ﾊﾟｿｺﾝ", "0:8:8:パソコン"};
    QTest::newRow("full-width class matches ASCII")
        << "x1２3y" << "[０-９]+" << W << false << L{"0:2:4:1２3"};
    QTest::newRow("hiragana class matches katakana")
        << "かなカナ漢" << "[ぁ-ん]+" << K << false << L{"0:1:8:かなカナ"};
    QTest::newRow("negated class") << "aａ-" << "[^ａ ]" << W << false << L{"0:4:1:-"};
    QTest::newRow("anchor at line start") << "ﾃﾞｰﾀ ﾃﾞｰﾀ" << "^データ" << W << false << L{"0:1:4:ﾃﾞｰﾀ"};
    QTest::newRow("full-width sign is literal") << "f(x) fxx)" << "ｆ（.）" << W << false << L{"0:1:4:f(x)"};
    QTest::newRow("quoted text folded unescaped") << "a.b axb" << "\\Qａ．ｂ\\E" << W << false << L{"0:1:3:a.b"};
    QTest::newRow("ignore case with width") << "ABC ａｂｃ" << "abc" << W << true << L{"0:1:3:ABC", "0:5:6:ａｂｃ"};
    QTest::newRow("voiced mark is no class member") << "ﾃﾞ" << "ﾃ[ﾞ]" << W << false << L{};
    QTest::newRow("both options") << "デ ﾃﾞ で" << "で" << (W | K) << false << L{"0:1:2:デ", "0:4:2:ﾃﾞ", "0:7:2:で"};
}

void TestNotation::regExp()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(unsigned, flags);
    QFETCH(bool, noCase);
    QFETCH(QList<QByteArray>, expected);
    TTestTree tree;
    for (const TEncoding &encoding : Encodings) {
        const QString path = tree.File(QStringLiteral("r.txt"), FileBytes(text + u'\n', encoding));
        QCOMPARE(Hits(path, pattern, noCase, true, flags, encoding.Choice), expected);
    }
}

void TestNotation::foldPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<QString>("folded");
    QTest::newRow("literal signs escaped") << "ｆ（ｘ）＊" << W << "f\\(x\\)\\*";
    QTest::newRow("escapes kept") << "\\ｄ\\x{41}ｄ" << W << "\\ｄ\\x{41}d";
    QTest::newRow("class range") << "[ａ-ｃ]" << W << "[ａ-ｃa-c]";
    QTest::newRow("class sign escaped") << "[］]" << W << "[］\\]]";
    QTest::newRow("negated kana class") << "[^ぁ]" << K << "[^ぁァ]";
    QTest::newRow("nested class") << "[a[ｂ]]" << W << "[a[ｂb]]";
    QTest::newRow("posix bracket") << "[[:alpha:]ａ]" << W << "[[:alpha:]ａa]";
    QTest::newRow("quoted") << "\\Qｆ（\\E（" << W << "\\Qf(\\E\\(";
    QTest::newRow("voiced pair") << "ﾃﾞ+" << W << "デ+";
    QTest::newRow("nothing to fold") << "^a.b$" << (W | K) << "^a.b$";
}

void TestNotation::foldPattern()
{
    QFETCH(QString, pattern);
    QFETCH(unsigned, flags);
    QFETCH(QString, folded);
    QCOMPARE(TCp932::ToQString(TNotationFold(flags).FoldPattern(Sjis(pattern))), folded);
}

void TestNotation::markAtPieceBoundary()
{
    // A huge file is read a piece at a time; a half-width letter and its
    // mark on either side of where a piece would end stay one character.
    TTestTree tree;
    const QByteArray line = Sjis(QStringLiteral("ﾃﾞｰﾀ"));
    QByteArray raw;
    for (int pad = 0; pad < 12; ++pad)
        raw += QByteArray(pad, 'x') + line + '\n';
    const QString path = tree.File(QStringLiteral("big.txt"), raw);
    const QList<QByteArray> whole = FullRecords(path, Sjis(QStringLiteral("データ")), false, false, W, 1, 2);
    QCOMPARE(whole.size(), 12);
    for (qsizetype piece = 1; piece < 40; ++piece)
        QCOMPARE(FullRecords(path, Sjis(QStringLiteral("データ")), false, false, W, 1, 1, piece), whole);
}

void TestNotation::fastPathMatchesWholeLines()
{
    // The fast path (the search text's rarest form looked for in the raw
    // bytes, only its lines folded; files converted only where they can
    // hold a hit; huge files in pieces) gives exactly the records of
    // folding and searching every line whole.
    const QStringList pieces = {"ﾃ", "ﾞ", "ﾟ", "ﾊ", "デ", "で", "テ", "ｰ", "ー", "-", "ﾀ", "タ", "た", "a", "A",
                                "ａ", "Ａ", "１", "1", "年", "あ", "ア", "ｱ", "ぁ", "ァ", "（", "(", "①", "\n",
                                "\r\n", " ", "検索"};
    struct TQuery
    {
        QString Text;
        bool NoCase, RegExp;
        unsigned Flags;
    };
    const QList<TQuery> queries = {
        {"データ", false, false, W},       {"でーた", false, false, W | K}, {"a1", true, false, W},
        {"検索", false, false, W | K},     {"ｱ", false, false, K},         {"(", false, false, W},
        {"[ｱ-ﾝ]+", false, true, W},       {"デ.?タ", false, true, W | K},  {"検索|a", true, true, W | K},
        {"ﾊﾟ", false, false, W},           {"年", false, true, W},          {"ー", false, false, W | K}};
    QRandomGenerator random(20261210);
    TTestTree tree;
    const QString path = tree.Path("f.txt");
    int compared = 0;
    for (int round = 0; round < 80; ++round) {
        QString text;
        for (int i = random.bounded(1, 50); i > 0; --i)
            text += pieces[random.bounded(int(pieces.size()))];
        const TEncoding &encoding = Encodings[random.bounded(int(std::size(Encodings)))];
        tree.File("f.txt", FileBytes(text, encoding));
        for (const TQuery &query : queries) {
            const QByteArray find = Sjis(query.Text);
            const QList<QByteArray> whole =
                FullRecords(path, find, query.NoCase, query.RegExp, query.Flags, encoding.Choice, 2);
            const QString where = query.Text + QStringLiteral(" in ") + text + u' ' + QLatin1String(encoding.Name);
            QVERIFY2(FullRecords(path, find, query.NoCase, query.RegExp, query.Flags, encoding.Choice, 0) == whole,
                     qPrintable(where));
            QVERIFY2(FullRecords(path, find, query.NoCase, query.RegExp, query.Flags, encoding.Choice, 1,
                                 random.bounded(1, 16))
                         == whole,
                     qPrintable(where + QStringLiteral(" in pieces")));
            compared += int(whole.size());
        }
    }
    QVERIFY(compared > 300);
}

void TestNotation::missingHiraganaStandForKatakana()
{
    // ゔ has no Shift-JIS form; under kana folding it is searched as ヴ.
    TTestTree tree;
    TSearchOptions options;
    options.TargetPath = tree.Root();
    options.FindText = QStringLiteral("ゔぁ");
    QByteArray find;
    QVERIFY(!options.Check(find).isEmpty());
    options.IgnoreKana = true;
    QCOMPARE(options.Check(find), QString());
    QCOMPARE(TCp932::ToQString(find), QStringLiteral("ヴぁ"));
}

KESTU_TEST_CLASS(TestNotation)
#include "tst_notation.moc"
