#pragma once
// Test texts are written in UTF-8 and turned into CP932 working text here.

#include "Cp932.h"
#include "IconvConverter.h"

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

// A test text in another code, through iconv (code as iconv names it).
inline QByteArray Encode(const QString &text, const char *code)
{
    QByteArray out;
    TIconvConverter converter(code, "UTF-8", "");
    converter.Convert(text.toUtf8(), out);
    return out;
}
