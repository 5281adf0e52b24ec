#include "TextDecoder.h"

#include "CodePage.h"
#include "IconvConverter.h"
#include "SjisText.h"
#include "TableConversion.h"
#include "Utf7Decoder.h"

#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const QByteArray Substitute = QByteArrayLiteral("?");
// The longest text converted from a table in one go.
constexpr qsizetype TableTextLimit = qsizetype(1) << 20;
constexpr qsizetype StopCheckInterval = 1 << 20;

} // namespace

qsizetype TTextDecoder::SkipUtf8(const unsigned char *p, qsizetype n)
{
    // A well-formed but unmappable character is stepped over whole, and so
    // is a sequence cut short: its lead byte with the continuation bytes
    // that follow it. A stray continuation byte is a bad spot of its own.
    const int length = Utf8SequenceLength(p[0]);
    qsizetype k = 1;
    while (k < length && k < n && p[k] >= 0x80 && p[k] <= 0xBF)
        ++k;
    return k;
}

qsizetype TTextDecoder::SkipEucJp(const unsigned char *p, qsizetype n)
{
    auto isEuc = [](unsigned char b) { return b >= 0xA1 && b <= 0xFE; };
    if (p[0] == 0x8F && n >= 3 && isEuc(p[1]) && isEuc(p[2]))
        return 3;
    // A half-width katakana is 0x8E and one byte 0xA1-0xDF; 0x8E before
    // anything else stands alone, so that a line end after it stays one.
    if (p[0] == 0x8E && n >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF)
        return 2;
    if (isEuc(p[0]) && n >= 2 && isEuc(p[1]))
        return 2;
    return 1;
}

namespace {

// The 16-bit unit at p (two bytes there).
template <bool BigEndian>
inline unsigned Utf16Unit(const unsigned char *p)
{
    return BigEndian ? (unsigned(p[0]) << 8 | p[1]) : (unsigned(p[1]) << 8 | p[0]);
}

template <bool BigEndian>
qsizetype SkipUtf16(const unsigned char *p, qsizetype n)
{
    // A character stays one bad spot: a surrogate pair is stepped over
    // whole, a lone surrogate or any other unit alone, half a unit at the
    // end as well.
    if (n < 2)
        return n;
    const unsigned unit = Utf16Unit<BigEndian>(p);
    if (unit >= 0xD800 && unit <= 0xDBFF && n >= 4) {
        const unsigned low = Utf16Unit<BigEndian>(p + 2);
        if (low >= 0xDC00 && low <= 0xDFFF)
            return 4;
    }
    return 2;
}

TIconvConverter::SkipRule SkipRuleFor(qint32 codeId)
{
    switch (codeId) {
    case CodeId::EucJp: return TTextDecoder::SkipEucJp;
    case CodeId::Utf16Le: return SkipUtf16<false>;
    case CodeId::Utf16Be: return SkipUtf16<true>;
    default: return TTextDecoder::SkipUtf8;
    }
}

const char *IconvName(qint32 codeId)
{
    switch (codeId) {
    case CodeId::EucJp: return "EUC-JP-MS";
    case CodeId::Utf8:
    case CodeId::Utf8N: return "UTF-8";
    case CodeId::Utf16Le: return "UTF-16LE";
    case CodeId::Utf16Be: return "UTF-16BE";
    default: return nullptr;
    }
}

// Rows of JIS X 0208 (0x21-0x7E) that CP932 has characters in: all but
// rows 9-12, 14-15, 85-88 and 93-94. A character of the other rows (JIS X
// 0213 puts some there) has no CP932 form.
constexpr bool RowInCp932(unsigned char j1)
{
    return !((j1 >= 0x29 && j1 <= 0x2C) || j1 == 0x2E || j1 == 0x2F || (j1 >= 0x75 && j1 <= 0x78) || j1 >= 0x7D);
}

inline bool IsJisPrintable(unsigned char b)
{
    return b >= 0x21 && b <= 0x7E;
}

// The CP932 bytes of every JIS X 0208 pair (both bytes 0x21-0x7E), first
// byte first; 0 for a pair of a row CP932 has nothing in.
struct TJisPairs
{
    unsigned short Sjis[94 * 94];
    constexpr TJisPairs() : Sjis()
    {
        for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
            for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
                if (!RowInCp932(static_cast<unsigned char>(j1)))
                    continue;
                const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
                const int s2 = (j1 & 1) ? j2 + (j2 <= 0x5F ? 0x1F : 0x20) : j2 + 0x7E;
                Sjis[(j1 - 0x21) * 94 + (j2 - 0x21)] = static_cast<unsigned short>(s1 << 8 | s2);
            }
        }
    }
};
constexpr TJisPairs JisPairs;

// The character of a pair (both bytes 0x21-0x7E) of JIS X 0208: its CP932
// bytes, or one "?" where CP932 has none. Returns the next output place.
inline char *PutJisPair(unsigned char j1, unsigned char j2, char *o)
{
    if (const unsigned short sjis = JisPairs.Sjis[(j1 - 0x21) * 94 + (j2 - 0x21)]) {
        o[0] = static_cast<char>(sjis >> 8);
        o[1] = static_cast<char>(sjis & 0xFF);
        return o + 2;
    }
    *o = Substitute[0];
    return o + 1;
}

using TIsoMode = TTextDecoder::TIso2022State::Mode;

// A designation the decoder knows, at an ESC: its length (0: none, the
// decoder makes a "?" of the ESC) and whether it calls in a set.
struct TKnownEscape
{
    int Length = 0;
    bool Designates = false;
    TIsoMode Set = TIsoMode::Ascii;
};

inline __attribute__((always_inline)) TKnownEscape KnownEscapeAt(const unsigned char *p, qsizetype i,
                                                                  qsizetype n)
{
    auto at = [&](qsizetype k) -> int { return i + k < n ? p[i + k] : -1; };
    const int c1 = at(1), c2 = at(2);
    // The two that make up nearly all of a text first.
    if (c1 == '$' && c2 == 'B')
        return {3, true, TIsoMode::DoubleByte};
    if (c1 == '(' && c2 == 'B')
        return {3, true, TIsoMode::Ascii};
    const int c3 = at(3);
    if (c1 == '(' && (c2 == 'B' || c2 == 'J' || c2 == 'H'))
        return {3, true, TIsoMode::Ascii};
    if (c1 == '(' && c2 == 'I')
        return {3, true, TIsoMode::Kana};
    if (c1 == '$' && (c2 == '@' || c2 == 'B'))
        return {3, true, TIsoMode::DoubleByte};
    if (c1 == '&' && c2 == '@') // announces the 1990 revision; ESC $ B follows
        return {3, false, TIsoMode::Ascii};
    if (c1 == '$' && c2 == '(' && (c3 == 'O' || c3 == 'Q' || c3 == 'B'))
        return {4, true, TIsoMode::DoubleByte};
    if (c1 == '$' && (c2 == '(' || c2 == ')') && c3 >= 0x40 && c3 <= 0x7E)
        return {4, true, TIsoMode::Unsupported}; // JIS X 0212, 0213 plane 2
    return {};
}

} // namespace

QByteArray TTextDecoder::Iso2022Skeleton(QByteArrayView text, TIso2022State &state)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype n = text.size();
    // Never longer than its input; a block is written whole only where
    // sixteen bytes of input are left, so it stays inside.
    QByteArray out(n, Qt::Uninitialized);
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    for (qsizetype i = 0; i < n;) {
#if defined(__SSE2__)
        // Sixteen bytes are copied at once and kept up to the first byte
        // 0x1B or below (an escape, a shift, a line end or another control).
        if (i + 16 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(o), v);
            const unsigned low = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1B)), v)));
            if (low == 0) {
                i += 16;
                o += 16;
                continue;
            }
            const int plain = __builtin_ctz(low);
            i += plain;
            o += plain;
        }
#endif
        const unsigned char b = p[i];
        if (b > 0x1B) { // printable: nearly every byte
            *o++ = b;
            ++i;
        } else if (b == 0x1B) {
            const TKnownEscape escape = KnownEscapeAt(p, i, n);
            if (escape.Length > 0) {
                if (escape.Designates)
                    state.CharSet = escape.Set;
                i += escape.Length;
            } else {
                *o++ = b; // the decoder's "?"; what follows it is copied as it is
                ++i;
            }
        } else if (b == 0x0E || b == 0x0F) {
            state.ShiftedOut = b == 0x0E;
            ++i;
        } else {
            if (b == '\n' || b == '\r') // a line end ends a shift-out
                state.ShiftedOut = false;
            *o++ = b;
            ++i;
        }
    }
    out.resize(o - reinterpret_cast<unsigned char *>(out.data()));
    return out;
}

QByteArray TTextDecoder::Iso2022SkeletonForm(QByteArrayView cp932)
{
    static const std::vector<unsigned short> jisOf = [] {
        std::vector<unsigned short> inverse(65536, 0);
        for (int k = 0; k < 94 * 94; ++k)
            if (const unsigned short sjis = JisPairs.Sjis[k])
                inverse[sjis] = static_cast<unsigned short>((0x21 + k / 94) << 8 | (0x21 + k % 94));
        return inverse;
    }();
    const auto *p = reinterpret_cast<const unsigned char *>(cp932.data());
    const qsizetype n = cp932.size();
    QByteArray best, run;
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        if (IsLeadByte(b) && i + 1 < n) {
            if (const unsigned short jis = jisOf[size_t(b) << 8 | p[i + 1]]) {
                run += char(jis >> 8);
                run += char(jis & 0xFF);
            } else {
                endRun();
            }
            i += 2;
            continue;
        }
        // "?" also stands for what cannot be decoded, half-width katakana
        // come from two forms, and ESC, SO and SI never reach the text.
        if (b < 0x80 && b != '?' && b != 0x1B && b != 0x0E && b != 0x0F)
            run += char(b);
        else
            endRun();
        ++i;
    }
    endRun();
    return best;
}

TDecodedText TTextDecoder::Locate(QByteArrayView content, int codeChoice) const
{
    TDecodedText result;
    // UTF-16 is known by its mark alone, which only automatic detection
    // looks for; its text ends before its first zero code unit.
    if (const qint32 utf16 = ChoiceForcesCode(codeChoice) ? 0 : Utf16ByMark(content)) {
        result.CodeId = utf16;
        result.Text = Utf16TextPart(content.sliced(2));
        result.HasText = !result.Text.isEmpty();
        result.NeedsConversion = true;
        return result;
    }
    // Only the bytes before the first zero byte are text.
    const void *zero = content.isEmpty() ? nullptr : memchr(content.data(), 0, size_t(content.size()));
    if (zero)
        content = content.first(static_cast<const char *>(zero) - content.data());
    const qint32 id = CodeIdForChoice(codeChoice, content);
    switch (id) {
    case CodeId::EucJp:
    case CodeId::Iso2022Jp:
    case CodeId::Utf7:
    case CodeId::Utf8N:
        result.Text = content;
        break;
    case CodeId::Utf8:
        // The mark is skipped unseen; a file shorter than the mark has no text.
        result.Text = content.size() > 3 ? content.sliced(3) : QByteArrayView();
        break;
    default:
        result.CodeId = CodeId::ShiftJis;
        result.Text = content;
        result.HasText = !content.isEmpty();
        return result;
    }
    result.CodeId = id;
    // Converting never turns some text into none, nor none into some.
    result.HasText = !result.Text.isEmpty();
    result.NeedsConversion = true;
    return result;
}

TDecodedText TTextDecoder::DecodeFile(QByteArrayView content, int codeChoice,
                                      const ConversionCheck &worthConverting) const
{
    TDecodedText result = Locate(content, codeChoice);
    if (!result.NeedsConversion)
        return result;
    const QByteArrayView source = result.Text;
    result.Text = {};
    result.NeedsConversion = false;
    if (worthConverting && !worthConverting(source, result.CodeId)) {
        result.Skipped = true;
        return result;
    }
    result.Converted = ConvertText(source, result.CodeId, &result.Stopped);
    result.Text = result.Converted;
    return result;
}

QByteArray TTextDecoder::ConvertText(QByteArrayView text, qint32 sourceCodeId, bool *stopped) const
{
    if (stopped)
        *stopped = false;
    if (text.isEmpty())
        return {};
    if (sourceCodeId == CodeId::Iso2022Jp)
        return DecodeIso2022Jp(text, Stop, stopped);
    if (sourceCodeId == CodeId::Utf7) {
        // First to code points, then each code point, four bytes, to CP932:
        // a character CP932 cannot hold is then one "?" and nothing else.
        const QByteArray utf32 = TUtf7Decoder::ToUtf32(text, Stop, stopped);
        if (stopped && *stopped)
            return {};
        return ConvertUtf32(utf32, stopped);
    }
    const char *name = IconvName(sourceCodeId);
    if (!name)
        return QByteArray(text.data(), text.size());
    // Well-formed text of characters CP932 has comes from a table: lines and
    // pieces. A longer text goes through iconv, which looks for a stop
    // request as it goes.
    QByteArray fromTable;
    if (text.size() > TableTextLimit) {
        // iconv below
    } else if (sourceCodeId == CodeId::Utf8 || sourceCodeId == CodeId::Utf8N) {
        if (TableConversion::FromUtf8(text, fromTable))
            return fromTable;
    } else if (sourceCodeId == CodeId::Utf16Le || sourceCodeId == CodeId::Utf16Be) {
        if (TableConversion::FromUtf16(text, sourceCodeId == CodeId::Utf16Be, fromTable))
            return fromTable;
    } else if (sourceCodeId == CodeId::EucJp) {
        if (TableConversion::FromEucJp(text, fromTable))
            return fromTable;
    }
    return ConvertWithIconv(text, name, SkipRuleFor(sourceCodeId), stopped);
}

QByteArray TTextDecoder::ConvertUtf32(QByteArrayView utf32, bool *stopped) const
{
    if (stopped)
        *stopped = false;
    if (utf32.isEmpty())
        return {};
    return ConvertWithIconv(utf32, "UTF-32LE", [](const unsigned char *, qsizetype) -> qsizetype { return 4; },
                            stopped);
}

QByteArray TTextDecoder::ConvertWithIconv(QByteArrayView text, const char *sourceName,
                                          qsizetype (*skip)(const unsigned char *, qsizetype),
                                          bool *stopped) const
{
    // The skip rule goes with the code.
    if (!Converter || ConverterSource != sourceName) {
        Converter = std::make_unique<TIconvConverter>("CP932", sourceName, Substitute);
        Converter->SetSkipRule(skip);
        ConverterSource = sourceName;
    }
    QByteArray out;
    out.reserve(text.size() + 16);
    const qsizetype r = Converter->Convert(text, out, [this] { return !StopRequested(); });
    if (r < 0 && stopped)
        *stopped = StopRequested();
    return out;
}

QByteArray TTextDecoder::ConvertPiece(QByteArrayView text, qint32 sourceCodeId, TIso2022State &state,
                                      bool *stopped) const
{
    if (sourceCodeId != CodeId::Iso2022Jp)
        return ConvertText(text, sourceCodeId, stopped);
    if (stopped)
        *stopped = false;
    return DecodeIso2022Jp(text, Stop, stopped, &state);
}

QByteArray TTextDecoder::DecodeIso2022Jp(QByteArrayView text, const std::atomic<bool> *stop, bool *stopped,
                                         TIso2022State *state)
{
    using Mode = TIso2022State::Mode;
    TIso2022State fresh;
    TIso2022State &carried = state ? *state : fresh;
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype n = text.size();
    QByteArray out(n, Qt::Uninitialized); // never longer than its input
    char *o = out.data();
    Mode &mode = carried.CharSet;
    bool &shiftedOut = carried.ShiftedOut;
    qsizetype i = 0;
    qsizetype nextCheck = StopCheckInterval;
    while (i < n) {
        if (i >= nextCheck) {
            nextCheck += StopCheckInterval;
            if (stop && stop->load(std::memory_order_relaxed)) {
                if (stopped)
                    *stopped = true;
                out.resize(o - out.data());
                return out;
            }
        }
        // The runs that make up nearly all of a text, without the tests of
        // the general step below: printable bytes in ASCII, and printable
        // pairs in a double-byte set. Each stops at the next stop check.
        const qsizetype runEnd = qMin(n, nextCheck);
        if (!shiftedOut && mode == Mode::Ascii) {
            while (i < runEnd && IsJisPrintable(p[i]))
                *o++ = static_cast<char>(p[i++]);
        } else if (!shiftedOut && mode == Mode::DoubleByte) {
            while (i + 1 < runEnd) {
                const unsigned first = p[i] - 0x21u, second = p[i + 1] - 0x21u;
                if (first >= 94 || second >= 94)
                    break;
                o = PutJisPair(p[i], p[i + 1], o);
                i += 2;
            }
        }
        if (i >= n)
            break;
        if (i >= nextCheck)
            continue;
        const unsigned char b = p[i];
        if (b == 0x1B) {
            if (const TKnownEscape escape = KnownEscapeAt(p, i, n); escape.Length > 0) {
                if (escape.Designates)
                    mode = escape.Set;
                i += escape.Length;
                continue;
            }
            // A designation we do not know is one bad spot: ESC, its
            // intermediate bytes (0x20-0x2F) and its final byte (0x30-0x7E)
            // become one "?". A lone ESC is one "?" of its own.
            qsizetype k = i + 1;
            while (k < n && p[k] >= 0x20 && p[k] <= 0x2F)
                ++k;
            *o++ = Substitute[0];
            i = (k > i + 1 && k < n && p[k] >= 0x30 && p[k] <= 0x7E) ? k + 1 : i + 1;
            continue;
        }
        if (b == 0x0E) { shiftedOut = true; ++i; continue; }
        if (b == 0x0F) { shiftedOut = false; ++i; continue; }
        if (b < 0x21 || b == 0x7F) {
            // Controls, blanks and line ends pass in every mode. A shift-out
            // still open at a line end is a fault of the text; it ends
            // there, so that one stray SO cannot turn the rest of the file
            // into katakana.
            if (b == '\n' || b == '\r')
                shiftedOut = false;
            *o++ = static_cast<char>(b);
            ++i;
            continue;
        }
        if (b >= 0x80) {
            // 8-bit half-width katakana pass as they are; other high bytes
            // have no meaning here.
            *o++ = (b >= 0xA1 && b <= 0xDF) ? static_cast<char>(b) : Substitute[0];
            ++i;
            continue;
        }
        if (shiftedOut || mode == Mode::Kana) {
            *o++ = (b <= 0x5F) ? static_cast<char>(b + 0x80) : Substitute[0];
            ++i;
            continue;
        }
        if (mode == Mode::Ascii) {
            *o++ = static_cast<char>(b);
            ++i;
            continue;
        }
        // A double-byte set: two bytes 0x21-0x7E make one character.
        if (i + 1 < n && p[i + 1] >= 0x21 && p[i + 1] <= 0x7E) {
            if (mode == Mode::DoubleByte)
                o = PutJisPair(b, p[i + 1], o);
            else
                *o++ = Substitute[0];
            i += 2;
        } else {
            *o++ = Substitute[0];
            ++i;
        }
    }
    out.resize(o - out.data());
    return out;
}
