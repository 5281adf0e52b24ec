#pragma once
// Test texts are written in UTF-8 and turned into CP932 working text here.

#include "Cp932.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

inline QByteArray Sjis(const QString &text)
{
    QByteArray out;
    if (!TCp932::FromQString(text, out))
        qFatal("test text not representable in CP932");
    return out;
}
