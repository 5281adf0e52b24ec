#pragma once
// Turns the bytes of one file into CP932 working text and tells which code
// the file had. Shift-JIS text is used where it lies; everything else is
// converted.

#include "IconvConverter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <atomic>
#include <memory>
#include <functional>

class TDecodedText
{
public:
    qint32 CodeId = 0;       // the id recorded in the file's hits
    QByteArrayView Text;     // the working text, ending before the first zero byte
                             // (of UTF-16: before the first zero code unit)
    QByteArray Converted;    // owns Text when the file was converted
    bool Stopped = false;    // the conversion was cut short by a stop request
    bool Skipped = false;    // not converted: it was certain to hold no hit
    bool HasText = false;    // the file has at least one line
    bool NeedsConversion = false; // Text is still in the file's own code (Locate)
};

class TTextDecoder
{
public:
    explicit TTextDecoder(const std::atomic<bool> *stop = nullptr) : Stop(stop) {}

    // content stays owned by the caller and must outlive the result when
    // the file needed no conversion.
    // worthConverting, when given, is asked before a conversion with the
    // bytes to convert and the code; when it answers false the file is not
    // converted (Skipped) and has no text to search.
    using ConversionCheck = std::function<bool(QByteArrayView raw, qint32 codeId)>;
    TDecodedText DecodeFile(QByteArrayView content, int codeChoice, const ConversionCheck &worthConverting = {}) const;

    // The first steps of DecodeFile without the conversion: the code id and
    // the bytes that DecodeFile would convert (NeedsConversion) or take.
    TDecodedText Locate(QByteArrayView content, int codeChoice) const;

    // Converts text in the given code to CP932. Invalid input and characters
    // without a CP932 form become "?"; conversion never ends a file early
    // except on a stop request (then stopped is set).
    QByteArray ConvertText(QByteArrayView text, qint32 sourceCodeId, bool *stopped = nullptr) const;

    // ISO-2022-JP in any of its common dialects to CP932: JIS X 0208 (ESC $ @,
    // ESC $ B, with the NEC and IBM rows that CP932 holds), JIS X 0213 plane 1
    // read as 0208, JIS-Roman, half-width katakana by ESC ( I, by SO/SI and
    // as raw 8-bit bytes.
    // The decoder's shift state, carried from one piece of a text to the
    // next when a huge file is decoded a piece at a time (pieces end after
    // a line feed, where no escape sequence or character is cut).
    struct TIso2022State
    {
        enum class Mode { Ascii, Kana, DoubleByte, Unsupported } CharSet = Mode::Ascii;
        bool ShiftedOut = false; // SO ... SI: half-width katakana
    };
    static QByteArray DecodeIso2022Jp(QByteArrayView text, const std::atomic<bool> *stop, bool *stopped,
                                      TIso2022State *state = nullptr);

    // What of an ISO-2022-JP text is left once the designations the decoder
    // knows and the shifts SO and SI are taken out; state goes on as the
    // decoder's would. Every character DecodeIso2022Jp makes other than "?"
    // and half-width katakana comes from the same bytes here, so a text
    // whose skeleton lacks Iso2022SkeletonForm(s) cannot hold s once
    // decoded; and its lines are those of the decoded text, one for one.
    static QByteArray Iso2022Skeleton(QByteArrayView text, TIso2022State &state);
    // The skeleton bytes of the longest stretch of a CP932 text whose every
    // character comes from one skeleton form only (ASCII but "?", and the
    // double-byte characters of JIS X 0208); empty when there is none.
    static QByteArray Iso2022SkeletonForm(QByteArrayView cp932);

    // UTF-32LE code points (whole ones, as TUtf7Decoder gives them) to
    // CP932, each character without a CP932 form one "?".
    QByteArray ConvertUtf32(QByteArrayView utf32, bool *stopped = nullptr) const;

    // ConvertText for one piece of a text; state carries what the next
    // piece needs.
    QByteArray ConvertPiece(QByteArrayView text, qint32 sourceCodeId, TIso2022State &state, bool *stopped) const;

    // How many bytes a sequence that cannot be converted spans, so that it
    // becomes one substitute: a whole character where it is well formed.
    static qsizetype SkipUtf8(const unsigned char *p, qsizetype n);
    static qsizetype SkipEucJp(const unsigned char *p, qsizetype n);

private:
    // text from the named code to CP932 through iconv; skip tells how many
    // bytes a sequence that cannot be converted spans.
    QByteArray ConvertWithIconv(QByteArrayView text, const char *sourceName,
                                qsizetype (*skip)(const unsigned char *, qsizetype), bool *stopped) const;

    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }
    const std::atomic<bool> *Stop;
    // The last converter opened, kept for the next text in the same code:
    // the candidate lines of a file are converted one by one, and opening
    // a converter for each cost more than converting it. A decoder is used
    // by one thread at a time.
    mutable std::unique_ptr<TIconvConverter> Converter;
    mutable const char *ConverterSource = nullptr;
};
