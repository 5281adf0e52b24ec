#include "ShortcutClaims.h"

#include "ShortcutCodes.h"

bool TShortcutClaims::Clash(quint16 a, quint16 b)
{
    if (a == 0 || b == 0)
        return false;
    if (a == b)
        return true;
    // Two codes may name one key (a numeric pad digit and its digit key, or
    // bits outside the key): what counts is the sequences Qt would match.
    const QList<QKeySequence> first = TShortcutCodes::ToKeySequences(a);
    for (const QKeySequence &sequence : TShortcutCodes::ToKeySequences(b))
        if (!sequence.isEmpty() && first.contains(sequence))
            return true;
    return false;
}

QList<quint16> TShortcutClaims::FirstKeeps(const QList<quint16> &codes)
{
    QList<quint16> settled = codes;
    for (qsizetype i = 0; i < settled.size(); ++i)
        for (qsizetype j = 0; j < i; ++j)
            if (Clash(settled[j], settled[i])) {
                settled[i] = 0;
                break;
            }
    return settled;
}

int TShortcutClaims::Holder(const QList<quint16> &codes, quint16 code, int skip)
{
    for (qsizetype i = 0; i < codes.size(); ++i)
        if (i != skip && Clash(codes[i], code))
            return int(i);
    return -1;
}
