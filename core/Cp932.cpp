#include "Cp932.h"

#include "IconvConverter.h"

QString TCp932::ToQString(QByteArrayView bytes)
{
    return QString::fromUtf8(ToUtf8(bytes));
}

QByteArray TCp932::ToUtf8(QByteArrayView bytes)
{
    // Plain ASCII, the common case for paths and code, needs no converter.
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QByteArray(bytes.data(), bytes.size());
    thread_local TIconvConverter toUtf8("UTF-8", "CP932", "\xEF\xBF\xBD");
    QByteArray out;
    toUtf8.Convert(bytes, out);
    return out;
}

bool TCp932::FromQString(const QString &text, QByteArray &out)
{
    const QByteArray utf8 = text.toUtf8();
    thread_local TIconvConverter fromUtf8("CP932", "UTF-8", "");
    out.clear();
    return fromUtf8.Convert(utf8, out) == 0;
}

bool TCp932::Available()
{
    static const bool available = TIconvConverter("CP932", "UTF-8", "").IsOpen();
    return available;
}
