#pragma once
// Which command holds which key. A key given to two commands of one window
// would run neither, so each key has one holder: a list of shortcut codes,
// one per command in the window's order, is checked and settled here.

#include <QList>
#include <QtGlobal>

class TShortcutClaims
{
public:
    // Whether two codes press the same key (0 is no key and clashes with nothing).
    static bool Clash(quint16 a, quint16 b);
    // The codes with every later holder of an earlier command's key set to 0:
    // the first command in the list keeps the key.
    static QList<quint16> FirstKeeps(const QList<quint16> &codes);
    // The index of the command other than `skip` that holds the key of
    // `code`; -1 when there is none.
    static int Holder(const QList<quint16> &codes, quint16 code, int skip);
};
