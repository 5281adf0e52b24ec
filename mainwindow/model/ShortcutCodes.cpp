#include "ShortcutCodes.h"

#include <array>

namespace {

struct TKeyEntry
{
    Qt::Key Key = Qt::Key_unknown;
    bool Keypad = false;
    QString Name;
};

struct TNamedKey
{
    quint8 Vk;
    Qt::Key Key;
    bool Keypad;
    const char16_t *Name;
};

// Keys beyond letters, digits and function keys.
constexpr TNamedKey NamedKeys[] = {
    {0x08, Qt::Key_Backspace, false, u"BkSp"},
    {0x09, Qt::Key_Tab, false, u"Tab"},
    {0x0C, Qt::Key_Clear, false, u"Clear"},
    {0x0D, Qt::Key_Return, false, u"Enter"},
    {0x13, Qt::Key_Pause, false, u"Pause"},
    {0x14, Qt::Key_CapsLock, false, u"Caps Lock"},
    {0x1B, Qt::Key_Escape, false, u"Esc"},
    {0x1C, Qt::Key_Henkan, false, u"変換"},
    {0x1D, Qt::Key_Muhenkan, false, u"無変換"},
    {0x20, Qt::Key_Space, false, u"Space"},
    {0x21, Qt::Key_PageUp, false, u"PgUp"},
    {0x22, Qt::Key_PageDown, false, u"PgDn"},
    {0x23, Qt::Key_End, false, u"End"},
    {0x24, Qt::Key_Home, false, u"Home"},
    {0x25, Qt::Key_Left, false, u"Left"},
    {0x26, Qt::Key_Up, false, u"Up"},
    {0x27, Qt::Key_Right, false, u"Right"},
    {0x28, Qt::Key_Down, false, u"Down"},
    {0x2C, Qt::Key_Print, false, u"Print Screen"},
    {0x2D, Qt::Key_Insert, false, u"Ins"},
    {0x2E, Qt::Key_Delete, false, u"Del"},
    {0x2F, Qt::Key_Help, false, u"Help"},
    {0x5D, Qt::Key_Menu, false, u"Application"},
    {0x5F, Qt::Key_Sleep, false, u"Sleep"},
    {0x6A, Qt::Key_Asterisk, true, u"Num *"},
    {0x6B, Qt::Key_Plus, true, u"Num +"},
    {0x6D, Qt::Key_Minus, true, u"Num -"},
    {0x6E, Qt::Key_Period, true, u"Num ."},
    {0x6F, Qt::Key_Slash, true, u"Num /"},
    {0x90, Qt::Key_NumLock, false, u"Num Lock"},
    {0x91, Qt::Key_ScrollLock, false, u"Scroll Lock"},
    {0xA6, Qt::Key_Back, false, u"Browser Back"},
    {0xA7, Qt::Key_Forward, false, u"Browser Forward"},
    {0xA8, Qt::Key_Refresh, false, u"Browser Refresh"},
    {0xA9, Qt::Key_Stop, false, u"Browser Stop"},
    {0xAA, Qt::Key_Search, false, u"Browser Search"},
    {0xAB, Qt::Key_Favorites, false, u"Browser Favorites"},
    {0xAC, Qt::Key_HomePage, false, u"Browser Home"},
    {0xAD, Qt::Key_VolumeMute, false, u"Volume Mute"},
    {0xAE, Qt::Key_VolumeDown, false, u"Volume Down"},
    {0xAF, Qt::Key_VolumeUp, false, u"Volume Up"},
    {0xB0, Qt::Key_MediaNext, false, u"Next Track"},
    {0xB1, Qt::Key_MediaPrevious, false, u"Previous Track"},
    {0xB2, Qt::Key_MediaStop, false, u"Stop Media"},
    {0xB3, Qt::Key_MediaTogglePlayPause, false, u"Play/Pause Media"},
    {0xB4, Qt::Key_LaunchMail, false, u"Mail"},
    // Character keys of the Japanese keyboard.
    {0xBA, Qt::Key_Colon, false, u":"},
    {0xBB, Qt::Key_Semicolon, false, u";"},
    {0xBC, Qt::Key_Comma, false, u","},
    {0xBD, Qt::Key_Minus, false, u"-"},
    {0xBE, Qt::Key_Period, false, u"."},
    {0xBF, Qt::Key_Slash, false, u"/"},
    {0xC0, Qt::Key_At, false, u"@"},
    {0xDB, Qt::Key_BracketLeft, false, u"["},
    {0xDC, Qt::Key_Backslash, false, u"\\"},
    {0xDD, Qt::Key_BracketRight, false, u"]"},
    {0xDE, Qt::Key_AsciiCircum, false, u"^"},
    // The ろ key; Qt reports it as a backslash too, which maps back to 0xDC.
    {0xE2, Qt::Key_Backslash, false, u"\\"},
};

// Further Qt keys that stand for a key of the table.
struct TKeyAlias
{
    Qt::Key Key;
    quint8 Vk;
};
constexpr TKeyAlias KeyAliases[] = {
    {Qt::Key_Enter, 0x0D},
    {Qt::Key_Backtab, 0x09},
    {Qt::Key_MediaPlay, 0xB3},
    {Qt::Key_MediaPause, 0xB3},
    {Qt::Key_yen, 0xDC},
};

using TKeyTable = std::array<TKeyEntry, 256>;

TKeyTable BuildTable()
{
    TKeyTable table;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = TKeyEntry{Qt::Key(Qt::Key_A + (c - 'A')), false, QString(QChar(c))};
    for (int d = 0; d <= 9; ++d) {
        const QString digit(QChar(u'0' + d));
        table[0x30 + d] = TKeyEntry{Qt::Key(Qt::Key_0 + d), false, digit};
        table[0x60 + d] = TKeyEntry{Qt::Key(Qt::Key_0 + d), true, digit};
    }
    for (int f = 1; f <= 24; ++f)
        table[0x6F + f] = TKeyEntry{Qt::Key(Qt::Key_F1 + (f - 1)), false, QStringLiteral("F%1").arg(f)};
    for (const TNamedKey &named : NamedKeys)
        table[named.Vk] = TKeyEntry{named.Key, named.Keypad, QString::fromUtf16(named.Name)};
    return table;
}

const TKeyTable &Table()
{
    static const TKeyTable table = BuildTable();
    return table;
}

// Strips a modifier prefix from the front of text, ignoring letter case.
bool TakePrefix(QStringView &text, QStringView prefix)
{
    if (!text.startsWith(prefix, Qt::CaseInsensitive))
        return false;
    text = text.sliced(prefix.size());
    return true;
}

} // namespace

Qt::Key TShortcutCodes::KeyFromVk(quint8 vk, bool *keypad)
{
    const TKeyEntry &entry = Table()[vk];
    if (keypad)
        *keypad = entry.Keypad;
    return entry.Key;
}

quint8 TShortcutCodes::VkFromKey(Qt::Key key, bool keypad)
{
    if (key == Qt::Key_unknown || key == 0)
        return 0;
    const TKeyTable &table = Table();
    // The numeric pad's own entry first, then the key as the main block has it
    // (the pad's arrows, Home and Enter are the same keys as those there).
    for (const bool pad : {keypad, false}) {
        // Ascending order, so that a key listed twice gives its lower code.
        for (int vk = 1; vk < 256; ++vk) {
            if (table[vk].Key == key && table[vk].Keypad == pad)
                return quint8(vk);
        }
        if (!keypad)
            break;
    }
    for (const TKeyAlias &alias : KeyAliases) {
        if (alias.Key == key)
            return alias.Vk;
    }
    return 0;
}

QKeySequence TShortcutCodes::ToKeySequence(quint16 code)
{
    bool keypad = false;
    const Qt::Key key = KeyFromVk(quint8(code & 0xFF), &keypad);
    if (key == Qt::Key_unknown)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (code & ShiftBit)
        modifiers |= Qt::ShiftModifier;
    if (code & CtrlBit)
        modifiers |= Qt::ControlModifier;
    if (code & AltBit)
        modifiers |= Qt::AltModifier;
    if (keypad)
        modifiers |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(modifiers, key));
}

QList<QKeySequence> TShortcutCodes::ToKeySequences(quint16 code)
{
    const QKeySequence main = ToKeySequence(code);
    if (main.isEmpty())
        return {};
    QList<QKeySequence> sequences{main};
    if (main[0].key() == Qt::Key_Return)
        sequences.append(QKeySequence(QKeyCombination(main[0].keyboardModifiers(), Qt::Key_Enter)));
    return sequences;
}

quint16 TShortcutCodes::FromKeySequence(const QKeySequence &sequence)
{
    if (sequence.count() != 1)
        return 0;
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const Qt::KeyboardModifiers storable =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier;
    if (modifiers & ~storable)
        return 0;
    const quint8 vk = VkFromKey(combination.key(), modifiers.testFlag(Qt::KeypadModifier));
    if (vk == 0)
        return 0;
    quint16 code = vk;
    if (modifiers & Qt::ShiftModifier)
        code |= ShiftBit;
    if (modifiers & Qt::ControlModifier)
        code |= CtrlBit;
    if (modifiers & Qt::AltModifier)
        code |= AltBit;
    return code;
}

QString TShortcutCodes::KeyName(quint8 vk)
{
    return Table()[vk].Name;
}

QString TShortcutCodes::ToText(quint16 code)
{
    const QString name = KeyName(quint8(code & 0xFF));
    if (name.isEmpty())
        return {};
    QString text;
    if (code & ShiftBit)
        text += u"Shift+";
    if (code & CtrlBit)
        text += u"Ctrl+";
    if (code & AltBit)
        text += u"Alt+";
    return text + name;
}

quint16 TShortcutCodes::FromText(QStringView text)
{
    quint16 modifiers = 0;
    for (;;) {
        if (TakePrefix(text, u"Shift+"))
            modifiers |= ShiftBit;
        else if (TakePrefix(text, u"Ctrl+"))
            modifiers |= CtrlBit;
        else if (TakePrefix(text, u"Alt+"))
            modifiers |= AltBit;
        else
            break;
    }
    if (text.isEmpty())
        return 0;
    const TKeyTable &table = Table();
    // Ascending order: a digit names the main row's key, "\" the 0xDC key.
    for (int vk = 1; vk < 256; ++vk) {
        if (!table[vk].Name.isEmpty() && text.compare(table[vk].Name, Qt::CaseInsensitive) == 0)
            return quint16(modifiers | vk);
    }
    return 0;
}
