#include "CodePage.h"

#include "CodeDetector.h"

#include <cstring>

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
    TCodeDetector detector;
    detector.Feed(bytes);
    return detector.Result();
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

bool ChoiceForcesCode(int choice)
{
    return choice >= 1 && choice <= 6;
}

qint32 Utf16ByMark(QByteArrayView fileStart)
{
    if (fileStart.size() < 2)
        return 0;
    const auto first = static_cast<unsigned char>(fileStart[0]);
    const auto second = static_cast<unsigned char>(fileStart[1]);
    if (first == 0xFF && second == 0xFE)
        return CodeId::Utf16Le;
    if (first == 0xFE && second == 0xFF)
        return CodeId::Utf16Be;
    return 0;
}

QByteArrayView Utf16TextPart(QByteArrayView text)
{
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        // Skip ahead to the next zero byte; a zero unit has it at its start.
        const void *zero = memchr(text.data() + i, 0, size_t(text.size() - i));
        if (!zero)
            break;
        i = (static_cast<const char *>(zero) - text.data()) & ~qsizetype(1);
        if (i + 1 < text.size() && text[i] == 0 && text[i + 1] == 0)
            return text.first(i);
    }
    return text;
}

qint32 DetectFileCode(QByteArrayView content)
{
    TFileCodeDetector detector;
    detector.Feed(content);
    return detector.Result();
}
