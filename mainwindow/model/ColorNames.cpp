#include "ColorNames.h"

#include "IniFile.h"

namespace {

struct TNamedColor
{
    const char16_t *Name;
    quint32 Value;
};

constexpr quint32 Sys = TColorNames::SystemColorBase;

// Looked up front to back: a value's name is its first entry.
constexpr TNamedColor NamedColors[] = {
    {u"clBlack", 0x000000},
    {u"clMaroon", 0x000080},
    {u"clGreen", 0x008000},
    {u"clOlive", 0x008080},
    {u"clNavy", 0x800000},
    {u"clPurple", 0x800080},
    {u"clTeal", 0x808000},
    {u"clGray", 0x808080},
    {u"clSilver", 0xC0C0C0},
    {u"clRed", 0x0000FF},
    {u"clLime", 0x00FF00},
    {u"clYellow", 0x00FFFF},
    {u"clBlue", 0xFF0000},
    {u"clFuchsia", 0xFF00FF},
    {u"clAqua", 0xFFFF00},
    {u"clWhite", 0xFFFFFF},
    {u"clScrollBar", Sys + 0},
    {u"clBackground", Sys + 1},
    {u"clActiveCaption", Sys + 2},
    {u"clInactiveCaption", Sys + 3},
    {u"clMenu", Sys + 4},
    {u"clWindow", Sys + 5},
    {u"clWindowFrame", Sys + 6},
    {u"clMenuText", Sys + 7},
    {u"clWindowText", Sys + 8},
    {u"clCaptionText", Sys + 9},
    {u"clActiveBorder", Sys + 10},
    {u"clInactiveBorder", Sys + 11},
    {u"clAppWorkSpace", Sys + 12},
    {u"clHighlight", Sys + 13},
    {u"clHighlightText", Sys + 14},
    {u"clBtnFace", Sys + 15},
    {u"clBtnShadow", Sys + 16},
    {u"clGrayText", Sys + 17},
    {u"clBtnText", Sys + 18},
    {u"clInactiveCaptionText", Sys + 19},
    {u"clBtnHighlight", Sys + 20},
    {u"cl3DDkShadow", Sys + 21},
    {u"cl3DLight", Sys + 22},
    {u"clInfoText", Sys + 23},
    {u"clInfoBk", Sys + 24},
    {u"clNone", TColorNames::None},
};

// Where a desktop colour comes from: a palette role, or a fixed shade for the
// parts of a desktop (captions, borders) that the palette does not describe.
struct TSystemColor
{
    bool FromPalette;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
    QRgb Fixed;
};

constexpr QPalette::ColorGroup Cur = QPalette::Current;

constexpr TSystemColor SystemColors[TColorNames::SystemColorCount] = {
    {false, Cur, QPalette::NoRole, qRgb(200, 200, 200)},       // scroll bar
    {false, Cur, QPalette::NoRole, qRgb(0, 0, 0)},             // desktop
    {true, Cur, QPalette::Highlight, 0},                       // active caption
    {false, Cur, QPalette::NoRole, qRgb(191, 205, 219)},       // inactive caption
    {true, Cur, QPalette::Window, 0},                          // menu
    {true, Cur, QPalette::Base, 0},                            // window
    {false, Cur, QPalette::NoRole, qRgb(100, 100, 100)},       // window frame
    {true, Cur, QPalette::WindowText, 0},                      // menu text
    {true, Cur, QPalette::Text, 0},                            // window text
    {true, Cur, QPalette::HighlightedText, 0},                 // caption text
    {false, Cur, QPalette::NoRole, qRgb(180, 180, 180)},       // active border
    {false, Cur, QPalette::NoRole, qRgb(244, 247, 252)},       // inactive border
    {false, Cur, QPalette::NoRole, qRgb(171, 171, 171)},       // application workspace
    {true, Cur, QPalette::Highlight, 0},                       // highlight
    {true, Cur, QPalette::HighlightedText, 0},                 // highlighted text
    {true, Cur, QPalette::Button, 0},                          // button face
    {true, Cur, QPalette::Dark, 0},                            // button shadow
    {true, QPalette::Disabled, QPalette::Text, 0},             // grey text
    {true, Cur, QPalette::ButtonText, 0},                      // button text
    {false, Cur, QPalette::NoRole, qRgb(0, 0, 0)},             // inactive caption text
    {true, Cur, QPalette::Light, 0},                           // button highlight
    {true, Cur, QPalette::Shadow, 0},                          // 3D dark shadow
    {true, Cur, QPalette::Midlight, 0},                        // 3D light
    {true, Cur, QPalette::ToolTipText, 0},                     // tooltip text
    {true, Cur, QPalette::ToolTipBase, 0},                     // tooltip background
};

QColor FromBgr(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace

QString TColorNames::NameOf(quint32 value)
{
    for (const TNamedColor &named : NamedColors) {
        if (named.Value == value)
            return QString::fromUtf16(named.Name);
    }
    return {};
}

std::optional<quint32> TColorNames::ValueOf(QStringView name)
{
    for (const TNamedColor &named : NamedColors) {
        if (name.compare(QStringView(named.Name), Qt::CaseInsensitive) == 0)
            return named.Value;
    }
    return std::nullopt;
}

QString TColorNames::ToText(quint32 value)
{
    const QString name = NameOf(value);
    if (!name.isEmpty())
        return name;
    return u'$' + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<quint32> TColorNames::FromText(QStringView text)
{
    if (const std::optional<quint32> named = ValueOf(text))
        return named;
    if (const std::optional<int> number = TIniFile::ParseInteger(text))
        return quint32(*number);
    return std::nullopt;
}

QColor TColorNames::ToQColor(quint32 value, const QPalette &palette)
{
    if (value == None)
        return QColor(Qt::transparent);
    if (value & SystemColorBase) {
        const quint32 index = value & 0xFF;
        if (index >= SystemColorCount)
            return QColor(Qt::black);
        const TSystemColor &system = SystemColors[index];
        if (!system.FromPalette)
            return QColor(system.Fixed);
        return palette.color(system.Group, system.Role);
    }
    return FromBgr(value);
}

quint32 TColorNames::FromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}
