// One decoder, chosen at build time by KESTU_FUZZ_CODE_CHOICE (the index of
// the character-code box). Checks, on any input:
//  - valid input decodes exactly as a second, independent path through
//    iconv does: first to UTF-32, then each character on its own to CP932,
//    "?" for one that CP932 cannot hold;
//  - invalid input never gives more "?" than it has bytes that can be bad;
//  - whatever came before, a line end and plain text after it come out
//    unchanged: decoding is back in step after a bad spot.

#include "CodePage.h"
#include "FuzzSupport.h"
#include "TextDecoder.h"

#include <iconv.h>

#include <cstring>
#include <optional>

#ifndef KESTU_FUZZ_CODE_CHOICE
#error "KESTU_FUZZ_CODE_CHOICE names the decoder to fuzz"
#endif

namespace {

constexpr int Choice = KESTU_FUZZ_CODE_CHOICE;

const char *IconvSourceName()
{
    switch (Choice) {
    case 2: return "EUC-JP-MS";
    case 4: return "UTF-7";
    case 5:
    case 6: return "UTF-8";
    default: return nullptr; // Shift-JIS is taken as it is; ISO-2022-JP has its own reader
    }
}

// All of text through one descriptor, or nothing when any byte is refused.
std::optional<QByteArray> ConvertAll(iconv_t cd, QByteArrayView text, size_t growth)
{
    QByteArray out(text.size() * qsizetype(growth) + 16, Qt::Uninitialized);
    char *in = const_cast<char *>(text.data());
    size_t inLeft = size_t(text.size());
    char *dst = out.data();
    size_t dstLeft = size_t(out.size());
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &dst, &dstLeft) == size_t(-1))
        return std::nullopt;
    if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == size_t(-1))
        return std::nullopt;
    out.resize(dst - out.data());
    return out;
}

std::optional<QByteArray> Reference(QByteArrayView text)
{
    const char *source = IconvSourceName();
    if (!source)
        return std::nullopt;
    static iconv_t toUtf32 = iconv_open("UTF-32LE", source);
    static iconv_t toCp932 = iconv_open("CP932", "UTF-32LE");
    FUZZ_CHECK(toUtf32 != iconv_t(-1) && toCp932 != iconv_t(-1));
    const std::optional<QByteArray> utf32 = ConvertAll(toUtf32, text, 4);
    if (!utf32)
        return std::nullopt;
    QByteArray expected;
    for (qsizetype i = 0; i + 4 <= utf32->size(); i += 4) {
        // An encoded zero character (UTF-7 can hold one) is one "?": the
        // working text never holds a zero byte.
        if (std::memcmp(utf32->constData() + i, "\0\0\0\0", 4) == 0) {
            expected += '?';
            continue;
        }
        const std::optional<QByteArray> one = ConvertAll(toCp932, QByteArrayView(utf32->constData() + i, 4), 1);
        expected += one ? *one : QByteArrayLiteral("?");
    }
    return expected;
}

QByteArray Decode(QByteArrayView content)
{
    TTextDecoder decoder;
    const TDecodedText decoded = decoder.DecodeFile(content, Choice);
    FUZZ_CHECK(!decoded.Stopped && !decoded.Skipped);
    return QByteArray(decoded.Text.data(), decoded.Text.size());
}

// Text that follows a bad spot and must come out as it went in, with what
// ends a shifted state in front of it where the code has one.
QByteArray InStepSuffix()
{
    switch (Choice) {
    case 3: return QByteArrayLiteral("\x1B(B\nkestu 42");
    case 4: return QByteArrayLiteral("-\nkestu 42");
    default: return QByteArrayLiteral("\nkestu 42");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView content(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype zero = content.indexOf('\0');
    if (zero >= 0)
        content = content.first(zero);
    const QByteArray out = Decode(content);
    FUZZ_CHECK(!out.contains('\0'));

    // What the decoder converts: the UTF-8 mark choice skips three bytes unseen.
    const QByteArrayView source = Choice == 5 ? (content.size() > 3 ? content.sliced(3) : QByteArrayView())
                                              : content;
    if (Choice == 1) {
        FUZZ_CHECK(out == source);
        return 0;
    }
    if (Choice == 3)
        FUZZ_CHECK(out.size() <= source.size()); // never longer than its input

    if (const std::optional<QByteArray> expected = Reference(source)) {
        if (Choice == 4 && out != *expected) {
            // iconv drops the padding bits that end a base-64 run even when
            // they are not zero; kestu marks such an end as one bad spot.
            // Apart from those marks, one at most per run, both agree.
            FUZZ_CHECK(QByteArray(out).replace('?', "") == QByteArray(*expected).replace('?', ""));
            FUZZ_CHECK(out.count('?') >= expected->count('?'));
            FUZZ_CHECK(out.count('?') <= expected->count('?') + source.count('+'));
        } else {
            FUZZ_CHECK(out == *expected);
        }
    } else {
        qsizetype couldBeBad = source.count('?');
        for (char c : source)
            couldBeBad += (static_cast<unsigned char>(c) >= 0x80 || Choice == 3 || Choice == 4) ? 1 : 0;
        FUZZ_CHECK(out.count('?') <= couldBeBad);
    }

    if (Choice != 5 || content.size() >= 3) {
        const QByteArray suffix = InStepSuffix();
        const QByteArray longer = Decode(QByteArray(content.data(), content.size()) + suffix);
        FUZZ_CHECK(longer.endsWith("\nkestu 42"));
    }
    return 0;
}
