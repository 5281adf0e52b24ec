#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The wire format between a second start and the running instance.
//
// Each argument travels as one message: a 4-byte big-endian byte count N
// followed by the argument's N bytes as the command line held them: UTF-8
// text, where a file name may hold other bytes (TNativePath keeps them). The receiver answers every message with
// the single byte Acknowledgement once it has applied it; the sender waits for
// that byte before it sends the next message.
//
// The decoding side collects bytes as they arrive and hands out whole
// messages. A byte count above MaxMessageBytes makes the stream invalid for
// good: the connection is to be dropped.
class THandOverCodec
{
public:
    // Far above anything a command line can carry (Linux caps one argument
    // at 128 KiB), small enough that a bogus count cannot make the receiver
    // hold on to gigabytes.
    static constexpr quint32 MaxMessageBytes = 16u * 1024u * 1024u;
    static constexpr char Acknowledgement = '\x06';
    static constexpr int HeaderBytes = 4;

    enum class TResult { NeedMore, Message, Invalid };

    // The message carrying text; an empty array when its bytes are more
    // than MaxMessageBytes (a valid message is never empty).
    static QByteArray Encode(const QString &text);

    void Append(QByteArrayView bytes);

    // Takes the next whole message off the front of the collected bytes.
    // Message: text holds it. NeedMore: wait for more bytes. Invalid: the
    // stream is broken; every later call answers Invalid as well.
    TResult Take(QString &text);

    // Bytes collected but not yet taken as messages.
    qsizetype Pending() const { return Buffer.size(); }

private:
    QByteArray Buffer;
    bool Broken = false;
};
