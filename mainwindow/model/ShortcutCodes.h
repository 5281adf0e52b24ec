#pragma once
// Keyboard shortcuts as the settings file and the tool records store them:
// a 16-bit code whose low byte is a Windows virtual-key code, 0x2000 adding
// Shift, 0x4000 Ctrl and 0x8000 Alt; 0 means no shortcut. Keeping that form
// means a settings file keeps its meaning wherever it was written.
//
// One table maps virtual keys to Qt keys. Character keys outside letters and
// digits follow the Japanese 106/109 keyboard (0xBA ":", 0xBB ";",
// 0xC0 "@", 0xDE "^", 0xE2 the "\" of the ろ key).
//
// Text form: "Shift+", "Ctrl+", "Alt+" for the bits present, in this order,
// then the key's name ("A", "7", "F5", "Enter", "Esc", "PgDn", "Del", ...;
// numeric pad digits are named as digits).

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

class TShortcutCodes
{
public:
    static constexpr quint16 ShiftBit = 0x2000;
    static constexpr quint16 CtrlBit = 0x4000;
    static constexpr quint16 AltBit = 0x8000;

    // The Qt key of a virtual key; Qt::Key_unknown when the table has none.
    // Numeric pad digits (0x60..0x69) give Key_0..Key_9 and set *keypad.
    static Qt::Key KeyFromVk(quint8 vk, bool *keypad = nullptr);
    // The virtual key of a Qt key (keypad: the key came from the numeric
    // pad); 0 when the table has none. Key_Enter gives the Enter key's code
    // and Key_Backtab the Tab key's.
    static quint8 VkFromKey(Qt::Key key, bool keypad = false);

    // The key combination of a code; an empty sequence for 0 and for a key
    // the table does not know. Bits 0x0100..0x1F00 are not part of the key.
    static QKeySequence ToKeySequence(quint16 code);
    // As ToKeySequence, followed by the sequences that should trigger the
    // same command: the numeric pad's Enter for the Enter key.
    static QList<QKeySequence> ToKeySequences(quint16 code);
    // The code of a one-step sequence built from Shift, Ctrl, Alt and a key
    // of the table; 0 for an empty sequence, a sequence of several steps,
    // another modifier (Meta) or an unknown key.
    static quint16 FromKeySequence(const QKeySequence &sequence);

    // The text form; empty for 0 and for a key without a name.
    static QString ToText(quint16 code);
    // The inverse of ToText. Modifier prefixes may come in any order and
    // names are compared without regard to letter case; an empty text, or
    // one that names no key, gives 0.
    static quint16 FromText(QStringView text);

    // The name of a virtual key as the text form shows it; empty when none.
    static QString KeyName(quint8 vk);
};
