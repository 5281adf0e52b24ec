#include "TableConversion.h"

#include "IconvConverter.h"
#include "TextDecoder.h"

#include <QList>
#include <QString>
#include <vector>

namespace {

// A CP932 form kept in a table: a single byte as itself, a pair as lead *
// 256 + trail; 0 where the table has no answer.
using TForm = unsigned short;

inline void Put(TForm form, char *&o)
{
    if (form >= 0x100)
        *o++ = char(form >> 8);
    *o++ = char(form & 0xFF);
}

// The table forms of ConvertEach's results; empty when the converter is
// missing or the results do not split back one per source.
std::vector<TForm> FormsOf(const char *sourceName, TIconvConverter::SkipRule skip,
                           const std::vector<QByteArray> &sources)
{
    const QList<QByteArray> results = TableConversion::ConvertEach(sourceName, skip, sources);
    if (results.size() != qsizetype(sources.size()) + 1)
        return {};
    std::vector<TForm> forms(sources.size(), 0);
    for (size_t k = 0; k < sources.size(); ++k) {
        const QByteArray &f = results[qsizetype(k)];
        const auto *b = reinterpret_cast<const unsigned char *>(f.constData());
        if (f.size() == 1 && b[0] != 0)
            forms[k] = b[0];
        else if (f.size() == 2 && b[0] >= 0x81)
            forms[k] = static_cast<TForm>(b[0] << 8 | b[1]);
    }
    return forms;
}

// Every code point of the BMP but the surrogates.
class TUnicodeTable
{
public:
    TUnicodeTable() : Cp932(0x10000, 0)
    {
        std::vector<QByteArray> sources;
        std::vector<char16_t> order;
        for (char32_t u = 1; u < 0x10000; ++u) {
            if (u == '\n' || (u >= 0xD800 && u <= 0xDFFF))
                continue;
            sources.push_back(QString::fromUcs4(&u, 1).toUtf8());
            order.push_back(char16_t(u));
        }
        const std::vector<TForm> forms = FormsOf("UTF-8", TTextDecoder::SkipUtf8, sources);
        for (size_t k = 0; k < forms.size(); ++k)
            Cp932[order[k]] = forms[k];
        if (!forms.empty())
            Cp932['\n'] = '\n';
    }
    TForm Of(char32_t u) const { return u < 0x10000 ? Cp932[u] : 0; }

private:
    std::vector<TForm> Cp932;
};

// Every EUC-JP character: single bytes, pairs of A1-FE, 8E with a
// half-width katakana, 8F with a pair.
class TEucTable
{
public:
    TEucTable() : Singles(0x80, 0), Pairs(94 * 94, 0), Kana(0x100, 0), Supplement(94 * 94, 0)
    {
        std::vector<QByteArray> sources;
        for (int b = 1; b < 0x80; ++b)
            if (b != '\n')
                sources.push_back(QByteArray(1, char(b)));
        for (int b = 0xA1; b <= 0xDF; ++b)
            sources.push_back(QByteArray("\x8E") + char(b));
        for (int a = 0xA1; a <= 0xFE; ++a)
            for (int b = 0xA1; b <= 0xFE; ++b)
                sources.push_back(QByteArray() + char(a) + char(b));
        for (int a = 0xA1; a <= 0xFE; ++a)
            for (int b = 0xA1; b <= 0xFE; ++b)
                sources.push_back(QByteArray("\x8F") + char(a) + char(b));
        const std::vector<TForm> forms = FormsOf("EUC-JP-MS", TTextDecoder::SkipEucJp, sources);
        if (forms.empty())
            return;
        size_t k = 0;
        for (int b = 1; b < 0x80; ++b)
            if (b != '\n')
                Singles[size_t(b)] = forms[k++];
        Singles['\n'] = '\n';
        for (int b = 0xA1; b <= 0xDF; ++b)
            Kana[size_t(b)] = forms[k++];
        for (size_t i = 0; i < Pairs.size(); ++i)
            Pairs[i] = forms[k++];
        for (size_t i = 0; i < Supplement.size(); ++i)
            Supplement[i] = forms[k++];
    }

    // The form of the character at p[i], and its length; 0 when the table
    // has no answer.
    TForm At(const unsigned char *p, qsizetype i, qsizetype n, int &length) const
    {
        const unsigned char b = p[i];
        if (b < 0x80) {
            length = 1;
            return Singles[b];
        }
        auto inRow = [](unsigned char c) { return c >= 0xA1 && c <= 0xFE; };
        if (b == 0x8E && i + 1 < n) {
            length = 2;
            return Kana[p[i + 1]];
        }
        if (b == 0x8F && i + 2 < n && inRow(p[i + 1]) && inRow(p[i + 2])) {
            length = 3;
            return Supplement[size_t(p[i + 1] - 0xA1) * 94 + (p[i + 2] - 0xA1)];
        }
        if (inRow(b) && i + 1 < n && inRow(p[i + 1])) {
            length = 2;
            return Pairs[size_t(b - 0xA1) * 94 + (p[i + 1] - 0xA1)];
        }
        return 0;
    }

private:
    std::vector<TForm> Singles, Pairs, Kana, Supplement;
};

const TUnicodeTable &UnicodeTable()
{
    static const TUnicodeTable table;
    return table;
}

inline bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

} // namespace

QList<QByteArray> TableConversion::ConvertEach(const char *sourceName, TIconvConverter::SkipRule skip,
                                               const std::vector<QByteArray> &sources)
{
    QByteArray batch;
    for (const QByteArray &s : sources)
        batch += s + '\n';
    TIconvConverter converter("CP932", sourceName, "");
    converter.SetSkipRule(skip);
    QByteArray out;
    if (!converter.IsOpen() || converter.Convert(batch, out) < 0)
        return {};
    return out.split('\n');
}

bool TableConversion::FromUtf8(QByteArrayView utf8, QByteArray &out)
{
    const TUnicodeTable &table = UnicodeTable();
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const qsizetype n = utf8.size();
    out.resize(n); // a character's CP932 form is never longer than its UTF-8 one
    char *o = out.data();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        char32_t u;
        if (b < 0x80) {
            u = b;
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF && i + 1 < n && IsContinuation(p[i + 1])) {
            u = char32_t(b & 0x1F) << 6 | (p[i + 1] & 0x3F);
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF && i + 2 < n && IsContinuation(p[i + 1]) && IsContinuation(p[i + 2])) {
            u = char32_t(b & 0x0F) << 12 | char32_t(p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
            if (u < 0x800)
                return false; // too long a form (surrogates have no entry)
            i += 3;
        } else {
            return false;
        }
        const TForm form = table.Of(u);
        if (form == 0)
            return false;
        Put(form, o);
    }
    out.resize(o - out.data());
    return true;
}

bool TableConversion::FromUtf16(QByteArrayView utf16, bool bigEndian, QByteArray &out)
{
    const TUnicodeTable &table = UnicodeTable();
    if (utf16.size() % 2 != 0)
        return false;
    const auto *p = reinterpret_cast<const unsigned char *>(utf16.data());
    const qsizetype n = utf16.size();
    out.resize(n); // two bytes a unit, at most two of CP932
    char *o = out.data();
    for (qsizetype i = 0; i < n; i += 2) {
        const char32_t u = bigEndian ? char32_t(p[i]) << 8 | p[i + 1] : char32_t(p[i + 1]) << 8 | p[i];
        const TForm form = table.Of(u);
        if (form == 0)
            return false;
        Put(form, o);
    }
    out.resize(o - out.data());
    return true;
}

bool TableConversion::FromEucJp(QByteArrayView euc, QByteArray &out)
{
    static const TEucTable table;
    const auto *p = reinterpret_cast<const unsigned char *>(euc.data());
    const qsizetype n = euc.size();
    out.resize(n); // one byte stays one, two or three become at most two
    char *o = out.data();
    for (qsizetype i = 0; i < n;) {
        int length = 0;
        const TForm form = table.At(p, i, n, length);
        if (form == 0)
            return false;
        Put(form, o);
        i += length;
    }
    out.resize(o - out.data());
    return true;
}
