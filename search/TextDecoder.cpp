#include "TextDecoder.h"

#include "CodePage.h"
#include "IconvConverter.h"

#include <cstring>

namespace {

const QByteArray Substitute = QByteArrayLiteral("?");
constexpr qsizetype StopCheckInterval = 1 << 20;

} // namespace

qsizetype TTextDecoder::SkipUtf8(const unsigned char *p, qsizetype n)
{
    // A well-formed but unmappable character is stepped over whole; a
    // broken sequence one byte at a time.
    const int length = Utf8SequenceLength(p[0]);
    if (length == 1 || length > n)
        return 1;
    for (int k = 1; k < length; ++k)
        if (p[k] < 0x80 || p[k] > 0xBF)
            return 1;
    return length;
}

qsizetype TTextDecoder::SkipEucJp(const unsigned char *p, qsizetype n)
{
    auto isEuc = [](unsigned char b) { return b >= 0xA1 && b <= 0xFE; };
    if (p[0] == 0x8F && n >= 3 && isEuc(p[1]) && isEuc(p[2]))
        return 3;
    if (p[0] == 0x8E && n >= 2)
        return 2;
    if (isEuc(p[0]) && n >= 2 && isEuc(p[1]))
        return 2;
    return 1;
}

namespace {

const char *IconvName(qint32 codeId)
{
    switch (codeId) {
    case CodeId::EucJp: return "EUC-JP-MS";
    case CodeId::Utf7: return "UTF-7";
    case CodeId::Utf8:
    case CodeId::Utf8N: return "UTF-8";
    default: return nullptr;
    }
}

// JIS X 0208 row/cell bytes (0x21-0x7E each) to the Shift-JIS pair.
inline void JisToSjis(unsigned char j1, unsigned char j2, char *out)
{
    const unsigned char s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
    unsigned char s2;
    if (j1 & 1)
        s2 = static_cast<unsigned char>(j2 + (j2 <= 0x5F ? 0x1F : 0x20));
    else
        s2 = static_cast<unsigned char>(j2 + 0x7E);
    out[0] = static_cast<char>(s1);
    out[1] = static_cast<char>(s2);
}

} // namespace

TDecodedText TTextDecoder::Locate(QByteArrayView content, int codeChoice) const
{
    TDecodedText result;
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
    const char *name = IconvName(sourceCodeId);
    if (!name)
        return QByteArray(text.data(), text.size());
    TIconvConverter converter("CP932", name, Substitute);
    if (sourceCodeId == CodeId::EucJp)
        converter.SetSkipRule(SkipEucJp);
    else if (sourceCodeId != CodeId::Utf7)
        converter.SetSkipRule(SkipUtf8);
    QByteArray out;
    out.reserve(text.size() + 16);
    const qsizetype r = converter.Convert(text, out, [this] { return !StopRequested(); });
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
        const unsigned char b = p[i];
        if (b == 0x1B) {
            auto at = [&](qsizetype k) -> int { return i + k < n ? p[i + k] : -1; };
            const int c1 = at(1), c2 = at(2), c3 = at(3);
            if (c1 == '(' && (c2 == 'B' || c2 == 'J' || c2 == 'H')) {
                mode = Mode::Ascii; i += 3; continue;
            }
            if (c1 == '(' && c2 == 'I') {
                mode = Mode::Kana; i += 3; continue;
            }
            if (c1 == '$' && (c2 == '@' || c2 == 'B')) {
                mode = Mode::DoubleByte; i += 3; continue;
            }
            if (c1 == '&' && c2 == '@') { // announces the 1990 revision; ESC $ B follows
                i += 3; continue;
            }
            if (c1 == '$' && c2 == '(' && (c3 == 'O' || c3 == 'Q' || c3 == 'B')) {
                mode = Mode::DoubleByte; i += 4; continue;
            }
            if (c1 == '$' && (c2 == '(' || c2 == ')') && c3 >= 0x40 && c3 <= 0x7E) {
                mode = Mode::Unsupported; i += 4; continue; // JIS X 0212, 0213 plane 2
            }
            *o++ = Substitute[0]; // an escape we do not know
            ++i;
            continue;
        }
        if (b == 0x0E) { shiftedOut = true; ++i; continue; }
        if (b == 0x0F) { shiftedOut = false; ++i; continue; }
        if (b < 0x21 || b == 0x7F) {
            // Controls, blanks and line ends pass in every mode.
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
                JisToSjis(b, p[i + 1], o), o += 2;
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
