#include "Utf7Decoder.h"

namespace {

constexpr qsizetype StopCheckInterval = 1 << 20;
constexpr char32_t Substitute = U'?';

int Base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

void TUtf7Decoder::Put(QByteArray &out, char32_t c)
{
    const char bytes[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), char(c >> 24)};
    out.append(bytes, 4);
}

// One UTF-16 unit out of a base-64 run; surrogates are paired here.
void TUtf7Decoder::PutUnit(QByteArray &out, char16_t unit)
{
    if (HighSurrogate) {
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            Put(out, 0x10000 + ((char32_t(HighSurrogate) - 0xD800) << 10) + (unit - 0xDC00));
            HighSurrogate = 0;
            return;
        }
        Put(out, Substitute);
        HighSurrogate = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF)
        HighSurrogate = unit;
    else if (unit >= 0xDC00 && unit <= 0xDFFF)
        Put(out, Substitute);
    else if (unit == 0)
        Put(out, Substitute); // a zero byte has no place in the working text: it ends texts
    else
        Put(out, unit);
}

// A base-64 run ends: a high surrogate still waiting, or more bits than the
// padding of the last unit, or padding that is not zero, is one bad spot.
void TUtf7Decoder::EndRun(QByteArray &out)
{
    const bool unfinished = HighSurrogate != 0 || BitCount >= 6 || (Bits & ((1u << BitCount) - 1)) != 0;
    HighSurrogate = 0;
    if (unfinished)
        Put(out, Substitute);
    InRun = false;
    JustOpened = false;
    Bits = 0;
    BitCount = 0;
}

QByteArray TUtf7Decoder::ToUtf32(QByteArrayView text, const std::atomic<bool> *stop, bool *stopped)
{
    TUtf7Decoder decoder;
    QByteArray out = decoder.Feed(text, stop, stopped);
    if (!(stopped && *stopped))
        out += decoder.Finish();
    return out;
}

QByteArray TUtf7Decoder::Feed(QByteArrayView piece, const std::atomic<bool> *stop, bool *stopped)
{
    if (stopped)
        *stopped = false;
    const auto *p = reinterpret_cast<const unsigned char *>(piece.data());
    const qsizetype n = piece.size();
    QByteArray out;
    out.reserve(n * 4);
    qsizetype nextCheck = StopCheckInterval;
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= nextCheck) {
            nextCheck += StopCheckInterval;
            if (stop && stop->load(std::memory_order_relaxed)) {
                if (stopped)
                    *stopped = true;
                return out;
            }
        }
        const unsigned char c = p[i];
        if (JustOpened) {
            JustOpened = false;
            if (c == '-') { // "+-" stands for "+"
                InRun = false;
                Put(out, U'+');
                continue;
            }
        }
        if (InRun) {
            const int value = Base64Value(c);
            if (value >= 0) {
                Bits = (Bits << 6) | quint32(value);
                BitCount += 6;
                if (BitCount >= 16) {
                    BitCount -= 16;
                    PutUnit(out, char16_t((Bits >> BitCount) & 0xFFFF));
                }
                Bits &= (1u << BitCount) - 1;
                continue;
            }
            EndRun(out);
            if (c == '-')
                continue; // ends the run and stands for nothing
            // Any other byte ends the run and is read as itself.
        }
        if (c >= 0x80) {
            Put(out, Substitute);
        } else if (c == '+') {
            InRun = true;
            JustOpened = true;
            Bits = 0;
            BitCount = 0;
        } else {
            Put(out, c);
        }
    }
    return out;
}

QByteArray TUtf7Decoder::Finish()
{
    QByteArray out;
    if (InRun)
        EndRun(out);
    *this = TUtf7Decoder();
    return out;
}
