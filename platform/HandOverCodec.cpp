#include "HandOverCodec.h"

#include "NativePath.h"

#include <QtEndian>

QByteArray THandOverCodec::Encode(const QString &text)
{
    const QByteArray bytes = TNativePath::Encode(text);
    if (static_cast<quint64>(bytes.size()) > MaxMessageBytes)
        return {};
    QByteArray message(HeaderBytes, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(bytes.size()), message.data());
    message += bytes;
    return message;
}

void THandOverCodec::Append(QByteArrayView bytes)
{
    if (!Broken)
        Buffer.append(bytes);
}

THandOverCodec::TResult THandOverCodec::Take(QString &text)
{
    if (Broken)
        return TResult::Invalid;
    if (Buffer.size() > MaxPendingBytes || Taken >= MaxMessages) {
        Broken = true;
        Buffer.clear();
        return TResult::Invalid;
    }
    if (Buffer.size() < HeaderBytes)
        return TResult::NeedMore;
    const quint32 length = qFromBigEndian<quint32>(Buffer.constData());
    if (length > MaxMessageBytes) {
        Broken = true;
        Buffer.clear();
        return TResult::Invalid;
    }
    if (static_cast<quint64>(Buffer.size()) < HeaderBytes + static_cast<quint64>(length))
        return TResult::NeedMore;

    // A leading U+FEFF stays part of the argument, and bytes that are not
    // UTF-8 (a name from a Windows archive) stay the bytes they were.
    QString decoded = TNativePath::Decode(QByteArrayView(Buffer.constData() + HeaderBytes, length));
    Buffer.remove(0, HeaderBytes + length);
    ++Taken;
    text = std::move(decoded);
    return TResult::Message;
}
