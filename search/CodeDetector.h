#pragma once
// Works out a file's code id from its text (the bytes before its first zero
// byte) fed piece by piece, so that a huge file need not be in memory at
// once, and says as soon as more bytes can no longer change the answer.

#include <QByteArrayView>

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
