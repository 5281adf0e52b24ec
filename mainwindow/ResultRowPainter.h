#pragma once
// Paints one row of the result list from its hit record: the file, the text
// around the hit with the hit in its own colour and the line marks, the line,
// the column and the character code. Knows nothing of the view: it is given
// the row's rectangle and the x-range of each column's cell.

#include "GrepResult.h"
#include "ResultDisplay.h"
#include "WindowDefaults.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPalette>
#include <QRect>
#include <QString>

#include <array>
#include <vector>
#include <optional>

class QPainter;

class TResultRowPainter
{
public:
    enum class TRowState {
        Normal,          // not selected
        SelectedFocus,   // selected while the list has the keyboard focus
        SelectedNoFocus, // selected while the focus is elsewhere
    };

    // A column's cell from Left up to, not including, Right (viewport x).
    struct TCell
    {
        int Left = 0;
        int Right = 0;
    };
    // One entry per column; a column without bounds (hidden) is skipped.
    using TCells = std::array<std::optional<TCell>, TWindowDefaults::ColumnCount>;

    // The display values are read at every Paint(); font and palette are the
    // list's.
    TResultRowPainter(const TResultDisplay &display, const QFont &font, const QPalette &palette);

    void Paint(QPainter &painter, const QRect &row, const TCells &cells, TRowState state,
               const TGrepResult &record) const;

    // The cell width the line, column and code columns need to show the
    // largest line index, the largest column and every code given, whole.
    // A number is measured with its digits as wide as the font's widest
    // digit, so any smaller number fits too.
    std::array<int, 3> ValueColumnWidths(qint64 largestLine, qint64 largestColumn,
                                         const std::vector<qint32> &codeIds) const;

    // The font's size in points taken as a number of pixels: the gap the
    // position column keeps in front of a left-placed hit (9 for a 12-pixel
    // font at 96 dots per inch).
    static int PointSizeInPixels(const QFont &font);

    // The contrast ratio of two colours, 1 to 21.
    static double Contrast(const QColor &a, const QColor &b);
    // Of the two colours, the one that reads better on the background;
    // preferred when they read equally well.
    static QColor ReadableOn(const QColor &background, const QColor &preferred, const QColor &other);

private:
    struct TColours
    {
        QColor Background;
        QColor Text;
        QColor Hit;
        QColor Mark;
    };
    // The vertical extent of the row being painted.
    struct TBand
    {
        int Top;
        int Bottom;
    };

    TColours ColoursFor(TRowState state) const;
    // Fills (left, top, right, bottom) with the background and draws text at
    // x, top-aligned and clipped to that rectangle; nothing when right <= left.
    void DrawOpaque(QPainter &painter, int left, int right, const TBand &band, int x,
                    const QString &text, const QColor &color, const QColor &background) const;
    int Width(const QString &text) const;

    void PaintFile(QPainter &painter, const TCell &cell, const TBand &band, const TColours &colours,
                   const TGrepResult &record) const;
    void PaintPosition(QPainter &painter, int left, int right, const TBand &band,
                       const TColours &colours, const TGrepResult &record) const;
    void PaintRightAligned(QPainter &painter, int left, int right, const TBand &band,
                           const TColours &colours, const QString &text) const;
    QString FileText(const TGrepResult &record, int width) const;

    const TResultDisplay &Display;
    QFont Font;
    QFontMetrics Metrics;
    QPalette Palette;
    int PointOffset;
};
