#pragma once
// UTF-7 to UTF-32LE, one code point for every character of the text.
//
// The converter of the C library cannot be used directly from UTF-7 to
// CP932: when a character has no CP932 form it reports the error at the
// start of its base-64 run, and whatever is done from there either repeats
// characters or passes the rest of the run through as plain text. Decoding
// to code points first leaves the mapping to CP932 to a step where every
// character is one fixed-size unit.
//
// Bad input becomes "?", once per bad spot: a byte of 0x80 or above, a run
// that ends with bits of an unfinished unit, and a surrogate without its
// partner. The text goes on in step after each.
//
// A text may be decoded a piece at a time, cut anywhere (inside a base-64
// run, between a surrogate pair's halves, between "+" and "-"): the
// decoder carries what it has seen over to the next piece, and the pieces
// give together what the whole text gives.

#include <QByteArray>
#include <QByteArrayView>
#include <atomic>

class TUtf7Decoder
{
public:
    // stopped (when given) is set when a stop request cut the work short;
    // the result then holds what was decoded so far.
    static QByteArray ToUtf32(QByteArrayView text, const std::atomic<bool> *stop = nullptr,
                              bool *stopped = nullptr);

    // The next piece of a text; what is unfinished at its end waits for the
    // next piece.
    QByteArray Feed(QByteArrayView piece, const std::atomic<bool> *stop = nullptr, bool *stopped = nullptr);
    // The end of the text: an unfinished run is one bad spot. The decoder
    // is then ready for a new text.
    QByteArray Finish();

private:
    void Put(QByteArray &out, char32_t c);
    void PutUnit(QByteArray &out, char16_t unit);
    void EndRun(QByteArray &out);

    bool InRun = false;
    bool JustOpened = false; // the run's "+" was the last byte seen
    quint32 Bits = 0;
    int BitCount = 0;
    char16_t HighSurrogate = 0;
};
