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

class TWriter
{
public:
    explicit TWriter(qsizetype inputSize) { Out.reserve(inputSize * 4); }

    void Put(char32_t c)
    {
        const char bytes[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), char(c >> 24)};
        Out.append(bytes, 4);
    }

    // One UTF-16 unit out of a base-64 run; surrogates are paired here.
    void PutUnit(char16_t unit)
    {
        if (HighSurrogate) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                Put(0x10000 + ((char32_t(HighSurrogate) - 0xD800) << 10) + (unit - 0xDC00));
                HighSurrogate = 0;
                return;
            }
            Put(Substitute);
            HighSurrogate = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            HighSurrogate = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
            Put(Substitute);
        else if (unit == 0)
            Put(Substitute); // a zero byte has no place in the working text: it ends texts
        else
            Put(unit);
    }

    // A base-64 run ends: a high surrogate still waiting, or more bits than
    // the padding of the last unit, or padding that is not zero, is one bad
    // spot.
    void EndRun(quint32 bits, int bitCount)
    {
        const bool unfinished = HighSurrogate != 0 || bitCount >= 6 || (bits & ((1u << bitCount) - 1)) != 0;
        HighSurrogate = 0;
        if (unfinished)
            Put(Substitute);
    }

    QByteArray Out;

private:
    char16_t HighSurrogate = 0;
};

} // namespace

QByteArray TUtf7Decoder::ToUtf32(QByteArrayView text, const std::atomic<bool> *stop, bool *stopped)
{
    if (stopped)
        *stopped = false;
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype n = text.size();
    TWriter out(n);
    bool inRun = false;
    quint32 bits = 0;
    int bitCount = 0;
    qsizetype nextCheck = StopCheckInterval;
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= nextCheck) {
            nextCheck += StopCheckInterval;
            if (stop && stop->load(std::memory_order_relaxed)) {
                if (stopped)
                    *stopped = true;
                return out.Out;
            }
        }
        const unsigned char c = p[i];
        if (inRun) {
            const int value = Base64Value(c);
            if (value >= 0) {
                bits = (bits << 6) | quint32(value);
                bitCount += 6;
                if (bitCount >= 16) {
                    bitCount -= 16;
                    out.PutUnit(char16_t((bits >> bitCount) & 0xFFFF));
                }
                bits &= (1u << bitCount) - 1;
                continue;
            }
            out.EndRun(bits, bitCount);
            inRun = false;
            if (c == '-')
                continue; // ends the run and stands for nothing
            // Any other byte ends the run and is read as itself.
        }
        if (c >= 0x80) {
            out.Put(Substitute);
        } else if (c == '+') {
            if (i + 1 < n && p[i + 1] == '-') {
                out.Put(U'+');
                ++i;
            } else {
                inRun = true;
                bits = 0;
                bitCount = 0;
            }
        } else {
            out.Put(c);
        }
    }
    if (inRun)
        out.EndRun(bits, bitCount);
    return out.Out;
}
