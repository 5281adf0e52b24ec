#include "NotationFold.h"

#include "Cp932.h"
#include "SjisText.h"

#include <QChar>
#include <QString>
#include <algorithm>
#include <cstring>
#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// A CP932 character as one number: single bytes at their value, double-byte
// characters at lead * 256 + trail.
using TCode = quint16;

constexpr unsigned char VoicedMark = 0xDE;     // ﾞ
constexpr unsigned char SemiVoicedMark = 0xDF; // ﾟ

inline TCode CodeAt(const unsigned char *p, qsizetype at, qsizetype n, qsizetype &length)
{
    if (IsLeadByte(p[at]) && at + 1 < n) {
        length = 2;
        return TCode(p[at] << 8 | p[at + 1]);
    }
    length = 1;
    return p[at];
}

inline void Append(QByteArray &out, TCode code)
{
    if (code > 0xFF)
        out.append(char(code >> 8));
    out.append(char(code & 0xFF));
}

inline QByteArray Bytes(TCode code)
{
    QByteArray out;
    Append(out, code);
    return out;
}

inline bool IsHalfWidthKana(unsigned char b) { return b >= 0xA6 && b <= 0xDD; }

// The text of every CP932 character (one UTF-16 unit each; an empty string
// where the code is no character).
class TCharacters
{
public:
    TCharacters() : Text(65536)
    {
        auto put = [&](TCode code) {
            const QString s = TCp932::ToQString(Bytes(code));
            if (s.size() == 1 && s[0] != QChar(QChar::ReplacementCharacter))
                Text[code] = s[0];
        };
        for (int b = 0; b < 0x100; ++b)
            if (!IsLeadByte(static_cast<unsigned char>(b)))
                put(TCode(b));
        for (int lead = 0x81; lead <= 0xFC; ++lead)
            if (IsLeadByte(static_cast<unsigned char>(lead)))
                for (int trail = 0x40; trail <= 0xFC; ++trail)
                    if (trail != 0x7F)
                        put(TCode(lead << 8 | trail));
    }
    static const TCharacters &Get()
    {
        static const TCharacters characters;
        return characters;
    }
    bool IsCharacter(TCode code) const { return !Text[code].isNull(); }
    QChar Of(TCode code) const { return Text[code]; }

    // The CP932 character of a text of one character that converts back to
    // that very text; -1 when there is none.
    static int CodeOf(const QString &text)
    {
        QByteArray bytes;
        if (text.isEmpty() || !TCp932::FromQString(text, bytes) || bytes.isEmpty() || bytes.size() > 2)
            return -1;
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        qsizetype length = 0;
        const TCode code = CodeAt(p, 0, bytes.size(), length);
        if (length != bytes.size() || TCp932::ToQString(bytes) != text)
            return -1;
        return code;
    }

private:
    std::vector<QChar> Text;
};

} // namespace

struct TNotationFold::TTables
{
    std::vector<TCode> Target = std::vector<TCode>(65536);
    // For a half-width katakana and its mark (0: ﾞ, 1: ﾟ): the character
    // the pair folds to, 0 when it does not fold as a pair.
    std::array<std::array<TCode, 2>, 256> Pair{};
    std::unordered_map<TCode, std::vector<QByteArray>> FormsOf;

    explicit TTables(unsigned flags)
    {
        const TCharacters &chars = TCharacters::Get();
        // One step of each kind; a character folds as far as the steps go.
        std::vector<TCode> width(65536), kana(65536);
        for (int c = 0; c < 65536; ++c) {
            width[size_t(c)] = kana[size_t(c)] = TCode(c);
            Target[size_t(c)] = TCode(c);
        }
        for (int c = 0; c < 65536; ++c) {
            if (!chars.IsCharacter(TCode(c)))
                continue;
            const QChar ch = chars.Of(TCode(c));
            if (flags & Width) {
                // Only what Unicode calls a wide or narrow form of another
                // character: circled digits, squared words, Roman numerals
                // and the like are other characters, not other widths.
                const auto tag = ch.decompositionTag();
                if (tag == QChar::Wide || tag == QChar::Narrow) {
                    const int to = TCharacters::CodeOf(QString(ch).normalized(QString::NormalizationForm_KC));
                    if (to >= 0 && to != c)
                        width[size_t(c)] = TCode(to);
                }
                // A mark standing alone: Unicode narrows ﾞﾟ from the
                // combining marks, which CP932 lacks; the full-width marks
                // ゛゜ are what a writer put in their place.
                if (ch.unicode() == 0xFF9E || ch.unicode() == 0xFF9F) {
                    const int to = TCharacters::CodeOf(QString(QChar(char16_t(ch.unicode() == 0xFF9E ? 0x309B : 0x309C))));
                    if (to >= 0)
                        width[size_t(c)] = TCode(to);
                }
            }
            if (flags & Kana) {
                // ぁ..ゖ and the iteration marks ゝゞ lie 0x60 below their katakana.
                const char16_t u = ch.unicode();
                if ((u >= 0x3041 && u <= 0x3096) || u == 0x309D || u == 0x309E) {
                    const int to = TCharacters::CodeOf(QString(QChar(char16_t(u + 0x60))));
                    if (to >= 0)
                        kana[size_t(c)] = TCode(to);
                }
            }
        }
        auto lower = [&](TCode c) -> TCode {
            if (!(flags & Case))
                return c;
            QByteArray b = Bytes(c);
            LowerCaseCp932InPlace(b.data(), b.size());
            const auto *p = reinterpret_cast<const unsigned char *>(b.constData());
            qsizetype length = 0;
            return CodeAt(p, 0, b.size(), length);
        };
        auto fold = [&](TCode c) {
            for (int step = 0; step < 8; ++step) {
                const TCode next = lower(kana[width[c]]);
                if (next == c)
                    break;
                c = next;
            }
            return c;
        };
        for (int c = 0; c < 65536; ++c) {
            if (!chars.IsCharacter(TCode(c)))
                continue;
            Target[size_t(c)] = fold(TCode(c));
            FormsOf[Target[size_t(c)]].push_back(Bytes(TCode(c)));
        }
        if (flags & Width) {
            for (int b = 0xA6; b <= 0xDD; ++b) {
                for (int m = 0; m < 2; ++m) {
                    const QByteArray pair = QByteArray() + char(b) + char(m == 0 ? VoicedMark : SemiVoicedMark);
                    const int to = TCharacters::CodeOf(TCp932::ToQString(pair).normalized(QString::NormalizationForm_KC));
                    if (to < 0)
                        continue;
                    Pair[size_t(b)][size_t(m)] = fold(TCode(to));
                    FormsOf[Pair[size_t(b)][size_t(m)]].push_back(pair);
                }
            }
        }
    }

    static const TTables &For(unsigned flags)
    {
        static std::array<std::once_flag, 8> made;
        static std::array<std::unique_ptr<TTables>, 8> tables;
        flags &= 7;
        std::call_once(made[flags], [flags] { tables[flags] = std::make_unique<TTables>(flags); });
        return *tables[flags];
    }
};

TNotationFold::TNotationFold(unsigned flags)
    : FlagSet(flags & (Width | Kana | Case)), Tables(FlagSet ? &TTables::For(FlagSet) : nullptr)
{
}

void TNotationFold::Fold(QByteArrayView text, QByteArray &out, std::vector<qsizetype> *sourceAt) const
{
    const qsizetype n = text.size();
    // A character folds to two bytes at most, a single byte among them.
    out.resize(Tables ? 2 * n : n);
    if (sourceAt)
        sourceAt->resize(size_t(out.size() + 1));
    qsizetype *map = sourceAt ? sourceAt->data() : nullptr;
    if (!Tables) {
        memcpy(out.data(), text.data(), size_t(n));
        if (map)
            for (qsizetype i = 0; i <= n; ++i)
                map[i] = i;
        return;
    }
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    const TCode *target = Tables->Target.data();
    qsizetype i = 0, k = 0;
    while (i < n) {
        const unsigned char b = p[i];
        qsizetype length;
        TCode to;
        if (IsLeadByte(b) && i + 1 < n) {
            length = 2;
            to = target[TCode(b << 8 | p[i + 1])];
        } else {
            length = 1;
            to = target[b];
            if (IsHalfWidthKana(b) && i + 1 < n && (p[i + 1] == VoicedMark || p[i + 1] == SemiVoicedMark)) {
                if (const TCode pair = Tables->Pair[b][p[i + 1] - VoicedMark]) {
                    to = pair;
                    length = 2;
                }
            }
        }
        if (to > 0xFF) {
            o[k] = static_cast<unsigned char>(to >> 8);
            o[k + 1] = static_cast<unsigned char>(to);
            if (map)
                map[k] = map[k + 1] = i;
            k += 2;
        } else {
            o[k] = static_cast<unsigned char>(to);
            if (map)
                map[k] = i;
            k += 1;
        }
        i += length;
    }
    out.resize(k);
    if (map) {
        map[k] = n;
        sourceAt->resize(size_t(k + 1));
    }
}

QByteArray TNotationFold::Fold(QByteArrayView text) const
{
    QByteArray out;
    Fold(text, out);
    return out;
}

std::vector<QByteArray> TNotationFold::Forms(QByteArrayView foldedChar) const
{
    if (Tables && foldedChar.size() >= 1 && foldedChar.size() <= 2) {
        const auto *p = reinterpret_cast<const unsigned char *>(foldedChar.data());
        qsizetype length = 0;
        const TCode code = CodeAt(p, 0, foldedChar.size(), length);
        if (length == foldedChar.size()) {
            const auto found = Tables->FormsOf.find(code);
            if (found != Tables->FormsOf.end())
                return found->second;
            if (TCharacters::Get().IsCharacter(code))
                return {}; // a character that folds away: never in folded text
        }
    }
    return {foldedChar.toByteArray()};
}

bool TNotationFold::IsFixed(QByteArrayView foldedChar) const
{
    const std::vector<QByteArray> forms = Forms(foldedChar);
    return forms.size() == 1 && forms.front() == foldedChar;
}

QByteArray TNotationFold::FixedRun(QByteArrayView folded) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(folded.data());
    const qsizetype n = folded.size();
    qsizetype bestStart = 0, bestLength = 0, runStart = 0;
    for (qsizetype i = 0; i < n;) {
        qsizetype length = 0;
        CodeAt(p, i, n, length);
        if (!IsFixed(folded.sliced(i, length)))
            runStart = i + length;
        else if (i + length - runStart > bestLength) {
            bestStart = runStart;
            bestLength = i + length - runStart;
        }
        i += length;
    }
    return folded.sliced(bestStart, bestLength).toByteArray();
}

std::vector<QByteArray> TNotationFold::RarestForms(QByteArrayView folded) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(folded.data());
    const qsizetype n = folded.size();
    std::vector<QByteArray> best;
    qsizetype bestShortest = 0;
    for (qsizetype i = 0; i < n;) {
        qsizetype length = 0;
        CodeAt(p, i, n, length);
        std::vector<QByteArray> forms = Forms(folded.sliced(i, length));
        i += length;
        if (forms.empty())
            continue;
        qsizetype shortest = forms.front().size();
        for (const QByteArray &form : forms)
            shortest = qMin(shortest, form.size());
        // Longer forms match fewer places by chance; then fewer forms.
        if (best.empty() || shortest > bestShortest || (shortest == bestShortest && forms.size() < best.size())) {
            best = std::move(forms);
            bestShortest = shortest;
        }
    }
    return best;
}

namespace {

inline bool IsAsciiSign(TCode code) { return code < 0x80 && !QChar::isLetterOrNumber(code) && code != '_'; }

// A folded character as a regular expression writes it literally.
void AppendLiteral(QByteArray &out, TCode code)
{
    // A sign is escaped, a blank too: it stays one under the extended syntax.
    if (IsAsciiSign(code))
        out.append('\\');
    Append(out, code);
}

} // namespace

QByteArray TNotationFold::FoldPattern(QByteArrayView pattern) const
{
    if (!Tables)
        return pattern.toByteArray();
    QByteArray out;
    const auto *p = reinterpret_cast<const unsigned char *>(pattern.data());
    const qsizetype n = pattern.size();
    bool quoting = false; // between \Q and \E everything is literal
    for (qsizetype i = 0; i < n;) {
        if (p[i] == '\\' && i + 1 < n && (!quoting || p[i + 1] == 'E')) {
            // An escape is kept as written, with the character after the
            // backslash whole.
            qsizetype length = 0;
            CodeAt(p, i + 1, n, length);
            quoting = p[i + 1] == 'Q';
            out.append(pattern.sliced(i, 1 + length));
            i += 1 + length;
            continue;
        }
        if (p[i] == '[' && !quoting) {
            i = FoldClass(pattern, i, out);
            continue;
        }
        qsizetype length = 0;
        const TCode code = CodeAt(p, i, n, length);
        TCode to = Tables->Target[code];
        if (length == 1 && IsHalfWidthKana(p[i]) && i + 1 < n
            && (p[i + 1] == VoicedMark || p[i + 1] == SemiVoicedMark)) {
            if (const TCode pair = Tables->Pair[p[i]][p[i + 1] - VoicedMark]) {
                to = pair;
                length = 2;
            }
        }
        if (to == code || quoting)
            Append(out, to);
        else
            AppendLiteral(out, to);
        i += length;
    }
    return out;
}

qsizetype TNotationFold::FoldClass(QByteArrayView pattern, qsizetype at, QByteArray &out) const
{
    const auto *p = reinterpret_cast<const unsigned char *>(pattern.data());
    const qsizetype n = pattern.size();
    std::vector<TCode> added; // folded forms of the members, put in before the class ends
    auto flush = [&] {
        std::sort(added.begin(), added.end());
        added.erase(std::unique(added.begin(), added.end()), added.end());
        for (size_t k = 0; k < added.size();) {
            size_t last = k;
            while (last + 1 < added.size() && added[last + 1] == added[last] + 1)
                ++last;
            AppendLiteral(out, added[k]);
            if (last >= k + 2) {
                out.append('-');
                AppendLiteral(out, added[last]);
                k = last + 1;
            } else {
                ++k;
            }
        }
        added.clear();
    };
    out.append('[');
    qsizetype i = at + 1;
    if (i < n && p[i] == '^')
        out.append(char(p[i++]));
    bool first = true;
    while (i < n) {
        if (p[i] == ']' && !first) {
            flush();
            out.append(']');
            return i + 1;
        }
        first = false;
        if (p[i] == '[') {
            if (i + 1 < n && p[i + 1] == ':') {
                // A POSIX bracket [:name:] is copied whole.
                const qsizetype end = pattern.indexOf(":]", i + 2);
                const qsizetype stop = end < 0 ? n : end + 2;
                out.append(pattern.sliced(i, stop - i));
                i = stop;
            } else {
                i = FoldClass(pattern, i, out);
            }
            continue;
        }
        if (p[i] == '&' && i + 1 < n && p[i + 1] == '&') {
            flush(); // the members so far belong to the left side
            out.append("&&");
            i += 2;
            continue;
        }
        if (p[i] == '\\') {
            qsizetype length = 0;
            if (i + 1 < n)
                CodeAt(p, i + 1, n, length);
            out.append(pattern.sliced(i, 1 + length));
            i += 1 + length;
            continue;
        }
        qsizetype length = 0;
        const TCode from = CodeAt(p, i, n, length);
        i += length;
        TCode to = from;
        if (i + 1 < n && p[i] == '-' && p[i + 1] != ']' && p[i + 1] != '\\' && p[i + 1] != '[') {
            qsizetype toLength = 0;
            to = CodeAt(p, i + 1, n, toLength);
            out.append(pattern.sliced(i - length, length + 1 + toLength));
            i += 1 + toLength;
        } else {
            Append(out, from);
        }
        for (unsigned c = from; c <= to; ++c) {
            const TCode folded = Tables->Target[c];
            if (folded != c)
                added.push_back(folded);
            // A half-width katakana with its mark folds to one character:
            // the class that holds the letter holds that one too, so
            // [ｱ-ﾝ]+ goes on over ﾃﾞ as it goes on over デ.
            if (c <= 0xFF && IsHalfWidthKana(static_cast<unsigned char>(c)))
                for (const TCode pair : Tables->Pair[c])
                    if (pair)
                        added.push_back(pair);
        }
    }
    // No closing bracket: left for the library to report.
    flush();
    return n;
}
