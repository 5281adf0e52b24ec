#pragma once
// Works out a file's code id from its text (the bytes before its first zero
// byte) fed piece by piece, so that a huge file need not be in memory at
// once, and says as soon as more bytes can no longer change the answer.

#include <QByteArrayView>
#include <QString>

#include <optional>

class TCodeDetector
{
public:
    // Feeds the next bytes. Returns false once the result is settled: the
    // rest of the text need not be fed.
    bool Feed(QByteArrayView bytes);
    // The code id of everything fed so far, as DetectCodePage gives it.
    qint32 Result() const;

private:
    bool Settled() const;

    qint64 Size = 0;
    unsigned char First[3] = {};
    bool High = false;      // a byte of 0x80 or above was seen
    bool Escape = false;    // 0x1B was seen (looked for only while no byte is high)
    bool Utf5 = true;       // only 0-9 and A-V so far
    bool Euc = true;        // none of the bytes EUC-JP never uses
    bool Utf8 = true;       // well-formed UTF-8 so far
    int Utf8Pending = 0;    // continuation bytes the last sequence still expects
};

// Whether n bytes continue well-formed UTF-8 as the detector reads it: each
// lead byte takes the continuation bytes Utf8SequenceLength says, nothing
// else is a continuation byte, FE and FF never occur. pending: continuation
// bytes a sequence begun before p still expects; on return, those the last
// sequence still expects (a sequence cut off by the end passes).
bool FitsUtf8(const unsigned char *p, qsizetype n, int &pending);

// The code id automatic detection gives a whole file, fed from its first
// byte on, piece by piece: UTF-16 by its mark, otherwise TCodeDetector over
// the bytes before the first zero byte.
class TFileCodeDetector
{
public:
    // Feeds the next bytes of the file. Returns false once the result is
    // settled: the rest of the file need not be fed.
    bool Feed(QByteArrayView bytes);
    qint32 Result() const { return Utf16 ? Utf16 : Text.Result(); }

private:
    TCodeDetector Text;
    char Head[2] = {};
    int HeadSize = 0;
    qint32 Utf16 = 0;
    bool Ended = false; // a mark or a zero byte decided what the text is
};

// Reads the file at path from the start, as little of it as the answer
// needs, a piece at a time. Nothing when it cannot be read.
std::optional<qint32> DetectCodeOfFile(const QString &path);
