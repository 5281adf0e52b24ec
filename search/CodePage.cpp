#include "CodePage.h"

#include "CodeDetector.h"

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
