#pragma once
// A hit as one JSON object on one line, the form kestu-grep --json prints
// and the window saves as JSON Lines.

#include "GrepResult.h"

#include <QByteArray>
#include <QString>

class THitJson
{
public:
    // {"file":..,"line":..,"column":..,"length":..,"code":..,"before":..,
    // "hit":..,"after":..,"lineStart":..,"lineEnd":..} and a line end.
    static QByteArray Object(const TGrepResult &hit);
    // A JSON string of UTF-8 text, quotes included.
    static void AppendString(QByteArray &out, const QByteArray &utf8);
    // The file name as shown (ShownPath), in UTF-8; hits come file by
    // file, so it is converted once per file.
    static const QByteArray &FileNameUtf8(const QString &name);
};
