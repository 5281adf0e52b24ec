#include "CodeDetector.h"

#include "CodePage.h"
#include "Cp932.h"
#include "ReadOnlyFile.h"

#include <cstring>
#include <vector>

namespace {

// Sixteen bytes at a time through the compiler's vector types, which every
// target has (plain registers where there are no vector units).
using TBytes16 = unsigned char __attribute__((vector_size(16)));

inline TBytes16 Load16(const unsigned char *p)
{
    TBytes16 v;
    memcpy(&v, p, sizeof v);
    return v;
}

template <typename TVector>
inline bool AnySet(TVector mask)
{
    static_assert(sizeof(TVector) == 16);
    quint64 halves[2];
    memcpy(halves, &mask, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

inline bool AnyHigh16(const unsigned char *p)
{
    return AnySet(Load16(p) & 0x80);
}

bool HasHighByte(const unsigned char *p, qsizetype n)
{
    // Four blocks OR-ed together before the test; the early exit keeps
    // Japanese text cheap, where a high byte comes almost at once.
    qsizetype i = 0;
    for (; i + 64 <= n; i += 64) {
        const TBytes16 acc = Load16(p + i) | Load16(p + i + 16) | Load16(p + i + 32) | Load16(p + i + 48);
        if (AnySet(acc & 0x80))
            return true;
    }
    for (; i < n; ++i)
        if (p[i] & 0x80)
            return true;
    return false;
}

bool OnlyUtf5Alphabet(const unsigned char *p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        if (!((b >= '0' && b <= '9') || (b >= 'A' && b <= 'V')))
            return false;
    }
    return true;
}

// EUC-JP never uses the bytes 0x7F-0x8D and 0x90-0xA0 (0x8E and 0x8F are
// its single shifts).
inline bool IsNonEucByte(unsigned char b)
{
    return b >= 0x7F && b <= 0xA0 && b != 0x8E && b != 0x8F;
}

bool FitsEucJp(const unsigned char *p, qsizetype n)
{
    qsizetype i = 0;
    for (; i + 16 <= n; i += 16) {
        const TBytes16 v = Load16(p + i);
        const TBytes16 bad = (v >= 0x7F) & (v <= 0xA0) & (v != 0x8E) & (v != 0x8F);
        if (AnySet(bad))
            return false;
    }
    for (; i < n; ++i)
        if (IsNonEucByte(p[i]))
            return false;
    return true;
}

// The length Utf8SequenceLength gives, from a table: this runs for every
// character of a UTF-8 file.
struct TSequenceLengths
{
    unsigned char Of[256];
    constexpr TSequenceLengths() : Of()
    {
        for (int b = 0; b < 256; ++b)
            Of[b] = (b < 0xC0 || b > 0xFD) ? 1 : b <= 0xDF ? 2 : b <= 0xEF ? 3 : b <= 0xF7 ? 4 : b <= 0xFB ? 5 : 6;
    }
};
constexpr TSequenceLengths SequenceLengths;

inline bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// One sequence after another from p[i] (a sequence start) to n: false at the
// first that does not fit; a sequence cut off by the end still passes, and
// pending then holds the continuation bytes it still expects.
bool FitsUtf8OneByOne(const unsigned char *p, qsizetype i, qsizetype n, int &pending)
{
    while (i < n) {
        const unsigned char b = p[i];
        if (b <= 0x7F) {
            ++i;
            continue;
        }
        const int length = SequenceLengths.Of[b];
        if (length == 1)
            return false;
        const qsizetype end = qMin(n, i + length);
        for (qsizetype k = i + 1; k < end; ++k)
            if (!IsContinuation(p[k]))
                return false;
        pending = int(i + length - end);
        i = end;
    }
    return true;
}

} // namespace

bool FitsUtf8(const unsigned char *p, qsizetype n, int &pending)
{
    qsizetype i = 0;
    for (; pending > 0 && i < n; --pending, ++i)
        if (!IsContinuation(p[i]))
            return false;
    // A few sequences one by one, so that five bytes lie behind the blocks.
    while (i < n && i < 5) {
        const qsizetype end = qMin(n, i + SequenceLengths.Of[p[i]]);
        if (!FitsUtf8OneByOne(p, i, end, pending))
            return false;
        if (pending > 0)
            return true; // cut off by the end
        i = end;
    }
    if (i >= n)
        return true;
    // Sixteen bytes at a time: a byte must be a continuation byte exactly
    // when a lead byte up to five bytes before it reaches it (C0-FD reach
    // one byte on, E0-FD two, F0-FD three, F8-FD four, FC-FD five), and FE
    // and FF fit nowhere. That is what reading one sequence after another
    // asks, whatever the order.
    const qsizetype blocksFrom = i;
    for (; i + 16 <= n; i += 16) {
        const TBytes16 v = Load16(p + i);
        const auto reached = (Load16(p + i - 1) >= 0xC0) | (Load16(p + i - 2) >= 0xE0) | (Load16(p + i - 3) >= 0xF0)
                             | (Load16(p + i - 4) >= 0xF8) | (Load16(p + i - 5) >= 0xFC);
        const auto continuation = (v & 0xC0) == 0x80;
        if (AnySet((continuation != reached) | (v >= 0xFE)))
            return false;
    }
    // The rest one by one, from the start of the last sequence in the
    // blocks: it may reach past them, or past the end.
    qsizetype from = i;
    if (i > blocksFrom) {
        from = i - 1;
        while (from > blocksFrom && IsContinuation(p[from]))
            --from;
    }
    return FitsUtf8OneByOne(p, from, n, pending);
}

namespace {

} // namespace

bool TCodeDetector::Feed(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n && Size + i < 3; ++i)
        First[Size + i] = p[i];
    Size += n;
    if (n == 0)
        return !Settled();
    if (!HasHighByte(p, n)) {
        // Plain ASCII: of the two tests only 0x7F and a sequence left open
        // before it can fail.
        if (!High) {
            if (!Escape && memchr(p, 0x1B, size_t(n)))
                Escape = true;
            if (Utf5 && !OnlyUtf5Alphabet(p, n))
                Utf5 = false;
        }
        if (Euc && memchr(p, 0x7F, size_t(n)))
            Euc = false;
        if (Utf8Pending > 0)
            Utf8 = false;
        return !Settled();
    }
    High = true;
    if (Euc && !FitsEucJp(p, n))
        Euc = false;
    if (Utf8 && !FitsUtf8(p, n, Utf8Pending))
        Utf8 = false;
    return !Settled();
}

bool TCodeDetector::Settled() const
{
    if (Size <= 4)
        return false;
    const qint32 id = Result();
    if (id == CodeId::Utf8 || id == CodeId::Utf16Be || id == CodeId::Utf16Le)
        return true; // a mark decides
    // A high byte seen and both tests failed: nothing can bring them back.
    return High && !Utf8 && !(Euc && TCp932::Available());
}

qint32 TCodeDetector::Result() const
{
    if (Size <= 4)
        return CodeId::ShiftJis;
    const bool cp932 = TCp932::Available();
    if (First[0] == 0xEF && First[1] == 0xBB && First[2] == 0xBF)
        return CodeId::Utf8;
    if (First[0] == 0xFE && First[1] == 0xFF)
        return CodeId::Utf16Be;
    if (First[0] == 0xFF && First[1] == 0xFE)
        return CodeId::Utf16Le;
    if (!High) {
        if (cp932 && Escape)
            return CodeId::Iso2022Jp;
        if (Utf5)
            return CodeId::Utf5Alphabet;
        return CodeId::ShiftJis;
    }
    // Small files are tested like large ones: a short UTF-8 or EUC-JP text
    // is as much worth reading right as a long one.
    if (cp932 && Euc)
        return CodeId::EucJp;
    if (Utf8)
        return CodeId::Utf8N;
    return CodeId::ShiftJis;
}

bool TFileCodeDetector::Feed(QByteArrayView bytes)
{
    if (Ended)
        return false;
    for (qsizetype i = 0; HeadSize < 2 && i < bytes.size(); ++i) {
        Head[HeadSize++] = bytes[i];
        if (HeadSize == 2 && (Utf16 = Utf16ByMark(QByteArrayView(Head, 2)))) {
            Ended = true;
            return false;
        }
    }
    if (const void *zero = bytes.isEmpty() ? nullptr : memchr(bytes.data(), 0, size_t(bytes.size()))) {
        Text.Feed(bytes.first(static_cast<const char *>(zero) - bytes.data()));
        Ended = true;
        return false;
    }
    return Text.Feed(bytes);
}

std::optional<qint32> DetectCodeOfFile(const QString &path)
{
    TReadOnlyFile file;
    if (!file.Open(path))
        return std::nullopt;
    file.ExpectSequentialReads();
    constexpr qint64 Piece = 1 << 20;
    std::vector<char> buffer(size_t(qMin<qint64>(Piece, qMax<qint64>(file.Size(), 2))));
    TFileCodeDetector detector;
    while (true) {
        const qint64 got = file.ReadFully(buffer.data(), qint64(buffer.size()));
        if (got < 0)
            return std::nullopt;
        if (!detector.Feed(QByteArrayView(buffer.data(), got)) || got < qint64(buffer.size()))
            return detector.Result();
    }
}
