#include "LineCursor.h"

#include "ByteVectors.h"

#include <cstring>

TLineCursor::TLineCursor(QByteArrayView text) : Text(text) {}

qsizetype TLineCursor::FindFrom(char c, qsizetype from, qsizetype &cache) const
{
    // memchr is fast, but on a file without CR asking it again for every
    // line would rescan the whole rest; remember where the next one is.
    if (cache >= from)
        return cache;
    const void *hit = memchr(Text.data() + from, c, size_t(Text.size() - from));
    cache = hit ? static_cast<const char *>(hit) - Text.data() : Text.size();
    return cache;
}

qsizetype TLineCursor::LineEnd()
{
    if (End < 0) {
        if (Start >= Text.size())
            End = Text.size();
        else
            End = qMin(FindFrom('\r', Start, NextCr), FindFrom('\n', Start, NextLf));
    }
    return End;
}

void TLineCursor::Next()
{
    const qsizetype end = LineEnd();
    if (end >= Text.size())
        Start = Text.size();
    else if (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n')
        Start = end + 2; // CR LF is one line end
    else
        Start = end + 1;
    End = -1;
    ++LineIndex;
}

void TLineCursor::MoveTo(qsizetype offset)
{
    if (AtEnd() || offset < LineEnd())
        return;
    // Far ahead (the next hit of a rare word): find the line start before
    // the offset and count the lines in between in one go, instead of
    // stepping line by line. Offsets on a line end take the plain walk.
    const qsizetype n = Text.size();
    if (offset < n && Text[offset] != '\r' && Text[offset] != '\n') {
        const char *base = Text.data();
        const void *lf = memrchr(base + Start, '\n', size_t(offset - Start));
        const void *cr = memrchr(base + Start, '\r', size_t(offset - Start));
        const qsizetype last = qMax(lf ? static_cast<const char *>(lf) - base : -1,
                                    cr ? static_cast<const char *>(cr) - base : -1);
        if (last >= Start) {
            // The byte after last is no line end (it is the offset or lies
            // before it), so last ends a line and the next begins after it.
            LineIndex += qint64(CountLineEnds(Text.sliced(Start, last + 1 - Start)));
            Start = last + 1;
            End = -1;
        }
        return;
    }
    while (!AtEnd() && offset >= LineEnd() && LineEnd() < n)
        Next();
}

namespace {

// Every LF, and every CR whose next byte is not LF (CR LF is counted at its
// LF), W bytes at a time with the block one byte on beside; returns the
// count and leaves i where the blocks ended.
template <int W>
[[gnu::always_inline]] inline qint64 CountBlocks(const char *p, qsizetype n, qsizetype &i)
{
    qint64 ends = 0;
    // Up to 255 blocks add their line ends bytewise before they are summed.
    while (i + W + 1 <= n) {
        TBytes<W> sums = {};
        for (int blocks = 0; blocks < 255 && i + W + 1 <= n; ++blocks, i += W) {
            TBytes<W> v, next;
            memcpy(&v, p + i, sizeof v);
            memcpy(&next, p + i + 1, sizeof next);
            sums -= (TBytes<W>)((v == '\n') | ((v == '\r') & (next != '\n'))); // a line end is -1
        }
        unsigned char lanes[W];
        memcpy(lanes, &sums, sizeof lanes);
        for (int k = 0; k < W; ++k)
            ends += lanes[k];
    }
    return ends;
}

[[gnu::target("avx2")]] qint64 CountBlocks32(const char *p, qsizetype n, qsizetype &i)
{
    return CountBlocks<32>(p, n, i);
}

qint64 CountBlocks16(const char *p, qsizetype n, qsizetype &i)
{
    return CountBlocks<16>(p, n, i);
}


} // namespace

qint64 TLineCursor::CountLineEnds(QByteArrayView text)
{
    const char *p = text.data();
    const qsizetype n = text.size();
    qsizetype i = 0;
    qint64 ends = HasAvx2() ? CountBlocks32(p, n, i) : CountBlocks16(p, n, i);
    for (; i < n; ++i)
        ends += p[i] == '\n' || (p[i] == '\r' && (i + 1 >= n || p[i + 1] != '\n'));
    return ends;
}

qint64 TLineCursor::CountLines(QByteArrayView text, bool last)
{
    qint64 lines = CountLineEnds(text);
    if (last && !text.isEmpty() && text.back() != '\n' && text.back() != '\r')
        ++lines;
    return lines;
}
