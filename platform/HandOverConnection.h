#pragma once

#include "HandOverCodec.h"

#include <QObject>

class QLocalSocket;
class QTimer;

// The running instance's side of one second start: reads its messages,
// reports each argument and only then acknowledges it, so the sender moves on
// after the argument has been applied.
//
// A sender that breaks the wire format or keeps the line idle is dropped;
// one that goes away midway
// simply ends its connection. Either way the object deletes itself later
// (never from inside its socket's own signal), and nothing it does blocks.
//
// The object has no parent: the instance that made it may be destroyed by a
// slot of ArgumentReceived while this object is still reading.
class THandOverConnection : public QObject
{
    Q_OBJECT

public:
    // A sender that sends nothing for this long while the instance waits
    // for it is dropped: a second start sends its next argument at once.
    static constexpr int DefaultIdleMs = 5000;

    // Takes the socket over.
    explicit THandOverConnection(QLocalSocket *socket, int idleMs = DefaultIdleMs);

    // Drops the connection: no further argument is reported, none
    // acknowledged. Safe from a slot of ArgumentReceived.
    void Close();

signals:
    void ArgumentReceived(const QString &argument);

private:
    void ReadAvailable();

    QLocalSocket *Socket;
    QTimer *Idle;
    THandOverCodec Codec;
    bool Reading = false;
    bool Closed = false;
};
