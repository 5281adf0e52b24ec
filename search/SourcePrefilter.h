#pragma once
// Decides, before a UTF-8 or EUC-JP file is converted, whether it can hold a
// hit at all. Converting costs far more than a byte search, and most files
// of a large tree hold no hit of a rare word: when the search text's own
// bytes in the file's code do not occur in the file, the conversion and the
// search are skipped.
//
// It is only used where the answer is certain: a plain, case-sensitive
// search whose every character comes from exactly one character of the
// file's code (no "?", which also stands for what cannot be converted, and
// no character that two source characters convert to).

#include <QByteArray>
#include <QByteArrayView>
#include <mutex>

class TSourcePrefilter
{
public:
    // findText is CP932; regular expressions and case-insensitive searches
    // are never filtered.
    TSourcePrefilter(const QByteArray &findText, bool noCase, bool useRegExp);

    // False only when a file with these bytes (the text before its first
    // zero byte, a UTF-8 mark already left off) in this code cannot hold
    // a hit once converted.
    bool MayHoldHits(QByteArrayView raw, qint32 codeId) const;

    // The search text's bytes in a code, empty when it cannot be used.
    QByteArray SourceForm(qint32 codeId) const;

    // What to look for in a UTF-8 or EUC-JP file's own bytes so that every
    // line that can hold a hit once converted holds it: the search text
    // (lower-cased under ignore-case), or for a regular expression the text
    // every match holds. FoldAscii: compare ASCII letters without case.
    // Empty Bytes: no such needle, the file must be converted whole.
    struct TRawNeedle
    {
        QByteArray Bytes;
        bool FoldAscii = false;
    };
    const TRawNeedle &RawNeedle(qint32 codeId) const;

    // What every line of an ISO-2022-JP text that can hold a hit holds in
    // its skeleton (TTextDecoder::Iso2022Skeleton): a stretch of the search
    // text, or of the text every match of a regular expression holds.
    // Empty: no such stretch, every piece must be decoded.
    const QByteArray &IsoNeedle() const;

private:
    // Worked out when a file of that code first comes (it takes a few
    // milliseconds, which a search of Shift-JIS files need not pay).
    // Workers of one search ask side by side: worked out once.
    struct TForm
    {
        std::once_flag Known;
        QByteArray Bytes;
    };
    const QByteArray &Form(TForm &form, const char *sourceName, bool utf8) const;

    struct TNeedleForm
    {
        std::once_flag Known;
        TRawNeedle Needle;
    };
    const TRawNeedle &Needle(TNeedleForm &form, const char *sourceName, bool utf8) const;

    QByteArray FindText;
    bool NoCase = false;
    bool UseRegExp = false;
    bool Usable = false;
    mutable TForm Utf8Form;
    mutable TForm EucForm;
    mutable TNeedleForm Utf8Needle;
    mutable TNeedleForm EucNeedle;
    mutable TForm IsoForm;
};
