// Code detection: any bytes give one of the ids detection may give, and the
// byte-order marks win over everything else.

#include "CodePage.h"
#include "FuzzSupport.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes = bytes.first(zero); // what the decoder hands over
    const qint32 id = DetectCodePage(bytes);
    FUZZ_CHECK(id == CodeId::ShiftJis || id == CodeId::EucJp || id == CodeId::Iso2022Jp || id == CodeId::Utf8
               || id == CodeId::Utf8N || id == CodeId::Utf16Le || id == CodeId::Utf16Be
               || id == CodeId::Utf5Alphabet);
    if (bytes.size() <= 4) {
        FUZZ_CHECK(id == CodeId::ShiftJis);
        return 0;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        FUZZ_CHECK(id == CodeId::Utf8);
    else if (bytes.startsWith("\xFE\xFF"))
        FUZZ_CHECK(id == CodeId::Utf16Be);
    else if (bytes.startsWith("\xFF\xFE"))
        FUZZ_CHECK(id == CodeId::Utf16Le);
    // Text without high bytes is never taken for a multibyte code.
    bool high = false;
    for (char c : bytes)
        high = high || static_cast<unsigned char>(c) >= 0x80;
    if (!high)
        FUZZ_CHECK(id != CodeId::EucJp && id != CodeId::Utf8N);
    // Adding bytes after the text never changes a mark's verdict.
    if (id == CodeId::Utf8 || id == CodeId::Utf16Be || id == CodeId::Utf16Le)
        FUZZ_CHECK(DetectCodePage(QByteArray(bytes.data(), bytes.size()) + "xyz") == id);
    FUZZ_CHECK(CodeDisplayName(id) != QLatin1String("---") || id == CodeId::Utf5Alphabet);
    return 0;
}
