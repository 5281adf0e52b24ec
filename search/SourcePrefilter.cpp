#include "SourcePrefilter.h"

#include "ByteFinder.h"
#include "CodePage.h"
#include "IconvConverter.h"
#include "RequiredLiteral.h"
#include "SjisText.h"
#include "TableConversion.h"
#include "TextDecoder.h"

#include <QList>
#include <array>
#include <bitset>
#include <cstring>

namespace {

// CP932 characters as one index: single bytes at their value, double-byte
// characters at lead * 256 + trail.
using TCharSet = std::bitset<65536>;

int CharIndex(QByteArrayView cp932)
{
    if (cp932.size() == 1)
        return static_cast<unsigned char>(cp932[0]);
    if (cp932.size() == 2)
        return static_cast<unsigned char>(cp932[0]) * 256 + static_cast<unsigned char>(cp932[1]);
    return -1;
}

// The CP932 characters that more than one source character converts to.
TCharSet SharedTargets(const char *sourceName, TIconvConverter::SkipRule skip,
                       const std::vector<QByteArray> &sources)
{
    std::vector<unsigned char> seen(65536, 0);
    for (const QByteArray &one : TableConversion::ConvertEach(sourceName, skip, sources)) {
        const int index = CharIndex(one);
        if (index >= 0 && seen[size_t(index)] < 2)
            ++seen[size_t(index)];
    }
    TCharSet shared;
    for (size_t i = 0; i < seen.size(); ++i)
        shared[i] = seen[i] > 1;
    return shared;
}

const TCharSet &SharedFromUtf8()
{
    static const TCharSet set = [] {
        std::vector<QByteArray> sources;
        for (char32_t u = 0; u < 0x10000; ++u)
            if (u != '\n' && (u < 0xD800 || u > 0xDFFF))
                sources.push_back(QString::fromUcs4(&u, 1).toUtf8());
        return SharedTargets("UTF-8", TTextDecoder::SkipUtf8, sources);
    }();
    return set;
}

const TCharSet &SharedFromEuc()
{
    static const TCharSet set = [] {
        std::vector<QByteArray> sources;
        for (int b = 0; b < 0x80; ++b)
            if (b != '\n')
                sources.push_back(QByteArray(1, char(b)));
        for (int b = 0xA1; b <= 0xDF; ++b)
            sources.push_back(QByteArray("\x8E") + char(b));
        for (int a = 0xA1; a <= 0xFE; ++a) {
            for (int b = 0xA1; b <= 0xFE; ++b) {
                sources.push_back(QByteArray() + char(a) + char(b));
                sources.push_back(QByteArray("\x8F") + char(a) + char(b));
            }
        }
        return SharedTargets("EUC-JP-MS", TTextDecoder::SkipEucJp, sources);
    }();
    return set;
}

// The pattern in the source code, when every one of its characters has a
// single source character and it converts back to itself.
QByteArray UsableSourceForm(const QByteArray &cp932, const char *sourceName, const TCharSet &shared)
{
    if (cp932.contains('?'))
        return {};
    const auto *p = reinterpret_cast<const unsigned char *>(cp932.constData());
    for (qsizetype i = 0; i < cp932.size();) {
        const qsizetype length = (IsLeadByte(p[i]) && i + 1 < cp932.size()) ? 2 : 1;
        const int index = CharIndex(QByteArrayView(cp932).sliced(i, length));
        if (index < 0 || shared[size_t(index)])
            return {};
        i += length;
    }
    TIconvConverter toSource(sourceName, "CP932", "");
    TIconvConverter back("CP932", sourceName, "");
    QByteArray source, again;
    if (toSource.Convert(cp932, source) != 0 || back.Convert(source, again) != 0 || again != cp932)
        return {};
    return source;
}

// The CP932 characters that lower-casing makes of some other character:
// a search text lower-cased holds one of them where the line may hold
// either form.
const TCharSet &LowerCaseImages()
{
    static const TCharSet set = [] {
        TCharSet images;
        auto mark = [&](QByteArray c) {
            const QByteArray lowered = LowerCaseCp932(c);
            if (lowered != c)
                images[size_t(CharIndex(lowered))] = true;
        };
        for (int b = 0; b < 0x100; ++b)
            if (!IsLeadByte(static_cast<unsigned char>(b)))
                mark(QByteArray(1, char(b)));
        for (int lead = 0x81; lead <= 0xFC; ++lead)
            if (IsLeadByte(static_cast<unsigned char>(lead)))
                for (int trail = 0x40; trail <= 0xFC; ++trail)
                    mark(QByteArray() + char(lead) + char(trail));
        return images;
    }();
    return set;
}

bool HasCaseVariant(const QByteArray &lowered)
{
    const auto *p = reinterpret_cast<const unsigned char *>(lowered.constData());
    for (qsizetype i = 0; i < lowered.size();) {
        const qsizetype length = (IsLeadByte(p[i]) && i + 1 < lowered.size()) ? 2 : 1;
        const int index = CharIndex(QByteArrayView(lowered).sliced(i, length));
        if (index < 0 || LowerCaseImages()[size_t(index)])
            return true;
        i += length;
    }
    return false;
}

bool IsAscii(const QByteArray &text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

TSourcePrefilter::TSourcePrefilter(const QByteArray &findText, bool noCase, bool useRegExp)
    : FindText(findText), NoCase(noCase), UseRegExp(useRegExp), Usable(!noCase && !useRegExp && !findText.isEmpty())
{
}

const TSourcePrefilter::TRawNeedle &TSourcePrefilter::Needle(TNeedleForm &form, const char *sourceName,
                                                             bool utf8) const
{
    std::call_once(form.Known, [&] {
        QByteArray text;
        bool fold = false;
        if (UseRegExp) {
            // With ignore-case this is a lower-cased ASCII run.
            text = TRequiredLiteral::Find(FindText, NoCase);
            fold = NoCase;
        } else if (!NoCase) {
            text = FindText;
        } else {
            text = LowerCaseCp932(FindText);
            fold = HasCaseVariant(text);
            if (fold && !IsAscii(text))
                return; // a full-width letter: its two forms would both have to be looked for
        }
        if (text.isEmpty() || text.contains('\r') || text.contains('\n'))
            return;
        const TCharSet &shared = utf8 ? SharedFromUtf8() : SharedFromEuc();
        const QByteArray source = UsableSourceForm(text, sourceName, shared);
        if (source.isEmpty())
            return;
        if (fold) {
            // Both letter forms must come from one source character each,
            // which for ASCII is the byte itself.
            if (source != text || UsableSourceForm(text.toUpper(), sourceName, shared) != text.toUpper())
                return;
        }
        form.Needle.Bytes = source;
        form.Needle.FoldAscii = fold;
    });
    return form.Needle;
}

const TSourcePrefilter::TRawNeedle &TSourcePrefilter::RawNeedle(qint32 codeId) const
{
    static const TRawNeedle none;
    switch (codeId) {
    case CodeId::Utf8:
    case CodeId::Utf8N: return Needle(Utf8Needle, "UTF-8", true);
    case CodeId::EucJp: return Needle(EucNeedle, "EUC-JP-MS", false);
    default: return none;
    }
}

const QByteArray &TSourcePrefilter::Form(TForm &form, const char *sourceName, bool utf8) const
{
    std::call_once(form.Known, [&] {
        if (Usable)
            form.Bytes = UsableSourceForm(FindText, sourceName, utf8 ? SharedFromUtf8() : SharedFromEuc());
    });
    return form.Bytes;
}

QByteArray TSourcePrefilter::SourceForm(qint32 codeId) const
{
    switch (codeId) {
    case CodeId::Utf8:
    case CodeId::Utf8N: return Form(Utf8Form, "UTF-8", true);
    case CodeId::EucJp: return Form(EucForm, "EUC-JP-MS", false);
    default: return {};
    }
}

const QByteArray &TSourcePrefilter::IsoNeedle() const
{
    std::call_once(IsoForm.Known, [&] {
        const QByteArray text = UseRegExp ? TRequiredLiteral::Find(FindText, NoCase)
                                : NoCase  ? LowerCaseCp932(FindText)
                                          : FindText;
        if (NoCase && HasCaseVariant(text))
            return; // a line may hold either form of a letter
        if (text.contains('\r') || text.contains('\n'))
            return;
        IsoForm.Bytes = TTextDecoder::Iso2022SkeletonForm(text);
    });
    return IsoForm.Bytes;
}

bool TSourcePrefilter::MayHoldHits(QByteArrayView raw, qint32 codeId) const
{
    if (codeId == CodeId::Iso2022Jp) {
        const QByteArray &needle = IsoNeedle();
        if (needle.isEmpty())
            return true;
        TTextDecoder::TIso2022State state;
        return TByteFinder(needle).Find(TTextDecoder::Iso2022Skeleton(raw, state)) >= 0;
    }
    const QByteArray form = SourceForm(codeId);
    if (form.isEmpty())
        return true;
    if (raw.size() < form.size())
        return false;
    return TByteFinder(form).Find(raw) >= 0;
}
