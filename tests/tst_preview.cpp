// The preview's reading of the lines around a hit and what it makes of them.

#include "CodePage.h"
#include "FileSearcher.h"
#include "LineCursor.h"
#include "NativePath.h"
#include "PreviewReader.h"
#include "PreviewText.h"
#include "SourceLines.h"
#include "SourcePrefilter.h"
#include "TestMain.h"
#include "TestText.h"
#include "TestTree.h"
#include "TextDecoder.h"

#include <QtTest>

using TStatus = TPreviewText::TStatus;
Q_DECLARE_METATYPE(TStatus)

namespace {

// Every working-text line of a file, decoded whole as the search decodes it.
QList<QByteArray> AllLines(const QString &path, qint32 codeId)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = f.readAll();
    const TDecodedText decoded = TTextDecoder().DecodeFile(content, TSourceLines::ChoiceForCode(codeId));
    QList<QByteArray> lines;
    for (TLineCursor c(decoded.Text); !c.AtEnd(); c.Next())
        lines.append(c.Line().toByteArray());
    return lines;
}

// Checks the lines read against the whole file's lines first..last.
bool SameAsWholeFile(const TPreviewReader::TResult &read, const QList<QByteArray> &all, qint64 first, qint64 last)
{
    const qint64 end = qMin<qint64>(last, all.size() - 1);
    if (qint64(read.Lines.size()) != qMax<qint64>(0, end - first + 1))
        return false;
    for (const TPreviewReader::TLine &line : read.Lines) {
        if (line.Index < first || line.Index > end || line.Text != all[line.Index])
            return false;
    }
    return true;
}

// The hits a search of the file for the text finds, its code detected.
std::vector<TGrepResult> Search(const QString &path, const QString &text)
{
    std::vector<TGrepResult> hits;
    const QByteArray find = Sjis(text);
    const TSourcePrefilter prefilter(find, false, false);
    TFileSearcher searcher(find, false, nullptr, [&](TGrepResult &&r) { hits.push_back(std::move(r)); }, nullptr,
                           prefilter, false);
    searcher.Search(path, 0);
    return hits;
}

TPreviewReader::TResult ReadFor(TPreviewReader &reader, const TGrepResult &hit)
{
    return reader.Read(hit.FileName, hit.CodeId, TPreviewText::FirstLine(hit), TPreviewText::LastLine(hit),
                       {hit.Line, hit.LineOffset});
}

// One line of ASCII filler, its line end included, so that lines fall at
// known offsets.
QByteArray Filler(int index)
{
    return QByteArray::number(index).rightJustified(8, '0') + QByteArray(31, '.') + '\n';
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT
private slots:
    void hitsInEachCode_data();
    void hitsInEachCode();
    void lineEndsAcrossPieces_data();
    void lineEndsAcrossPieces();
    void utf16LineEnds_data();
    void utf16LineEnds();
    void knownLineStart_data();
    void knownLineStart();
    void boundedReading_data();
    void boundedReading();
    void longLine_data();
    void longLine();
    void goneOrChanged_data();
    void goneOrChanged();
    void nameThatIsNotUtf8();
};

void TestPreview::hitsInEachCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("mark");
    QTest::addColumn<QString>("lineEnd");
    QTest::addColumn<int>("hitLine");
    QTest::addColumn<int>("expectCode");

    const struct { const char *name, *code; QByteArray mark; int id; } codes[] = {
        {"shift-jis", "CP932", {}, CodeId::ShiftJis},
        {"euc-jp", "EUC-JP-MS", {}, CodeId::EucJp},
        {"utf-8", "UTF-8", {}, CodeId::Utf8N},
        {"utf-8 with mark", "UTF-8", "\xEF\xBB\xBF", CodeId::Utf8},
        {"iso-2022-jp", "ISO-2022-JP", {}, CodeId::Iso2022Jp},
        {"utf-16 le", "UTF-16LE", "\xFF\xFE", CodeId::Utf16Le},
        {"utf-16 be", "UTF-16BE", "\xFE\xFF", CodeId::Utf16Be},
    };
    for (const auto &c : codes) {
        // First line (context clipped above), middle, last line without a line end.
        QTest::addRow("%s, first line", c.name) << c.code << c.mark << "\n" << 0 << c.id;
        QTest::addRow("%s, middle, CR LF", c.name) << c.code << c.mark << "\r\n" << 17 << c.id;
        QTest::addRow("%s, last line, CR", c.name) << c.code << c.mark << "\r" << 39 << c.id;
    }
}

void TestPreview::hitsInEachCode()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, mark);
    QFETCH(QString, lineEnd);
    QFETCH(int, hitLine);
    QFETCH(int, expectCode);

    QStringList lines;
    for (int i = 0; i < 40; ++i) {
        // ISO-2022-JP holds no NEC or IBM extensions.
        QString line = QStringLiteral("%1行目：漢字とかなの本文").arg(i);
        if (code != QLatin1String("ISO-2022-JP"))
            line += QStringLiteral("、①と髙");
        if (i == hitLine)
            line += QStringLiteral("、ここに検索語があります。");
        lines.append(line);
    }
    TTestTree tree;
    const QString path = tree.File("a.txt", mark + Encode(lines.join(lineEnd), code.toLatin1()));
    const std::vector<TGrepResult> hits = Search(path, QStringLiteral("検索語"));
    QCOMPARE(hits.size(), size_t(1));
    const TGrepResult &hit = hits.front();
    QCOMPARE(hit.CodeId, expectCode);
    QCOMPARE(hit.Line, qint64(hitLine));

    TPreviewReader reader;
    const TPreviewReader::TResult read = ReadFor(reader, hit);
    QCOMPARE(read.State, TPreviewReader::TState::Read);
    QVERIFY(SameAsWholeFile(read, AllLines(path, hit.CodeId), TPreviewText::FirstLine(hit), TPreviewText::LastLine(hit)));

    const TPreviewText preview = TPreviewText::Make(hit, read, QDateTime());
    QCOMPARE(preview.Status, TStatus::Shown);
    QVERIFY(preview.Note.isEmpty());
    const qint64 first = qMax(0, hitLine - 10);
    QCOMPARE(preview.Lines.size(), size_t(qMin(39, hitLine + 10) - first + 1));
    for (size_t i = 0; i < preview.Lines.size(); ++i) {
        const TPreviewText::TShownLine &line = preview.Lines[i];
        QCOMPARE(line.Number, first + qint64(i) + 1);
        QCOMPARE(line.Text, lines[int(first + i)]);
        QCOMPARE(line.HitStart >= 0, int(i) == preview.HitRow);
    }
    const TPreviewText::TShownLine &shown = preview.Lines[size_t(preview.HitRow)];
    QCOMPARE(shown.Number, qint64(hitLine + 1));
    QCOMPARE(shown.Text.mid(shown.HitStart, shown.HitLength), QStringLiteral("検索語"));
}

void TestPreview::lineEndsAcrossPieces_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line"); // the line the reads centre on

    const qsizetype piece = TPreviewReader::PieceSize;
    const QByteArray upToPieceEnd(piece - 1, 'a');
    QTest::newRow("CR LF cut by a piece end") << upToPieceEnd + "\r\nb\r\nc\r\nd" << 2;
    QTest::newRow("lone CR at a piece end") << upToPieceEnd + "\rb\rc\r" << 2;
    QTest::newRow("LF at a piece end") << upToPieceEnd + "\nb\nc\n" << 1;
    QTest::newRow("CR LF right after a piece end") << QByteArray(piece, 'a') + "\r\nb\r\n" << 1;
    QTest::newRow("line longer than two pieces") << QByteArray(2 * piece + 5, 'a') + "\nb\nc" << 2;
    QTest::newRow("empty lines") << QByteArray("\n\n\r\n\r\r\nx\n\n") << 4;
    QTest::newRow("a zero byte ends the text") << QByteArray("a\nb\nc", 5) + QByteArray(1, '\0') + "d\ne\n" << 2;
    QTest::newRow("nothing") << QByteArray() << 0;
    QByteArray many;
    for (int i = 0; i < 60000; ++i)
        many += Filler(i);
    QTest::newRow("many pieces") << many << 50000;
    QTest::newRow("line past the end") << QByteArray("a\nb\n") << 30;
}

void TestPreview::lineEndsAcrossPieces()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    TTestTree tree;
    const QString path = tree.File("a.txt", content);
    const QList<QByteArray> all = AllLines(path, CodeId::ShiftJis);
    // One reader: the later reads start from line starts the earlier ones met.
    TPreviewReader reader;
    for (const int centre : {line, 0, line / 2, line, line + 1}) {
        const TPreviewReader::TResult read = reader.Read(path, CodeId::ShiftJis, centre - 10, centre + 10);
        QVERIFY2(SameAsWholeFile(read, all, qMax(0, centre - 10), centre + 10),
                 qPrintable(QStringLiteral("around line %1").arg(centre)));
    }
}

// UTF-16 text of these bytes, each byte one character.
QByteArray Widen(QByteArrayView bytes, bool bigEndian)
{
    QByteArray out;
    for (char c : bytes) {
        out += bigEndian ? '\0' : c;
        out += bigEndian ? c : '\0';
    }
    return out;
}

void TestPreview::utf16LineEnds_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line"); // the line the reads centre on
    QTest::addColumn<int>("codeId");

    // The first piece holds the mark and PieceSize - 2 bytes of text.
    const qsizetype units = TPreviewReader::PieceSize / 2 - 1;
    QByteArray many;
    for (int i = 0; i < 60000; ++i)
        many += Filler(i);
    for (const bool big : {false, true}) {
        const QByteArray mark = big ? "\xFE\xFF" : "\xFF\xFE";
        const int id = big ? CodeId::Utf16Be : CodeId::Utf16Le;
        const char *order = big ? "be" : "le";
        const auto row = [&](const char *name, const QByteArray &text, int line) {
            QTest::addRow("%s, %s", order, name) << mark + text << line << id;
        };
        row("CR LF cut by a piece end", Widen(QByteArray(units - 1, 'a') + "\r\nb\r\nc\r\nd", big), 2);
        row("lone CR at a piece end", Widen(QByteArray(units - 1, 'a') + "\rb\rc\r", big), 2);
        row("empty lines", Widen("\n\n\r\n\r\r\nx\n\n", big), 4);
        row("a zero character ends the text", Widen("a\nb\nc", big) + QByteArray(2, '\0') + Widen("d\ne\n", big), 2);
        // U+0A0D is the bytes 0D 0A in little-endian order, U+0D0A in
        // big-endian; U+0100 has a zero byte. None of them ends a line.
        const QByteArray inside = big ? QByteArray("\x0d\x0a\x01\x00", 4) : QByteArray("\x0d\x0a\x00\x01", 4);
        row("line-end bytes inside characters", Widen("a\n", big) + inside + Widen("b\nc\n", big), 1);
        row("a lone last byte", Widen("a\nb\nc", big) + "x", 1);
        row("many pieces", Widen(many, big), 50000);
    }
}

void TestPreview::utf16LineEnds()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(int, codeId);
    TTestTree tree;
    const QString path = tree.File("u.txt", content);
    const QList<QByteArray> all = AllLines(path, codeId);
    QVERIFY(!all.isEmpty());
    TPreviewReader reader;
    for (const int centre : {line, 0, line / 2, line, line + 1}) {
        const TPreviewReader::TResult read = reader.Read(path, codeId, centre - 10, centre + 10);
        QVERIFY2(SameAsWholeFile(read, all, qMax(0, centre - 10), centre + 10),
                 qPrintable(QStringLiteral("around line %1").arg(centre)));
    }
}

void TestPreview::knownLineStart_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint32>("codeId");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<qint64>("offsetShift"); // added to the true line start
    QTest::addColumn<bool>("near");          // read near the known start

    // 30,000 lines of mixed line ends, about 1.2 MB.
    QByteArray mixed;
    const char *ends[] = {"\n", "\r\n", "\r"};
    for (int i = 0; i < 30000; ++i)
        mixed += QByteArray("line ") + QByteArray::number(i) + " \x8c\x9f\x8d\xf5" + ends[i % 3];
    QTest::newRow("far line") << mixed << qint32(CodeId::ShiftJis) << qint64(29000) << qint64(0) << true;
    QTest::newRow("near the start") << mixed << qint32(CodeId::ShiftJis) << qint64(4) << qint64(0) << true;
    QTest::newRow("first line") << mixed << qint32(CodeId::ShiftJis) << qint64(0) << qint64(0) << true;
    QTest::newRow("not a line start") << mixed << qint32(CodeId::ShiftJis) << qint64(29000) << qint64(2) << false;
    QTest::newRow("inside a CR LF") << mixed << qint32(CodeId::ShiftJis) << qint64(29002) << qint64(-1) << false;
    QTest::newRow("past the end") << mixed << qint32(CodeId::ShiftJis) << qint64(29000) << qint64(1 << 30) << false;
    QByteArray utf8 = "\xEF\xBB\xBF";
    for (int i = 0; i < 20000; ++i)
        utf8 += QByteArray("\xe8\xa1\x8c ") + QByteArray::number(i) + "\n";
    QTest::newRow("UTF-8 with mark") << utf8 << qint32(CodeId::Utf8) << qint64(19990) << qint64(0) << true;
    QTest::newRow("UTF-8, second line") << utf8 << qint32(CodeId::Utf8) << qint64(1) << qint64(0) << true;
    // EUC-JP: a line end right after 0x8E may belong to a character.
    QByteArray euc;
    for (int i = 0; i < 20000; ++i)
        euc += QByteArray("\xb9\xd4 ") + QByteArray::number(i) + (i == 19995 ? "\x8e\n" : "\n");
    // UTF-16 in both byte orders, the line's start counted in units.
    for (const bool bigEndian : {false, true}) {
        QString text;
        for (int i = 0; i < 20000; ++i)
            text += QStringLiteral("行 %1").arg(i) + (i % 2 ? QStringLiteral("\r\n") : QStringLiteral("\n"));
        const QByteArray utf16 = (bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE"))
                                 + Encode(text, bigEndian ? "UTF-16BE" : "UTF-16LE");
        const qint32 id = bigEndian ? CodeId::Utf16Be : CodeId::Utf16Le;
        QTest::addRow("UTF-16 %s", bigEndian ? "BE" : "LE") << utf16 << id << qint64(19990) << qint64(0) << true;
        QTest::addRow("UTF-16 %s, half a unit off", bigEndian ? "BE" : "LE")
            << utf16 << id << qint64(19990) << qint64(1) << false;
    }
    // ISO-2022-JP: every line chooses its sets; or one choice at the start
    // that holds for every line, too far back to be read near the line.
    QByteArray iso;
    for (int i = 0; i < 20000; ++i)
        iso += "\x1B$B9T\x1B(B " + QByteArray::number(i) + (i % 2 ? " \x1B$B4A;z\x1B(B\n" : "\n");
    QTest::newRow("ISO-2022-JP") << iso << qint32(CodeId::Iso2022Jp) << qint64(19990) << qint64(0) << true;
    QTest::newRow("ISO-2022-JP, second line") << iso << qint32(CodeId::Iso2022Jp) << qint64(1) << qint64(0) << true;
    QByteArray isoOnce = "\x1B$B";
    for (int i = 0; i < 60000; ++i) // 420 KB: more than a piece
        isoOnce += "9T4A;z\n";
    QTest::newRow("ISO-2022-JP, one choice far back")
        << isoOnce << qint32(CodeId::Iso2022Jp) << qint64(59990) << qint64(0) << false;
    QTest::newRow("ISO-2022-JP, one choice at the start")
        << isoOnce << qint32(CodeId::Iso2022Jp) << qint64(5) << qint64(0) << true;
    QTest::newRow("EUC-JP") << euc << qint32(CodeId::EucJp) << qint64(19000) << qint64(0) << true;
    QTest::newRow("EUC-JP, 8E before a line end") << euc << qint32(CodeId::EucJp) << qint64(19999) << qint64(0)
                                                  << false;
}

void TestPreview::knownLineStart()
{
    // A line start the search saw: the lines around it are read from there,
    // the same lines as reading from the start, and a known start the bytes
    // do not bear out is not used.
    QFETCH(QByteArray, content);
    QFETCH(qint32, codeId);
    QFETCH(qint64, line);
    QFETCH(qint64, offsetShift);
    QFETCH(bool, near);
    TTestTree tree;
    const QString path = tree.File("a.txt", content);
    const QList<QByteArray> all = AllLines(path, codeId);
    QVERIFY(line < all.size());
    // The line's start, counted from the file's start, in bytes or units.
    const bool utf16 = codeId == CodeId::Utf16Le || codeId == CodeId::Utf16Be;
    const int unit = utf16 ? 2 : 1;
    const auto at = [&](qint64 i) -> int {
        if (i + unit > content.size())
            return -1;
        if (!utf16)
            return uchar(content[i]);
        const int a = uchar(content[i]), b = uchar(content[i + 1]);
        return codeId == CodeId::Utf16Be ? a << 8 | b : b << 8 | a;
    };
    qint64 start = utf16 ? 2 : content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (qint64 l = 0; l < line; ++l) {
        while (at(start) != '\n' && at(start) != '\r')
            start += unit;
        start += (at(start) == '\r' && at(start + unit) == '\n') ? 2 * unit : unit;
    }
    const qint64 first = qMax<qint64>(0, line - 10), last = line + 10;
    TPreviewReader reader;
    const TPreviewReader::TResult read = reader.Read(path, codeId, first, last, {line, start + offsetShift});
    QCOMPARE(read.State, TPreviewReader::TState::Read);
    QVERIFY(SameAsWholeFile(read, all, first, last));
    if (near) {
        QVERIFY2(reader.BytesRead() < 3 * TPreviewReader::PieceSize, qPrintable(QString::number(reader.BytesRead())));
        // Asked to go no further than the known start, it still reads.
        TPreviewReader again;
        TPreviewReader::TKnownLine only{line, start};
        only.Only = true;
        QVERIFY(SameAsWholeFile(again.Read(path, codeId, first, last, only), all, first, last));
    } else if (line > 1000) {
        TPreviewReader again;
        TPreviewReader::TKnownLine only{line, start + offsetShift};
        only.Only = true;
        QCOMPARE(again.Read(path, codeId, first, last, only).State, TPreviewReader::TState::Far);
    }
}

void TestPreview::boundedReading_data()
{
    QTest::addColumn<int>("earlier"); // a line read first by the same reader, -1 for none
    QTest::addColumn<int>("line");
    QTest::addColumn<qint64>("mostRead");

    const qint64 piece = TPreviewReader::PieceSize;
    const qint64 whole = qint64(200000) * 40 + 4;
    // A piece to find the first line, one for the lines, and the file's head.
    const qint64 twoPieces = 2 * piece + 4;
    QTest::newRow("near the start") << -1 << 30 << twoPieces;
    QTest::newRow("near the end, first time") << -1 << 199980 << whole + twoPieces;
    QTest::newRow("near the end again") << 199980 << 199960 << twoPieces + piece;
    QTest::newRow("back to the middle") << 199980 << 100000 << twoPieces + piece;
    QTest::newRow("on past a line read") << 100000 << 100400 << twoPieces + piece;
    QTest::newRow("last lines") << -1 << 199995 << whole + twoPieces;
}

void TestPreview::boundedReading()
{
    QFETCH(int, earlier);
    QFETCH(int, line);
    QFETCH(qint64, mostRead);
    // 200000 lines of 40 bytes: 8 MB.
    QByteArray content;
    content.reserve(200000 * 40);
    for (int i = 0; i < 200000; ++i)
        content += Filler(i);
    TTestTree tree;
    const QString path = tree.File("big.txt", content);
    TPreviewReader reader;
    if (earlier >= 0)
        reader.Read(path, CodeId::ShiftJis, earlier - 10, earlier + 10);
    const TPreviewReader::TResult read = reader.Read(path, CodeId::ShiftJis, line - 10, line + 10);
    QCOMPARE(read.Lines.size(), size_t(qMin(line + 10, 199999) - (line - 10) + 1));
    for (const TPreviewReader::TLine &l : read.Lines)
        QCOMPARE(l.Text + '\n', Filler(int(l.Index)));
    QVERIFY2(reader.BytesRead() <= mostRead, qPrintable(QString::number(reader.BytesRead())));
    // Never more than a piece and the lines kept.
    QVERIFY2(reader.BytesHeld() <= TPreviewReader::PieceSize + 21 * 40, qPrintable(QString::number(reader.BytesHeld())));
}

void TestPreview::longLine_data()
{
    QTest::addColumn<qsizetype>("column"); // 1-based, of the hit in a 3 MB line
    QTest::addColumn<bool>("shown");       // the hit is shown highlighted
    QTest::addColumn<bool>("startCut");    // the shown line starts with "…"

    QTest::newRow("near the line's start") << qsizetype(101) << true << false;
    QTest::newRow("inside the part kept") << qsizetype(500001) << true << true;
    QTest::newRow("beyond the part kept") << qsizetype(2900001) << false << false;
}

void TestPreview::longLine()
{
    QFETCH(qsizetype, column);
    QFETCH(bool, shown);
    QFETCH(bool, startCut);
    QByteArray line(3 << 20, 'a');
    line.replace(column - 1, 3, "HIT");
    TTestTree tree;
    const QString path = tree.File("long.txt", "before\n" + line + "\nafter\n");
    const std::vector<TGrepResult> hits = Search(path, QStringLiteral("HIT"));
    QCOMPARE(hits.size(), size_t(1));

    TPreviewReader reader;
    const TPreviewReader::TResult read = ReadFor(reader, hits.front());
    QCOMPARE(read.Lines.size(), size_t(3));
    QVERIFY(read.Lines[1].Cut);
    QCOMPARE(read.Lines[1].Text.size(), TPreviewReader::LineLimit);
    QVERIFY(reader.BytesHeld() <= TPreviewReader::LineLimit + 2 * TPreviewReader::PieceSize);

    const TPreviewText preview = TPreviewText::Make(hits.front(), read, QDateTime());
    QCOMPARE(preview.Status, TStatus::Shown);
    QCOMPARE(preview.HitRow, 1);
    const TPreviewText::TShownLine &hitLine = preview.Lines[1];
    QCOMPARE(hitLine.HitStart >= 0, shown);
    QCOMPARE(preview.Note.isEmpty(), shown);
    QVERIFY(hitLine.Text.size() <= TPreviewText::ShownBytes + 2 + 3);
    QVERIFY(hitLine.Text.endsWith(QStringLiteral("…")));
    QCOMPARE(hitLine.Text.startsWith(QStringLiteral("…")), startCut);
    if (shown)
        QCOMPARE(hitLine.Text.mid(hitLine.HitStart, hitLine.HitLength), QStringLiteral("HIT"));
}

void TestPreview::goneOrChanged_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<TStatus>("expect");
    QTest::addColumn<bool>("highlighted");

    QTest::newRow("unchanged") << "" << TStatus::Shown << true;
    QTest::newRow("deleted") << "delete" << TStatus::Missing << false;
    QTest::newRow("a folder in its place") << "folder" << TStatus::Unreadable << false;
    QTest::newRow("hit overwritten, time kept") << "overwrite" << TStatus::Changed << false;
    QTest::newRow("line inserted above") << "insert" << TStatus::Changed << false;
    QTest::newRow("shortened before the hit") << "shorten" << TStatus::Changed << false;
    QTest::newRow("written again, same text") << "touch" << TStatus::Updated << true;
}

void TestPreview::goneOrChanged()
{
    QFETCH(QString, change);
    QFETCH(TStatus, expect);
    QFETCH(bool, highlighted);

    QStringList lines;
    for (int i = 0; i < 30; ++i)
        lines.append(i == 12 ? QStringLiteral("ここに目印があります") : QStringLiteral("本文 %1").arg(i));
    TTestTree tree;
    const QString path = tree.File("a.txt", Sjis(lines.join(u'\n')));
    const QDateTime searchStart = QDateTime::currentDateTime();
    const auto setTime = [&](int seconds) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(searchStart.addSecs(seconds), QFileDevice::FileModificationTime));
    };
    setTime(-3600);
    const std::vector<TGrepResult> hits = Search(path, QStringLiteral("目印"));
    QCOMPARE(hits.size(), size_t(1));

    if (change == "delete" || change == "folder") {
        QVERIFY(QFile::remove(path));
        if (change == "folder")
            QVERIFY(QDir().mkdir(path));
    } else if (change == "overwrite") {
        lines[12] = QStringLiteral("ここに目録があります");
        tree.File("a.txt", Sjis(lines.join(u'\n')));
        setTime(-3600);
    } else if (change == "insert") {
        lines.insert(3, QStringLiteral("新しい行"));
        tree.File("a.txt", Sjis(lines.join(u'\n')));
    } else if (change == "shorten") {
        tree.File("a.txt", Sjis(lines.mid(0, 5).join(u'\n')));
    } else if (change == "touch") {
        setTime(60);
    }

    TPreviewReader reader;
    const TPreviewText preview = TPreviewText::Make(hits.front(), ReadFor(reader, hits.front()), searchStart);
    QCOMPARE(preview.Status, expect);
    QCOMPARE(preview.Note.isEmpty(), expect == TStatus::Shown);
    const bool anyHighlight = std::any_of(preview.Lines.begin(), preview.Lines.end(),
                                          [](const TPreviewText::TShownLine &l) { return l.HitStart >= 0; });
    QCOMPARE(anyHighlight, highlighted);
    if (expect == TStatus::Missing || expect == TStatus::Unreadable)
        QVERIFY(preview.Lines.empty());
    else if (change != "shorten")
        QCOMPARE(preview.Lines[size_t(preview.HitRow)].Number, qint64(13));
}

void TestPreview::nameThatIsNotUtf8()
{
    // 検索.txt with its name in Shift-JIS, as archives from Windows have it.
    TTestTree tree;
    const QByteArray content = Sjis(QStringLiteral("一行目\nここに目印\n三行目\n"));
    const QByteArray name = tree.NativeFile("\x8c\x9f\x8d\xf5.txt", content);
    const QString path = TNativePath::Decode(name);
    const std::vector<TGrepResult> hits = Search(path, QStringLiteral("目印"));
    QCOMPARE(hits.size(), size_t(1));
    TPreviewReader reader;
    const TPreviewReader::TResult read = ReadFor(reader, hits.front());
    QCOMPARE(read.State, TPreviewReader::TState::Read);
    QCOMPARE(read.Lines.size(), size_t(3));
    QCOMPARE(read.Lines[1].Text, Sjis(QStringLiteral("ここに目印")));
    QCOMPARE(read.FileSize, qint64(content.size()));
}

KESTU_TEST_CLASS(TestPreview)
#include "tst_preview.moc"
