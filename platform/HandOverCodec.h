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
    static constexpr int HeaderBytes = 4;
    // What one command-line argument can carry (Linux caps one argument at
    // 128 KiB): a count above it cannot come from a second start.
    static constexpr quint32 MaxMessageBytes = 128u * 1024u;
    // A sender waits for the answer to each message before it sends the
    // next, so no more than one message is ever waiting to be read.
    static constexpr qsizetype MaxPendingBytes = HeaderBytes + qsizetype(MaxMessageBytes);
    static constexpr char Acknowledgement = '\x06';
    // More than this many arguments in one connection is no command line.
    static constexpr int MaxMessages = 10000;

    enum class TResult { NeedMore, Message, Invalid };

    // The message carrying text; an empty array when its bytes are more
    // than MaxMessageBytes (a valid message is never empty).
    static QByteArray Encode(const QString &text);

    void Append(QByteArrayView bytes);

    // Takes the next whole message off the front of the collected bytes.
    // Message: text holds it. NeedMore: wait for more bytes. Invalid: the
    // stream is broken (a count above MaxMessageBytes, more bytes waiting
    // than MaxPendingBytes, more than MaxMessages messages); every later
    // call answers Invalid as well.
    TResult Take(QString &text);

    // Bytes collected but not yet taken as messages.
    qsizetype Pending() const { return Buffer.size(); }

private:
    QByteArray Buffer;
    int Taken = 0;
    bool Broken = false;
};
