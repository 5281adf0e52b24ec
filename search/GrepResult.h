#pragma once
// One hit: where it is, which code its file had, and the text around it.
// All texts are CP932 working text; positions count its bytes.

#include <QByteArray>
#include <QString>

class TGrepResult
{
public:
    bool AtLineStart = false;  // BeforeText begins at the line's first byte
    bool AtLineEnd = false;    // the context reaches the line's last byte
    // Lines and columns count in 64 bits: a file may have more than 2^31
    // lines, and a line may be longer than 2 GiB.
    qint64 Line = 0;           // 0-based line index
    qint64 Column = 0;         // 1-based byte column of the hit
    qint32 CodeId = 0;         // the file's code id
    // For a hit inside an archive, FileName is "ARCHIVE{MEMBER}" (nested
    // levels "a.zip{b.lzh{c.txt}}") and this is the length of ARCHIVE;
    // 0 for a file of its own.
    qint32 ArchiveEnd = 0;
    qint64 HitLength = 0;      // length of the hit in bytes
    // Where the hit's line begins in the file, in the file's own bytes;
    // -1 where the search did not see the file's bytes of the line (a
    // code that is converted as a whole, such as ISO-2022-JP or UTF-16).
    qint64 LineOffset = -1;
    QString FileName;          // full path as listed
    QByteArray BeforeText;     // up to 59 bytes before the hit
    QByteArray TextFromHit;    // the hit, then up to 60 more bytes

    QByteArray HitText() const { return TextFromHit.left(HitLength); }
    QByteArray AfterText() const { return TextFromHit.mid(HitLength); }
};
