#include "ResultRowPainter.h"

#include "CodePage.h"
#include "Cp932.h"
#include "PathText.h"
#include "ResultText.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
// Room kept free on each side of a cell's text.
constexpr int CellPadding = 5;
// The file column's text area ends this much before its cell does.
constexpr int FileColumnGap = 4;
// Thousands are grouped by three in the line and column cells.
constexpr int DigitGroup = 3;
}

TResultRowPainter::TResultRowPainter(const TResultDisplay &display, const QFont &font,
                                     const QPalette &palette)
    : Display(display), Font(font), Metrics(font), Palette(palette),
      PointOffset(PointSizeInPixels(font))
{
}

int TResultRowPainter::PointSizeInPixels(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return qRound(font.pointSizeF());
    // A font set by pixel height: its size in points at 96 dots per inch.
    return qRound(font.pixelSize() * 72.0 / 96.0);
}

void TResultRowPainter::Paint(QPainter &painter, const QRect &row, const TCells &cells,
                              TRowState state, const TGrepResult &record) const
{
    const TColours colours = ColoursFor(state);
    const TBand band{row.top(), row.top() + row.height()};

    painter.save();
    painter.setFont(Font);
    painter.fillRect(row, colours.Background);

    for (int column = 0; column < int(cells.size()); ++column) {
        if (!cells[column])
            continue;
        const TCell &cell = *cells[column];
        const int left = cell.Left + CellPadding;
        const int right = cell.Right - CellPadding;
        if (left >= right)
            continue;
        switch (column) {
        case 0:
            PaintFile(painter, cell, band, colours, record);
            break;
        case 1:
            PaintPosition(painter, left, right, band, colours, record);
            break;
        case 2:
            PaintRightAligned(painter, left, right, band, colours,
                              FormatThousands(record.Line + 1, DigitGroup));
            break;
        case 3:
            PaintRightAligned(painter, left, right, band, colours,
                              FormatThousands(record.Column, DigitGroup));
            break;
        case 4:
            DrawOpaque(painter, left, right, band, left, CodeDisplayName(record.CodeId),
                       colours.Text, colours.Background);
            break;
        }
    }
    painter.restore();
}

TResultRowPainter::TColours TResultRowPainter::ColoursFor(TRowState state) const
{
    // The active group throughout: a row's colours follow its selection and
    // the list's focus, not whether the window is the active one.
    switch (state) {
    case TRowState::SelectedFocus: {
        const QColor background = Palette.color(QPalette::Active, QPalette::Highlight);
        return {background, Palette.color(QPalette::Active, QPalette::HighlightedText),
                ReadableOn(background, Display.FindColorInverse, Display.FindColor),
                ReadableOn(background, Display.MarkColorInverse, Display.MarkColor)};
    }
    case TRowState::SelectedNoFocus: {
        const QColor background = Palette.color(QPalette::Active, QPalette::Button);
        return {background, Palette.color(QPalette::Active, QPalette::ButtonText),
                ReadableOn(background, Display.FindColorInverse, Display.FindColor),
                ReadableOn(background, Display.MarkColorInverse, Display.MarkColor)};
    }
    case TRowState::Normal:
        break;
    }
    return {Palette.color(QPalette::Active, QPalette::Base),
            Palette.color(QPalette::Active, QPalette::Text), Display.FindColor, Display.MarkColor};
}

double TResultRowPainter::Contrast(const QColor &a, const QColor &b)
{
    // Contrast ratio of relative luminances, from 1 (same) to 21 (black on white).
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TResultRowPainter::ReadableOn(const QColor &background, const QColor &preferred,
                                     const QColor &other)
{
    // Selected rows show the inverse colours, unless the selection's
    // background is so light (an unfocused list's grey, a light theme) that
    // the plain colour reads better on it.
    return Contrast(other, background) > Contrast(preferred, background) ? other : preferred;
}

void TResultRowPainter::DrawOpaque(QPainter &painter, int left, int right, const TBand &band, int x,
                                   const QString &text, const QColor &color,
                                   const QColor &background) const
{
    if (right <= left)
        return;
    const QRect rect(left, band.Top, right - left, band.Bottom - band.Top);
    painter.fillRect(rect, background);
    if (text.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(color);
    painter.drawText(QPoint(x, band.Top + Metrics.ascent()), text);
    painter.restore();
}

int TResultRowPainter::Width(const QString &text) const
{
    return Metrics.horizontalAdvance(text);
}

void TResultRowPainter::PaintFile(QPainter &painter, const TCell &cell, const TBand &band,
                                  const TColours &colours, const TGrepResult &record) const
{
    // The file column uses its whole cell on the left and stops a little short
    // of the cell's right edge.
    const int left = cell.Left;
    const int right = cell.Right - FileColumnGap;
    DrawOpaque(painter, left, right, band, left, FileText(record, right - left), colours.Text,
               colours.Background);
}

// The file's own name; a member of an archive goes by the archive's name
// and its path inside ("old.lzh{議事録/0412.txt}").
static QString NameOf(const TGrepResult &record)
{
    if (record.ArchiveEnd > 0 && record.ArchiveEnd < record.FileName.size())
        return FileNameOf(record.FileName.left(record.ArchiveEnd)) + record.FileName.mid(record.ArchiveEnd);
    return FileNameOf(record.FileName);
}

QString TResultRowPainter::FileText(const TGrepResult &record, int width) const
{
    const auto measure = [this](const QString &text) { return Width(text); };
    switch (Display.FType) {
    case 1: {
        // The path below the target, starting with the "/" that ends the
        // target folder; a file target shows "/" and its name.
        QString relative;
        if (Display.TargetBaseLength > 0)
            relative = record.FileName.mid(Display.TargetBaseLength - 1);
        else
            relative = QLatin1Char('/') + NameOf(record);
        return ShortenPath(ShownPath(relative), width, measure);
    }
    case 2:
        return ShortenPath(ShownPath(record.FileName), width, measure);
    default:
        return ShownPath(NameOf(record));
    }
}

void TResultRowPainter::PaintPosition(QPainter &painter, int left, int right, const TBand &band,
                                      const TColours &colours, const TGrepResult &record) const
{
    const QString before = TCp932::ToQString(record.BeforeText);
    const QString hit = TCp932::ToQString(record.HitText());
    const QString after = TCp932::ToQString(record.AfterText());
    const int beforeWidth = Width(before);
    const int hitWidth = Width(hit);
    const int afterWidth = Width(after);

    int offset;
    switch (Display.PAlign) {
    case 0:
        offset = PointOffset;
        break;
    case 2:
        offset = right - left - hitWidth - PointOffset;
        break;
    default:
        // Truncates toward zero; negative when the hit is wider than the cell.
        offset = (right - left - hitWidth) / 2;
        break;
    }

    // Every segment stays inside the inner cell, so nothing of this column
    // shows in the padding between cells or beyond the last column.
    const auto inCell = [left, right](int x) { return std::clamp(x, left, right); };
    const int hitX = left + offset;
    const int beforeX = hitX - beforeWidth;
    const int afterX = hitX + hitWidth;

    // The before text ends where the hit begins; its start is cut at the left.
    DrawOpaque(painter, left, inCell(hitX), band, beforeX, before, colours.Text, colours.Background);

    // The line-start mark ends where the before text begins, and only shows
    // when the whole before text does.
    if (record.AtLineStart && !Display.HeadString.isEmpty()) {
        const int head = std::max(left, beforeX);
        DrawOpaque(painter, left, inCell(head), band, head - Display.HeadWidth,
                   TCp932::ToQString(Display.HeadString), colours.Mark, colours.Background);
    }

    DrawOpaque(painter, inCell(hitX), inCell(afterX), band, hitX, hit, colours.Hit, colours.Background);
    DrawOpaque(painter, inCell(afterX), right, band, afterX, after, colours.Text, colours.Background);

    // The line-end mark follows the after text directly, and only when the
    // after text leaves room for it.
    if (record.AtLineEnd && !Display.EndString.isEmpty()) {
        const int end = std::min(right, afterX + afterWidth);
        DrawOpaque(painter, inCell(end), right, band, end, TCp932::ToQString(Display.EndString),
                   colours.Mark, colours.Background);
    }
}

void TResultRowPainter::PaintRightAligned(QPainter &painter, int left, int right, const TBand &band,
                                          const TColours &colours, const QString &text) const
{
    // A number wider than its cell (the user narrowed the column) loses its
    // left end: the last digits, which tell neighbouring lines apart, stay.
    DrawOpaque(painter, left, right, band, right - Width(text), text, colours.Text, colours.Background);
}

std::array<int, 3> TResultRowPainter::ValueColumnWidths(qint64 largestLine, qint64 largestColumn,
                                                        const std::vector<qint32> &codeIds) const
{
    QChar widestDigit = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (Width(QString(QChar(d))) > Width(QString(widestDigit)))
            widestDigit = QChar(d);
    auto numberWidth = [&](qint64 value) {
        QString text = FormatThousands(value, DigitGroup);
        for (QChar &c : text)
            if (c.isDigit())
                c = widestDigit;
        return Width(text) + 2 * CellPadding;
    };
    int codeWidth = 0;
    for (const qint32 id : codeIds)
        codeWidth = std::max(codeWidth, Width(CodeDisplayName(id)) + 2 * CellPadding);
    return {numberWidth(largestLine + 1), numberWidth(largestColumn), codeWidth};
}
