#pragma once
// Colour values as the settings file keeps them, and their text form.
//
// A value is 32 bits: 0x00BBGGRR for a plain colour (red in the low byte),
// 0x80000000 plus an index 0..24 for one of the desktop's colours (window
// background, highlight, button face, ...), 0x1FFFFFFF for "none". The
// numbers are kept as they are, so a file keeps its meaning; only ToQColor
// turns them into what the screen shows.
//
// Text form: one of 42 names ("clBlack" ... "clWhite", the 25 desktop colours
// "clScrollBar" ... "clInfoBk", "clNone") when the value has one, otherwise
// "$" and eight upper-case hexadecimal digits.

#include <QColor>
#include <QPalette>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

class TColorNames
{
public:
    static constexpr quint32 SystemColorBase = 0x80000000u;
    static constexpr quint32 SystemColorCount = 25;
    static constexpr quint32 None = 0x1FFFFFFFu;

    // The name of the first table entry with this value, or "$XXXXXXXX".
    static QString ToText(quint32 value);
    // A name from the table (letter case ignored) or an integer in any form
    // TIniFile::ParseInteger takes, as its 32-bit pattern; nothing for any
    // other text.
    static std::optional<quint32> FromText(QStringView text);

    // The table's name of a value, empty when it has none.
    static QString NameOf(quint32 value);
    // The value of a name (letter case ignored).
    static std::optional<quint32> ValueOf(QStringView name);

    // The colour to draw with. Plain values use their low three bytes;
    // desktop colours come from the palette where it has a matching role
    // (window, text, highlight, button, tooltip, ...) and otherwise from a
    // fixed shade; an index beyond the 25 gives black; "none" is transparent.
    // Any other value uses its low three bytes.
    static QColor ToQColor(quint32 value, const QPalette &palette);
    // The plain value of a colour (alpha dropped).
    static quint32 FromQColor(const QColor &color);
};
