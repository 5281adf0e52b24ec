#pragma once
// The values that decide how the result list shows its hits. The window owns
// one of these, fills it from the settings file and its view commands, and
// the list reads it at every painting.

#include "Cp932.h"
#include "WindowDefaults.h"

#include <QByteArray>
#include <QColor>
#include <QFontMetrics>

struct TResultDisplay
{
    // File column: 0 file name only, 1 path relative to the target, 2 full path.
    int FType = 0;
    // Where the hit sits in the position column: 0 left, 1 centre, 2 right.
    int PAlign = 1;

    // A colour as the settings file stores it (0x00BBGGRR).
    static QColor FromStored(quint32 value)
    {
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    }

    QColor FindColor = FromStored(TWindowDefaults::FindColor); // the hit's text
    QColor MarkColor = FromStored(TWindowDefaults::MarkColor); // the line-start and line-end marks
    // Their inverses, used on selected rows; set by ComputeInverses().
    QColor FindColorInverse = Inverse(FindColor);
    QColor MarkColorInverse = Inverse(MarkColor);

    // Marks drawn where the shown text begins or ends its line (CP932);
    // an empty mark is not drawn.
    QByteArray HeadString = QByteArray("\x84\xA0", 2); // "│"
    QByteArray EndString = QByteArray("\x81\xAB", 2);  // "↓"
    // Width of HeadString in the list's font, set by MeasureHeadWidth().
    int HeadWidth = 0;

    // Length in characters of the folder target, trailing "/" included, as it
    // was when the hits in the list were searched ("/a" and "/a/" both give
    // 3); 0 for a file target.
    qsizetype TargetBaseLength = 0;
    // The position column takes the width the other columns leave.
    bool AutoColumn = false;

    // Each of red, green and blue becomes 255 minus itself.
    static QColor Inverse(const QColor &color)
    {
        return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
    }

    // Called once after the colours have been read.
    void ComputeInverses()
    {
        FindColorInverse = Inverse(FindColor);
        MarkColorInverse = Inverse(MarkColor);
    }

    // Called once with the list's font; every row uses this width.
    void MeasureHeadWidth(const QFontMetrics &metrics)
    {
        HeadWidth = metrics.horizontalAdvance(TCp932::ToQString(HeadString));
    }
};
