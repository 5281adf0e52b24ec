#pragma once
// Paths as the file system's bytes, kept exact inside a QString. A name
// need not be UTF-8 (archives from Windows carry Shift-JIS names): what is
// UTF-8 becomes its characters, and every byte that is not becomes the lone
// surrogate U+DC80 + byte, which no decoded text contains. Encode gives
// back exactly the bytes Decode was given.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class TNativePath
{
public:
    static QString Decode(QByteArrayView bytes);
    static QByteArray Encode(const QString &path);
    // A file:// address of an absolute path and back, the bytes kept: the
    // address percent-encodes them as they are. (QUrl cannot carry a
    // percent-encoded byte that is not UTF-8; these are plain ASCII text.)
    static QByteArray FileUri(const QString &absolutePath);
    // The path of a file:// address; empty for any other address.
    static QString LocalFileOfUri(QByteArrayView uri);
    // Whether path holds bytes that are not UTF-8.
    static bool HasRawBytes(QStringView path);
    // The byte the code unit at i stands for, or -1 for (part of) an
    // ordinary character: the low half of a surrogate pair is not one.
    static int RawByteAt(QStringView path, qsizetype i)
    {
        const char16_t u = path[i].unicode();
        if (u < 0xDC80 || u > 0xDCFF || (i > 0 && path[i - 1].isHighSurrogate()))
            return -1;
        return int(u - 0xDC00);
    }
};
