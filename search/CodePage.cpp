#include "CodePage.h"

#include "Cp932.h"

#include <cstring>

namespace {

bool HasHighByte(const unsigned char *p, qsizetype n)
{
    // Blocks of 64 bytes OR-ed together vectorise well; the early exit
    // keeps Japanese text cheap, where a high byte comes almost at once.
    qsizetype i = 0;
    for (; i + 64 <= n; i += 64) {
        unsigned char acc = 0;
        for (int k = 0; k < 64; ++k)
            acc |= p[i + k];
        if (acc & 0x80)
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
bool FitsEucJp(const unsigned char *p, qsizetype n)
{
    static const auto table = [] {
        struct { bool bad[256] = {}; } t;
        for (int b = 0x7F; b <= 0x8D; ++b) t.bad[b] = true;
        for (int b = 0x90; b <= 0xA0; ++b) t.bad[b] = true;
        return t;
    }();
    for (qsizetype i = 0; i < n; ++i)
        if (table.bad[p[i]])
            return false;
    return true;
}

bool FitsUtf8(const unsigned char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b <= 0x7F) {
            ++i;
            continue;
        }
        const int length = Utf8SequenceLength(b);
        if (length == 1)
            return false;
        // A sequence cut off by the end of the data still passes.
        const qsizetype end = qMin(n, i + length);
        for (qsizetype k = i + 1; k < end; ++k)
            if (p[k] < 0x80 || p[k] > 0xBF)
                return false;
        i = end;
    }
    return true;
}

} // namespace

int Utf8SequenceLength(unsigned char b)
{
    if (b < 0xC0 || b > 0xFD) return 1;
    if (b <= 0xDF) return 2;
    if (b <= 0xEF) return 3;
    if (b <= 0xF7) return 4;
    if (b <= 0xFB) return 5;
    return 6;
}

qint32 DetectCodePage(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    if (n <= 4)
        return CodeId::ShiftJis;
    const bool cp932 = TCp932::Available();
    if (p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return CodeId::Utf8;
    if (p[0] == 0xFE && p[1] == 0xFF)
        return CodeId::Utf16Be;
    if (p[0] == 0xFF && p[1] == 0xFE)
        return CodeId::Utf16Le;
    const bool high = HasHighByte(p, n);
    if (!high) {
        if (cp932 && memchr(p, 0x1B, size_t(n)))
            return CodeId::Iso2022Jp;
        if (OnlyUtf5Alphabet(p, n))
            return CodeId::Utf5Alphabet;
        return CodeId::ShiftJis;
    }
    // Small files are tested like large ones: a short UTF-8 or EUC-JP text
    // is as much worth reading right as a long one.
    if (cp932 && FitsEucJp(p, n))
        return CodeId::EucJp;
    if (FitsUtf8(p, n))
        return CodeId::Utf8N;
    return CodeId::ShiftJis;
}

QString CodeDisplayName(qint32 id)
{
    switch (id) {
    case CodeId::ShiftJis: return QStringLiteral("Shift-JIS");
    case CodeId::EucJp: return QStringLiteral("EUC-JP");
    case CodeId::Iso2022Jp: return QStringLiteral("ISO-2022-JP");
    case CodeId::Utf7: return QStringLiteral("UTF7");
    case CodeId::Utf8: return QStringLiteral("UTF8");
    case CodeId::Utf8N: return QStringLiteral("UTF8N");
    case CodeId::Utf16Le: return QStringLiteral("UTF16LE");
    case CodeId::Utf16Be: return QStringLiteral("UTF16BE");
    case CodeId::Utf16LeN: return QStringLiteral("UTF16LEN");
    case CodeId::Utf16BeN: return QStringLiteral("UTF16BEN");
    case CodeId::Unicode: return QStringLiteral("UNICODE");
    case CodeId::Utf5: return QStringLiteral("UTF5");
    default: return QStringLiteral("---");
    }
}

qint32 CodeIdForChoice(int choice, QByteArrayView bytes)
{
    switch (choice) {
    case 1: return CodeId::ShiftJis;
    case 2: return CodeId::EucJp;
    case 3: return CodeId::Iso2022Jp;
    case 4: return CodeId::Utf7;
    case 5: return CodeId::Utf8;
    case 6: return CodeId::Utf8N;
    default: return DetectCodePage(bytes);
    }
}
