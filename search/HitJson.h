#pragma once
// A hit as one JSON object on one line, the form kestu-grep --json prints
// and the window saves as JSON Lines.

#include "GrepResult.h"

#include <QByteArray>
#include <QString>

class THitJson
{
public:
    // {"file":..,["fileBytes":..,]"line":..,"column":..,"length":..,"code":..,"before":..,
    // "hit":..,"after":..,"lineStart":..,"lineEnd":..} and a line end.
    static QByteArray Object(const TGrepResult &hit);
    // A JSON string of UTF-8 text, quotes included.
    static void AppendString(QByteArray &out, const QByteArray &utf8);
    // A name that is not UTF-8: its bytes in base64, written as "fileBytes"
    // after "file" so that a program can open the very file; empty for a
    // UTF-8 name (whose object has no "fileBytes").
    static const QByteArray &FileBytesBase64(const QString &name);
    // The file name as shown (ShownPath), in UTF-8; hits come file by
    // file, so it is converted once per file.
    static const QByteArray &FileNameUtf8(const QString &name);
};
