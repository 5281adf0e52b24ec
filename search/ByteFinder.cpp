#include "ByteFinder.h"

#include <cstring>

namespace {
using TBytes16 = unsigned char __attribute__((vector_size(16)));

inline TBytes16 Load16(const char *p)
{
    TBytes16 v;
    memcpy(&v, p, sizeof v);
    return v;
}

// One bit per byte whose mask byte is set, the first byte lowest.
inline unsigned Bits(TBytes16 mask)
{
    unsigned bits = 0;
    for (int k = 0; k < 16; ++k)
        bits |= unsigned(mask[k] & 1) << k;
    return bits;
}
} // namespace

qsizetype TByteFinder::Find(QByteArrayView text, qsizetype from) const
{
    const qsizetype m = Needle.size();
    const qsizetype n = text.size();
    if (m == 0)
        return from <= n ? from : -1;
    if (from < 0 || n - from < m)
        return -1;
    const char *h = text.data();
    const char *p = Needle.constData();
    if (m == 1) {
        const void *hit = memchr(h + from, p[0], size_t(n - from));
        return hit ? static_cast<const char *>(hit) - h : -1;
    }
    const unsigned char first = static_cast<unsigned char>(p[0]);
    const unsigned char last = static_cast<unsigned char>(p[m - 1]);
    qsizetype i = from;
    // Candidates i .. i + 15: the needle's last byte would be at i + m - 1.
    for (; i + m - 1 + 16 <= n; i += 16) {
        const TBytes16 a = Load16(h + i);
        const TBytes16 b = Load16(h + i + m - 1);
        const TBytes16 both = (TBytes16)((a == first) & (b == last));
        quint64 halves[2];
        memcpy(halves, &both, sizeof halves);
        if ((halves[0] | halves[1]) == 0)
            continue;
        for (unsigned bits = Bits(both); bits; bits &= bits - 1) {
            const qsizetype at = i + __builtin_ctz(bits);
            if (memcmp(h + at + 1, p + 1, size_t(m - 2)) == 0)
                return at;
        }
    }
    for (; i + m <= n; ++i)
        if (h[i] == p[0] && memcmp(h + i, p, size_t(m)) == 0)
            return i;
    return -1;
}
