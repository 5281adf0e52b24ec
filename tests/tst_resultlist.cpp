#include "Cp932.h"
#include "HitStore.h"
#include "TestText.h"
#include "ResultDisplay.h"
#include "ResultListModel.h"
#include "ResultListView.h"
#include "ResultRowPainter.h"
#include "ResultText.h"
#include "CodePage.h"
#include "WindowDefaults.h"

#include "TestMain.h"

#include <QtTest>

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

using TRowState = TResultRowPainter::TRowState;
using TCell = TResultRowPainter::TCell;

namespace {

// The list's font. Without antialiasing every glyph pixel has exactly the
// pen's colour, so colours can be compared pixel by pixel.
QFont ListFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Colours that no two roles share, so each pixel tells who painted it.
QPalette ListPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(255, 255, 255));
    palette.setColor(QPalette::Text, QColor(0, 0, 0));
    palette.setColor(QPalette::Highlight, QColor(0, 0, 160));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 0));
    palette.setColor(QPalette::Button, QColor(212, 208, 200));
    palette.setColor(QPalette::ButtonText, QColor(0, 96, 0));
    return palette;
}

const QColor Unpainted(0, 255, 0);

TGrepResult Record(const QString &before, const QString &hit, const QString &after,
                   bool atLineStart = false, bool atLineEnd = false)
{
    TGrepResult record;
    record.FileName = QStringLiteral("/data/docs/memo.txt");
    record.BeforeText = Sjis(before);
    record.TextFromHit = Sjis(hit + after);
    record.HitLength = int(Sjis(hit).size());
    record.AtLineStart = atLineStart;
    record.AtLineEnd = atLineEnd;
    record.Line = 4;
    record.Column = int(record.BeforeText.size()) + 1;
    record.CodeId = 932;
    return record;
}

// The window's list holding these hits.
std::unique_ptr<THitStore> Store(std::vector<TGrepResult> hits)
{
    auto store = std::make_unique<THitStore>();
    store->Append(hits);
    return store;
}

// The pixels of one colour inside an area, in reading order.
QList<QPoint> Mask(const QImage &image, const QColor &color, int left, int right)
{
    QList<QPoint> points;
    const QRgb wanted = color.rgb();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = std::max(0, left); x < std::min(right, image.width()); ++x) {
            if (image.pixel(x, y) == wanted)
                points.append(QPoint(x, y));
        }
    }
    return points;
}

// A row painted with the default column widths 100/175/45/45/84.
class TRowImage
{
public:
    static constexpr int Width = 460; // a little room right of the last column
    static constexpr int Height = 16;

    TRowImage()
    {
        Display.MeasureHeadWidth(QFontMetrics(Font));
        int left = 0;
        for (int column = 0; column < TWindowDefaults::ColumnCount; ++column) {
            const int right = left + TWindowDefaults::ColumnWidths[size_t(column)];
            Cells[column] = TCell{left, right};
            left = right;
        }
    }

    // The inner edges of a column's cell.
    int InnerLeft(int column) const { return Cells[column]->Left + 5; }
    int InnerRight(int column) const { return Cells[column]->Right - 5; }
    int TextWidth(const QString &text) const { return QFontMetrics(Font).horizontalAdvance(text); }

    QImage Render(const TGrepResult &record, TRowState state = TRowState::Normal) const
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        image.fill(Unpainted);
        QPainter painter(&image);
        const int rowRight = Cells[4]->Right;
        TResultRowPainter(Display, Font, Palette)
            .Paint(painter, QRect(0, 0, rowRight, Height), Cells, state, record);
        return image;
    }

    // What text alone looks like, drawn in the row's font with its pen at x
    // and clipped to [left, right): black pixels on white.
    QList<QPoint> Reference(const QString &text, int x, int left, int right) const
    {
        QImage image(Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        if (right > left) {
            QPainter painter(&image);
            painter.setFont(Font);
            painter.setPen(Qt::black);
            painter.setClipRect(QRect(left, 0, right - left, Height));
            painter.drawText(QPoint(x, QFontMetrics(Font).ascent()), text);
        }
        return Mask(image, Qt::black, 0, Width);
    }

    TResultDisplay Display;
    QFont Font = ListFont();
    QPalette Palette = ListPalette();
    TResultRowPainter::TCells Cells;
};

// Counts the rows the view paints.
class TCountingListView : public TResultListView
{
public:
    using TResultListView::TResultListView;

    mutable int Painted = 0;
    mutable int FirstRow = INT_MAX;
    mutable int LastRow = -1;

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override
    {
        ++Painted;
        FirstRow = std::min(FirstRow, index.row());
        LastRow = std::max(LastRow, index.row());
        TResultListView::drawRow(painter, option, index);
    }
};

enum class TMark { None, Head, End };

} // namespace

Q_DECLARE_METATYPE(TMark)
Q_DECLARE_METATYPE(TRowState)

class TestResultList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lineMarks_data();
    void lineMarks();
    void hitPlacement_data();
    void hitPlacement();
    void wideHitCentred();
    void rowColours_data();
    void rowColours();
    void fileColumn_data();
    void fileColumn();
    void numberAndCodeCells();
    void numbersKeepTheirLastDigits_data();
    void numbersKeepTheirLastDigits();
    void codeNamesFitTheDefaultWidth();
    void valueColumnsGrowToFit();
    void selectedHitStaysReadable_data();
    void selectedHitStaysReadable();
    void numbersPastThirtyTwoBits();
    void rowCountBatches();
    void autoColumn_data();
    void autoColumn();
    void autoColumnFollowsWidthChanges();
    void autoColumnMakesRoomForScrollBar();
    void selectionFollowsFocus();
    void rowHeightFollowsFont_data();
    void rowHeightFollowsFont();
    void millionRowsPaintOnlyVisibleRows();
};

void TestResultList::initTestCase()
{
    const QString family = QFontInfo(ListFont()).family();
    QVERIFY2(ListFont().families().contains(family), qPrintable("no list font, got " + family));
}

void TestResultList::lineMarks_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("hit");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("atLineStart");
    QTest::addColumn<bool>("atLineEnd");
    QTest::addColumn<bool>("emptyMarks");
    QTest::addColumn<TMark>("expected");

    // Left-placed hits start 9 pixels (the font's point size) into the cell.
    QTest::newRow("hit at column 1: head ends at the gap") << 0 << "" << "検索" << "の後" << true << false << false << TMark::Head;
    QTest::newRow("short before text: head ends where it begins") << 0 << "i" << "検索" << "" << true << false << false << TMark::Head;
    QTest::newRow("before text cut off: no head") << 0 << "ずっと前から続く文" << "検索" << "" << true << false << false << TMark::None;
    QTest::newRow("not at line start: no head") << 0 << "" << "検索" << "" << false << false << false << TMark::None;
    QTest::newRow("empty head mark") << 0 << "" << "検索" << "" << true << false << true << TMark::None;
    QTest::newRow("end mark after the after text") << 0 << "" << "検索" << "の後" << false << true << false << TMark::End;
    QTest::newRow("end mark after the hit") << 0 << "" << "検索" << "" << false << true << false << TMark::End;
    QTest::newRow("after text reaches the edge: no end") << 0 << "" << "検索" << QString(20, u'後') << false << true << false << TMark::None;
    QTest::newRow("not at line end: no end") << 0 << "" << "検索" << "の後" << false << false << false << TMark::None;
    QTest::newRow("empty end mark") << 0 << "" << "検索" << "の後" << false << true << true << TMark::None;
    QTest::newRow("centred hit: head in front of the before text") << 1 << "前" << "検索" << "後" << true << false << false << TMark::Head;
}

void TestResultList::lineMarks()
{
    QFETCH(int, align);
    QFETCH(QString, before);
    QFETCH(QString, hit);
    QFETCH(QString, after);
    QFETCH(bool, atLineStart);
    QFETCH(bool, atLineEnd);
    QFETCH(bool, emptyMarks);
    QFETCH(TMark, expected);

    TRowImage row;
    row.Display.PAlign = align;
    if (emptyMarks) {
        row.Display.HeadString.clear();
        row.Display.EndString.clear();
    }
    const QImage image = row.Render(Record(before, hit, after, atLineStart, atLineEnd));
    const int left = row.InnerLeft(1);
    const int right = row.InnerRight(1);
    const QList<QPoint> marks = Mask(image, row.Display.MarkColor, 0, TRowImage::Width);

    // Where the hit's pen starts, as laid out for each placement.
    const int hitX = align == 0 ? left + 9 : left + (right - left - row.TextWidth(hit)) / 2;
    switch (expected) {
    case TMark::None:
        QVERIFY(marks.isEmpty());
        break;
    case TMark::Head: {
        // The mark's advance ends exactly where the before text begins.
        const int beforeX = hitX - row.TextWidth(before);
        const QList<QPoint> reference =
            row.Reference(u"│"_s, beforeX - row.Display.HeadWidth, left, beforeX);
        QVERIFY(!reference.isEmpty());
        QCOMPARE(marks, reference);
        break;
    }
    case TMark::End: {
        const int endX = hitX + row.TextWidth(hit) + row.TextWidth(after);
        const QList<QPoint> reference = row.Reference(u"↓"_s, endX, endX, right);
        QVERIFY(!reference.isEmpty());
        QCOMPARE(marks, reference);
        break;
    }
    }

    // Whatever the marks do, the before text never shows left of the inner
    // cell, and the hit starts at its place.
    QVERIFY(Mask(image, Qt::black, row.Cells[1]->Left, left).isEmpty());
    QCOMPARE(Mask(image, row.Display.FindColor, 0, TRowImage::Width),
             row.Reference(hit, hitX, std::max(left, hitX), hitX + row.TextWidth(hit)));
}

void TestResultList::hitPlacement_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<QString>("hit");

    QTest::newRow("left") << 0 << "ヒット";
    QTest::newRow("centre") << 1 << "ヒット";
    QTest::newRow("centre, odd room") << 1 << "ヒットi";
    QTest::newRow("right") << 2 << "ヒット";
    QTest::newRow("out-of-range alignment centres") << 7 << "ヒット";
}

void TestResultList::hitPlacement()
{
    QFETCH(int, align);
    QFETCH(QString, hit);

    TRowImage row;
    row.Display.PAlign = align;
    const int left = row.InnerLeft(1);
    const int right = row.InnerRight(1);
    const int width = row.TextWidth(hit);
    int expectedX = left + (right - left - width) / 2;
    if (align == 0)
        expectedX = left + 9;
    else if (align == 2)
        expectedX = right - width - 9;

    const QString before = u"前の文"_s;
    const QString after = u"後の文"_s;
    const QImage image = row.Render(Record(before, hit, after));
    QCOMPARE(Mask(image, row.Display.FindColor, 0, TRowImage::Width),
             row.Reference(hit, expectedX, expectedX, expectedX + width));
    // The before text ends where the hit begins, the after text follows it.
    QList<QPoint> expectedText = row.Reference(before, expectedX - row.TextWidth(before), left, expectedX)
                                 + row.Reference(after, expectedX + width, expectedX + width, right);
    std::sort(expectedText.begin(), expectedText.end(), [](const QPoint &a, const QPoint &b) {
        return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x());
    });
    QCOMPARE(Mask(image, Qt::black, row.Cells[1]->Left, row.Cells[1]->Right), expectedText);
}

void TestResultList::wideHitCentred()
{
    TRowImage row;
    row.Display.PAlign = 1;
    const QString hit(30, u'■');
    const int left = row.InnerLeft(1);
    const int right = row.InnerRight(1);
    QVERIFY(row.TextWidth(hit) > right - left);

    const QImage image = row.Render(Record(u"前の文"_s, hit, u"後の文"_s, true, true));
    const QList<QPoint> hitPixels = Mask(image, row.Display.FindColor, 0, TRowImage::Width);
    QVERIFY(!hitPixels.isEmpty());
    const auto [first, last] = std::minmax_element(
        hitPixels.begin(), hitPixels.end(), [](const QPoint &a, const QPoint &b) { return a.x() < b.x(); });
    // The hit starts left of the cell, is cut at its inner edges and fills it.
    QVERIFY(first->x() >= left && first->x() <= left + 2);
    QVERIFY(last->x() < right && last->x() >= right - 3);
    // No room for the context or the marks.
    QVERIFY(Mask(image, Qt::black, row.Cells[1]->Left, row.Cells[1]->Right).isEmpty());
    QVERIFY(Mask(image, row.Display.MarkColor, 0, TRowImage::Width).isEmpty());
}

void TestResultList::rowColours_data()
{
    QTest::addColumn<TRowState>("state");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("hit");
    QTest::addColumn<QColor>("mark");

    const QPalette palette = ListPalette();
    QTest::newRow("not selected") << TRowState::Normal << palette.color(QPalette::Base)
                                  << palette.color(QPalette::Text) << QColor(128, 0, 0)
                                  << QColor(192, 192, 192);
    QTest::newRow("selected with focus")
        << TRowState::SelectedFocus << palette.color(QPalette::Highlight)
        << palette.color(QPalette::HighlightedText) << QColor(127, 255, 255) << QColor(192, 192, 192);
    QTest::newRow("selected without focus")
        << TRowState::SelectedNoFocus << palette.color(QPalette::Button)
        << palette.color(QPalette::ButtonText) << QColor(128, 0, 0) << QColor(63, 63, 63);
}

void TestResultList::rowColours()
{
    QFETCH(TRowState, state);
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    QFETCH(QColor, hit);
    QFETCH(QColor, mark);

    TRowImage row;
    row.Display.ComputeInverses();
    const QImage image = row.Render(Record(u""_s, u"検索"_s, u"の後"_s, true, true), state);

    const int rowRight = row.Cells[4]->Right;
    const int painted = rowRight * TRowImage::Height;
    const int counted = Mask(image, background, 0, rowRight).size()
                        + Mask(image, text, 0, rowRight).size() + Mask(image, hit, 0, rowRight).size()
                        + Mask(image, mark, 0, rowRight).size();
    // Every pixel of the row is one of the state's four colours...
    QCOMPARE(counted, painted);
    // ...each of them is used...
    QVERIFY(!Mask(image, text, 0, rowRight).isEmpty());
    QVERIFY(!Mask(image, hit, 0, rowRight).isEmpty());
    QVERIFY(!Mask(image, mark, 0, rowRight).isEmpty());
    // ...and nothing is painted right of the last column.
    QCOMPARE(Mask(image, Unpainted, rowRight, TRowImage::Width).size(),
             (TRowImage::Width - rowRight) * TRowImage::Height);
}

void TestResultList::fileColumn_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("targetBaseLength");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("fitting"); // the column is made just wide enough for this
    QTest::addColumn<QString>("expected");

    QTest::newRow("name only") << 0 << 3 << "/a/sub/x.txt" << "" << "x.txt";
    QTest::newRow("relative to folder target") << 1 << 3 << "/a/sub/x.txt" << "" << "/sub/x.txt";
    QTest::newRow("relative to root target") << 1 << 1 << "/x.txt" << "" << "/x.txt";
    QTest::newRow("relative to file target") << 1 << 0 << "/a/x.txt" << "" << "/x.txt";
    QTest::newRow("target longer than the path") << 1 << 40 << "/a/x.txt" << "" << "";
    QTest::newRow("relative, shortened") << 1 << 3 << "/a/sub/deep/x.txt" << "/.../x.txt" << "/.../x.txt";
    QTest::newRow("full path") << 2 << 3 << "/a/b/c/x.txt" << "" << "/a/b/c/x.txt";
    QTest::newRow("full path, shortened") << 2 << 3 << "/a/b/c/x.txt" << "/.../c/x.txt" << "/.../c/x.txt";
    QTest::newRow("full path, narrower than the name") << 2 << 3 << "/a/b/c/long-name.txt" << "long" << "long-name.txt";
}

void TestResultList::fileColumn()
{
    QFETCH(int, type);
    QFETCH(int, targetBaseLength);
    QFETCH(QString, fileName);
    QFETCH(QString, fitting);
    QFETCH(QString, expected);

    TRowImage row;
    row.Display.FType = type;
    row.Display.TargetBaseLength = targetBaseLength;
    // The text area ends 4 pixels before the cell does.
    if (!fitting.isEmpty())
        row.Cells[0]->Right = row.TextWidth(fitting) + 4;
    TGrepResult record = Record(u""_s, u"x"_s, u""_s);
    record.FileName = fileName;

    const QImage image = row.Render(record);
    const int textRight = row.Cells[0]->Right - 4;
    QCOMPARE(Mask(image, Qt::black, 0, row.Cells[0]->Right), row.Reference(expected, 0, 0, textRight));
}

void TestResultList::numberAndCodeCells()
{
    TRowImage row;
    TGrepResult record = Record(u""_s, u"x"_s, u""_s);
    record.Line = 999;      // shown counted from 1
    record.Column = 2345;
    record.CodeId = -65001;
    const QImage image = row.Render(record);

    const auto rightAligned = [&row](int column, const QString &text) {
        const int right = row.InnerRight(column);
        return row.Reference(text, right - row.TextWidth(text), row.InnerLeft(column), right);
    };
    QCOMPARE(Mask(image, Qt::black, row.Cells[2]->Left, row.Cells[2]->Right),
             rightAligned(2, u"1,000"_s));
    QCOMPARE(Mask(image, Qt::black, row.Cells[3]->Left, row.Cells[3]->Right),
             rightAligned(3, u"2,345"_s));
    QCOMPARE(Mask(image, Qt::black, row.Cells[4]->Left, row.Cells[4]->Right),
             row.Reference(u"UTF8N"_s, row.InnerLeft(4), row.InnerLeft(4), row.InnerRight(4)));
}

void TestResultList::numbersKeepTheirLastDigits_data()
{
    QTest::addColumn<int>("line");   // shown counted from 1
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("width");  // of the line and column cells

    QTest::newRow("small numbers") << 8 << 3 << 45;
    QTest::newRow("hundreds of thousands") << 357142 << 357143 << 45;
    QTest::newRow("millions") << 12345677 << 9999999 << 45;
    QTest::newRow("narrow cells") << 99999 << 100000 << 30;
    QTest::newRow("wide cells") << 357142 << 357143 << 80;
}

void TestResultList::numbersKeepTheirLastDigits()
{
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(int, width);

    TRowImage row;
    // Columns 2 and 3 get the given width; those after them move along.
    int left = row.Cells[2]->Left;
    for (int c = 2; c < TWindowDefaults::ColumnCount; ++c) {
        const int w = c < 4 ? width : TWindowDefaults::ColumnWidths[size_t(c)];
        row.Cells[c] = TCell{left, left + w};
        left += w;
    }
    TGrepResult record = Record(u""_s, u"x"_s, u""_s);
    record.Line = line;
    record.Column = column;
    const QImage image = row.Render(record);

    const QFontMetrics metrics(row.Font);
    for (const auto &[cell, number] : {std::pair(2, qint64(line) + 1), std::pair(3, qint64(column))}) {
        const QString full = QLocale(QLocale::English, QLocale::UnitedStates).toString(number); // grouped by ","
        const int innerLeft = row.InnerLeft(cell), innerRight = row.InnerRight(cell);
        const QList<QPoint> painted = Mask(image, Qt::black, row.Cells[cell]->Left, row.Cells[cell]->Right);
        const auto rightAligned = [&](const QString &text) {
            return row.Reference(text, innerRight - row.TextWidth(text), innerLeft, innerRight);
        };
        // Too wide or not, the number is drawn whole, right-aligned, and
        // clipped at the cell: a cut takes the leading digits, never the last.
        QCOMPARE(painted, rightAligned(full));
        QVERIFY(!painted.isEmpty());
    }
}

void TestResultList::codeNamesFitTheDefaultWidth()
{
    // Every code name the list can show fits the code column's default cell.
    TRowImage row;
    for (const qint32 id : {CodeId::ShiftJis, CodeId::EucJp, CodeId::Iso2022Jp, CodeId::Utf7, CodeId::Utf8,
                            CodeId::Utf8N, CodeId::Utf16Le, CodeId::Utf16Be, CodeId::Utf16LeN,
                            CodeId::Utf16BeN, CodeId::Unicode}) {
        const QString name = CodeDisplayName(id);
        QVERIFY2(row.TextWidth(name) <= row.InnerRight(4) - row.InnerLeft(4),
                 qPrintable(QStringLiteral("%1 is %2 pixels wide").arg(name).arg(row.TextWidth(name))));
    }
}

void TestResultList::valueColumnsGrowToFit()
{
    // The last hits of a file of four million lines, arriving in batches.
    std::vector<TGrepResult> hits(3, Record(u""_s, u"x"_s, u""_s));
    hits[0].Line = 8;
    hits[1].Line = 3999998;
    hits[1].Column = 12;
    hits[2].Line = 3999999;
    hits[2].Column = 1234567;
    hits[2].CodeId = CodeId::Iso2022Jp;
    THitStore store;
    TResultDisplay display;
    TResultListView view(store, display);
    view.setFont(ListFont());
    const QFontMetrics metrics(view.font());
    const auto fits = [&](int column, const QString &text) {
        return metrics.horizontalAdvance(text) <= view.columnWidth(column) - 10;
    };

    std::vector<TGrepResult> first{hits[0]};
    store.Append(first);
    view.SetRowCount(store.Size());
    // Small numbers keep the default widths.
    for (int column = 2; column < TWindowDefaults::ColumnCount; ++column)
        QCOMPARE(view.columnWidth(column), TWindowDefaults::ColumnWidths[size_t(column)]);

    std::vector<TGrepResult> rest{hits[1], hits[2]};
    store.Append(rest);
    view.SetRowCount(store.Size());
    QVERIFY(fits(2, u"4,000,000"_s));
    QVERIFY(fits(3, u"1,234,567"_s));
    QVERIFY(fits(4, u"ISO-2022-JP"_s));
    // Any line number with as many digits fits too.
    QVERIFY(fits(2, u"8,888,888"_s) || metrics.horizontalAdvance(u"8,888,888"_s) <= metrics.horizontalAdvance(u"4,000,000"_s));

    // A width the user narrows stays narrow until a wider number arrives.
    view.setColumnWidth(2, 40);
    std::vector<TGrepResult> same{hits[1]};
    store.Append(same);
    view.SetRowCount(store.Size());
    QCOMPARE(view.columnWidth(2), 40);
    std::vector<TGrepResult> wider{hits[2]};
    wider[0].Line = 123456788;
    store.Append(wider);
    view.SetRowCount(store.Size());
    QVERIFY(fits(2, u"123,456,789"_s));

    // A new search starts from the widths it finds; they never shrink.
    const int grown = view.columnWidth(2);
    view.ClearRows();
    store.Clear();
    std::vector<TGrepResult> small{hits[0]};
    store.Append(small);
    view.SetRowCount(store.Size());
    QCOMPARE(view.columnWidth(2), grown);
}

void TestResultList::selectedHitStaysReadable_data()
{
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("findColor");

    const QList<std::pair<const char *, QColor>> backgrounds{
        {"grey of an unfocused list", QColor(239, 239, 239)},
        {"classic button face", QColor(212, 208, 200)},
        {"pale selection", QColor(204, 232, 255)},
        {"navy selection", QColor(0, 0, 160)},
        {"blue selection", QColor(48, 140, 198)},
        {"dark theme", QColor(53, 53, 53)},
    };
    const QList<std::pair<const char *, QColor>> colours{
        {"maroon", QColor(128, 0, 0)}, {"red", QColor(255, 0, 0)}, {"navy", QColor(0, 0, 128)}};
    for (const auto &[bgName, bg] : backgrounds) {
        for (const auto &[colourName, colour] : colours)
            QTest::addRow("%s, %s", bgName, colourName) << bg << colour;
    }
}

void TestResultList::selectedHitStaysReadable()
{
    QFETCH(QColor, background);
    QFETCH(QColor, findColor);

    for (const TRowState state : {TRowState::SelectedFocus, TRowState::SelectedNoFocus}) {
        TRowImage row;
        row.Palette.setColor(QPalette::Highlight, background);
        row.Palette.setColor(QPalette::Button, background);
        row.Display.FindColor = findColor;
        row.Display.ComputeInverses();
        const QImage image = row.Render(Record(u"前"_s, u"検索"_s, u"後"_s), state);

        // The hit is painted in whichever of its colour and the inverse
        // reads better on the selection.
        const QColor inverse = row.Display.FindColorInverse;
        const double plain = TResultRowPainter::Contrast(findColor, background);
        const double inverted = TResultRowPainter::Contrast(inverse, background);
        const QColor expected = plain > inverted ? findColor : inverse;
        const int left = row.Cells[1]->Left, right = row.Cells[1]->Right;
        QVERIFY(!Mask(image, expected, left, right).isEmpty());
        QVERIFY(std::max(plain, inverted) >= 2.5);
        if (expected != inverse)
            QVERIFY(Mask(image, inverse, left, right).isEmpty());
    }
}

void TestResultList::numbersPastThirtyTwoBits()
{
    std::vector<TGrepResult> hits(1, Record(u""_s, u"x"_s, u""_s));
    hits[0].Line = 4999999999; // shown counted from 1
    hits[0].Column = 3000000001;
    const auto store = Store(hits);
    TResultListModel model(*store);
    model.SetRowCount(1);
    QCOMPARE(model.data(model.index(0, 2)).toString(), u"5,000,000,000"_s);
    QCOMPARE(model.data(model.index(0, 3)).toString(), u"3,000,000,001"_s);
}

void TestResultList::rowCountBatches()
{
    const auto store = Store(std::vector<TGrepResult>(10, Record(u""_s, u"x"_s, u""_s)));
    TResultListModel model(*store);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    const auto range = [](const QList<QVariant> &signal) {
        return std::pair(signal.at(1).toInt(), signal.at(2).toInt());
    };

    model.SetRowCount(3);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(range(inserted.takeFirst()), std::pair(0, 2));
    model.SetRowCount(8);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(range(inserted.takeFirst()), std::pair(3, 7));
    QCOMPARE(model.rowCount(), 8);

    // The same count again changes nothing; more rows than records are not shown.
    model.SetRowCount(8);
    QCOMPARE(inserted.size(), 0);
    model.SetRowCount(50);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(range(inserted.takeFirst()), std::pair(8, 9));
    QCOMPARE(model.rowCount(), 10);

    model.ClearRows();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(range(removed.takeFirst()), std::pair(0, 9));
    model.ClearRows();
    QCOMPARE(removed.size(), 0);
}

void TestResultList::autoColumn_data()
{
    QTest::addColumn<bool>("autoColumn");
    QTest::addColumn<int>("clientWidth");
    QTest::addColumn<int>("expected");

    QTest::newRow("on") << true << 440 << 165;
    QTest::newRow("on, wider") << true << 640 << 365;
    QTest::newRow("on, narrower than the others") << true << 200 << 0;
    QTest::newRow("off keeps the width") << false << 440 << 175;
}

void TestResultList::autoColumn()
{
    QFETCH(bool, autoColumn);
    QFETCH(int, clientWidth);
    QFETCH(int, expected);

    THitStore hits;
    TResultDisplay display;
    display.AutoColumn = autoColumn;
    TResultListView view(hits, display);
    view.resize(clientWidth, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(view.viewport()->width(), clientWidth);

    QCOMPARE(view.columnWidth(1), expected);
    QCOMPARE(view.horizontalScrollBarPolicy(),
             autoColumn ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void TestResultList::autoColumnFollowsWidthChanges()
{
    THitStore hits;
    TResultDisplay display;
    display.AutoColumn = true;
    TResultListView view(hits, display);
    view.resize(440, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(view.columnWidth(1), 165);

    // Another column changes: the position column takes what is left.
    view.setColumnWidth(0, 150);
    QCOMPARE(view.columnWidth(1), 115);
    // The position column itself cannot leave the rest unfilled.
    view.setColumnWidth(1, 60);
    QCOMPARE(view.columnWidth(1), 115);
    // The list grows.
    view.resize(540, 300);
    QTRY_COMPARE(view.columnWidth(1), 215);

    // Turned off: the width stays, the user may change it, the scroll bar may show.
    display.AutoColumn = false;
    view.ListViewResultResize();
    QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    view.setColumnWidth(1, 600);
    QCOMPARE(view.columnWidth(1), 600);
    QTRY_VERIFY(view.horizontalScrollBar()->isVisible());

    // On again: refitted at once.
    display.AutoColumn = true;
    view.ListViewResultResize();
    QTRY_VERIFY(!view.horizontalScrollBar()->isVisible());
    QCOMPARE(view.columnWidth(1), view.viewport()->width() - 150 - 45 - 45 - 84 - 1);
}

void TestResultList::autoColumnMakesRoomForScrollBar()
{
    // Enough hits for the vertical scroll bar, which narrows only the
    // viewport: the last column must still end inside it.
    std::vector<TGrepResult> hits(200, Record(u""_s, u"検索"_s, u""_s));
    for (TGrepResult &hit : hits)
        hit.CodeId = CodeId::Iso2022Jp;
    THitStore store;
    TResultDisplay display;
    display.AutoColumn = true;
    TResultListView view(store, display);
    view.resize(440, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(view.viewport()->width(), 440);

    // The first hit is shown before the rest arrive, as in a search.
    std::vector<TGrepResult> first{hits.back()};
    hits.pop_back();
    store.Append(first);
    view.SetRowCount(store.Size());
    view.grab();
    QVERIFY(!view.verticalScrollBar()->isVisible());
    store.Append(hits);
    view.SetRowCount(store.Size());
    QTRY_VERIFY(view.verticalScrollBar()->isVisible());
    const int last = TWindowDefaults::ColumnCount - 1;
    QTRY_COMPARE(view.columnViewportPosition(last) + view.columnWidth(last), view.viewport()->width() - 1);
    QVERIFY(!view.horizontalScrollBar()->isVisible());
}

void TestResultList::selectionFollowsFocus()
{
    std::vector<TGrepResult> hits(3, Record(u""_s, u"検索"_s, u"の後"_s));
    TResultDisplay display;
    display.ComputeInverses();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    const auto store = Store(hits);
    auto *view = new TCountingListView(*store, display);
    auto *edit = new QLineEdit;
    layout->addWidget(view);
    layout->addWidget(edit);
    view->setFont(ListFont());
    view->setPalette(ListPalette());
    display.MeasureHeadWidth(QFontMetrics(view->font()));
    view->SetRowCount(qsizetype(hits.size()));
    window.resize(500, 300);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy selections(view, &TResultListView::SelectItem);
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(selections.size(), 1);
    QCOMPARE(selections.takeFirst(), (QList<QVariant>{1, true}));
    QCOMPARE(view->SelectedRow(), 1);

    // A point of row 1 in the code column, right of its text.
    const QRect rowRect = view->visualRect(view->model()->index(1, 4));
    const QPoint blank(rowRect.right() - 2, rowRect.bottom());
    // The colour of that point, and whether row 1 shows its hit in the given colour.
    const auto colours = [&](const QColor &hit = QColor()) {
        const QImage image = view->viewport()->grab().toImage();
        const QImage row = image.copy(0, rowRect.top(), image.width(), rowRect.height());
        return std::pair(QColor(image.pixel(blank)), hit.isValid() && !Mask(row, hit, 0, row.width()).isEmpty());
    };
    QCOMPARE(colours(display.FindColorInverse), std::pair(QColor(0, 0, 160), true));

    // Losing the focus repaints the list by itself.
    QTRY_VERIFY(view->Painted > 0);
    view->Painted = 0;
    edit->setFocus();
    QTRY_VERIFY(!view->hasFocus());
    QTRY_VERIFY(view->Painted > 0);
    // Without the focus the selection turns light grey, and the hit takes
    // its own dark colour, which reads on it, instead of the light inverse.
    QCOMPARE(colours(display.FindColor), std::pair(QColor(212, 208, 200), true));
    QCOMPARE(colours(display.FindColorInverse).second, false);

    view->selectionModel()->select(view->model()->index(2, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(selections.size(), 2);
    QCOMPARE(selections.at(0), (QList<QVariant>{1, false}));
    QCOMPARE(selections.at(1), (QList<QVariant>{2, true}));
    selections.clear();
    view->clearSelection();
    QCOMPARE(selections.size(), 1);
    QCOMPARE(selections.takeFirst(), (QList<QVariant>{2, false}));
    QCOMPARE(view->SelectedRow(), -1);
    QCOMPARE(colours().first, QColor(255, 255, 255));
}

void TestResultList::rowHeightFollowsFont_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("list font") << 12;
    QTest::newRow("large font") << 40;
}

void TestResultList::rowHeightFollowsFont()
{
    QFETCH(int, pixelSize);

    const auto store = Store(std::vector<TGrepResult>(5, Record(u""_s, u"検索"_s, u""_s)));
    TResultDisplay display;
    TResultListView view(*store, display);
    view.SetRowCount(5);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QFont font = ListFont();
    font.setPixelSize(pixelSize);
    view.setFont(font);

    // Every row is tall enough for its text, and all rows are equally tall.
    const QFontMetrics metrics(font);
    QTRY_VERIFY(view.visualRect(view.model()->index(0, 0)).height() >= metrics.height());
    const int height = view.visualRect(view.model()->index(0, 0)).height();
    QVERIFY(height < 2 * metrics.height());
    QCOMPARE(view.visualRect(view.model()->index(4, 0)).height(), height);
    QCOMPARE(view.visualRect(view.model()->index(4, 0)).top(), 4 * height);
}

void TestResultList::millionRowsPaintOnlyVisibleRows()
{
    constexpr int Rows = 1'000'000;
    const auto store = Store(std::vector<TGrepResult>(Rows, Record(u"前の文"_s, u"検索"_s, u"後の文"_s, true, true)));
    TResultDisplay display;
    TCountingListView view(*store, display);
    view.setFont(ListFont());
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    view.SetRowCount(Rows);
    QCOMPARE(view.RowCount(), Rows);
    const int rowHeight = view.visualRect(view.model()->index(0, 0)).height();
    QVERIFY(rowHeight > 0);
    const int visibleRows = (view.viewport()->height() + rowHeight - 1) / rowHeight + 1;

    for (int page = 0; page < 3; ++page) {
        view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        view.Painted = 0;
        view.viewport()->repaint();
        QVERIFY(view.Painted > 0);
        QVERIFY(view.Painted <= visibleRows);
    }

    view.scrollToBottom();
    view.Painted = 0;
    view.FirstRow = INT_MAX;
    view.LastRow = -1;
    view.viewport()->repaint();
    QVERIFY(view.Painted > 0);
    QVERIFY2(view.Painted <= visibleRows, qPrintable(QString::number(view.Painted)));
    QCOMPARE(view.LastRow, Rows - 1);
    QCOMPARE(view.LastRow - view.FirstRow + 1, view.Painted);
}

KESTU_TEST_CLASS(TestResultList)
#include "tst_resultlist.moc"
