#include "SjisText.h"

#include <cstring>

namespace {

// Full-width Latin capitals 0x8260-0x8279 -> 0x8281-0x829A.
// Greek capitals 0x839F-0x83B6 -> 0x83BF-0x83D6.
// Cyrillic capitals 0x8440-0x8460 -> 0x8470-0x8491, where the small letters
// skip the trail byte 0x7F.
bool LowerDoubleByte(unsigned char lead, unsigned char &trail)
{
    if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) {
        trail = static_cast<unsigned char>(trail + 0x21);
        return true;
    }
    if (lead == 0x83 && trail >= 0x9F && trail <= 0xB6) {
        trail = static_cast<unsigned char>(trail + 0x20);
        return true;
    }
    if (lead == 0x84 && trail >= 0x40 && trail <= 0x60) {
        int small = 0x70 + (trail - 0x40);
        if (small >= 0x7F)
            ++small;
        trail = static_cast<unsigned char>(small);
        return true;
    }
    return false;
}

inline bool IsLineEnd(unsigned char b) { return b == '\n' || b == '\r'; }

} // namespace

bool IsTrailByteAt(QByteArrayView text, qsizetype index, qsizetype from)
{
    if (index <= 0 || index >= text.size())
        return false;
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    qsizetype i = (from > 0 && from <= index) ? from : 0;
    while (i < index) {
        if (IsLeadByte(p[i]) && i + 1 < text.size())
            i += 2;
        else
            i += 1;
    }
    return i != index;
}

void LowerCaseCp932InPlace(char *data, qsizetype size)
{
    auto *p = reinterpret_cast<unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (b >= 'A' && b <= 'Z')
                p[i] = static_cast<unsigned char>(b + 0x20);
            ++i;
        } else if (IsLeadByte(b) && i + 1 < size && !IsLineEnd(p[i + 1])) {
            LowerDoubleByte(b, p[i + 1]);
            i += 2;
        } else {
            ++i;
        }
    }
}

QByteArray LowerCaseCp932(QByteArrayView text)
{
    QByteArray copy(text.data(), text.size());
    LowerCaseCp932InPlace(copy.data(), copy.size());
    return copy;
}

QString LowerCaseLikeCp932(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        const bool capital = (u >= u'A' && u <= u'Z')
                             || (u >= 0xFF21 && u <= 0xFF3A)                  // full-width Latin
                             || (u >= 0x0391 && u <= 0x03A9 && u != 0x03A2)  // Greek
                             || (u >= 0x0410 && u <= 0x042F);                 // Cyrillic
        if (capital) {
            c = QChar(char16_t(u + 0x20));
        } else if (u == 0x0401) { // Ё
            c = QChar(char16_t(0x0451));
        }
    }
    return out;
}

qsizetype FindFrom(QByteArrayView text, qsizetype start, QByteArrayView pattern)
{
    const qsizetype n = text.size();
    const qsizetype m = pattern.size();
    if (n == 0 || m == 0 || start > n)
        return 0;
    const auto *t = reinterpret_cast<const unsigned char *>(text.data());
    qsizetype boundary = start <= 0 ? 0 : start - 1;
    // A fast byte search finds candidates; each one is accepted only when
    // the character walk from the last known boundary lands on it.
    while (n - boundary >= m) {
        const void *hit = memmem(t + boundary, size_t(n - boundary), pattern.data(), size_t(m));
        if (!hit)
            return 0;
        const qsizetype candidate = static_cast<const unsigned char *>(hit) - t;
        while (boundary < candidate)
            boundary += (IsLeadByte(t[boundary]) && boundary + 1 < n) ? 2 : 1;
        if (boundary == candidate)
            return candidate + 1;
        // The candidate began on a second byte; go on from the boundary after it.
    }
    return 0;
}

QByteArray Excerpt(QByteArrayView line, qsizetype start, qsizetype length,
                   bool &touchesStart, bool &touchesEnd, qsizetype knownBoundary)
{
    const qsizetype size = line.size();
    if (size == 0 || start <= 0 || length <= 0)
        return {};
    qsizetype s = start;
    qsizetype n = length;
    if (s <= size && IsTrailByteAt(line, s - 1, knownBoundary)) {
        ++s;
        --n;
    }
    // From here s - 1 starts a character, so the end check walks from there.
    if (s + n <= size && IsTrailByteAt(line, s + n - 1, s - 1))
        ++n;
    if (s == 1)
        touchesStart = true;
    if (s + n - 1 >= size)
        touchesEnd = true;
    if (s > size || n <= 0)
        return {};
    return QByteArray(line.data() + (s - 1), qMin(n, size - s + 1));
}
