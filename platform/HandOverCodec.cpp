#include "HandOverCodec.h"

#include <QStringDecoder>
#include <QtEndian>

QByteArray THandOverCodec::Encode(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (static_cast<quint64>(utf8.size()) > MaxMessageBytes)
        return {};
    QByteArray message(HeaderBytes, Qt::Uninitialized);
    qToBigEndian<quint32>(static_cast<quint32>(utf8.size()), message.data());
    message += utf8;
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

    // ConvertInitialBom: a leading U+FEFF is part of the argument, not a mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString decoded = decoder(QByteArrayView(Buffer.constData() + HeaderBytes, length));
    if (decoder.hasError()) {
        Broken = true;
        Buffer.clear();
        return TResult::Invalid;
    }
    Buffer.remove(0, HeaderBytes + length);
    text = std::move(decoded);
    return TResult::Message;
}
