#include "HandOverConnection.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

THandOverConnection::THandOverConnection(QLocalSocket *socket, int idleMs)
    : Socket(socket), Idle(new QTimer(this))
{
    Socket->setParent(this);
    // Counts only while the sender owes the next bytes: not while an
    // argument is being applied (a box may wait for the user meanwhile).
    Idle->setSingleShot(true);
    Idle->setInterval(idleMs);
    connect(Idle, &QTimer::timeout, this, [this] {
        if (!Reading)
            Close();
    });
    Idle->start();
    connect(Socket, &QLocalSocket::readyRead, this, &THandOverConnection::ReadAvailable);
    connect(Socket, &QLocalSocket::disconnected, this, &THandOverConnection::Close);
    connect(Socket, &QLocalSocket::errorOccurred, this, &THandOverConnection::Close);
    // Bytes may have come in before the connection was taken from the server.
    if (Socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &THandOverConnection::ReadAvailable, Qt::QueuedConnection);
}

void THandOverConnection::Close()
{
    if (Closed)
        return;
    Closed = true;
    Socket->abort();
    deleteLater();
}

void THandOverConnection::ReadAvailable()
{
    // A slot of ArgumentReceived may run a nested event loop; the bytes that
    // come in meanwhile stay in the socket and are read when it returns.
    if (Reading || Closed)
        return;
    Reading = true;
    Idle->stop();
    const QPointer<THandOverConnection> alive(this);

    while (!Closed) {
        Codec.Append(Socket->readAll());
        QString argument;
        const THandOverCodec::TResult result = Codec.Take(argument);
        if (result == THandOverCodec::TResult::NeedMore)
            break;
        if (result == THandOverCodec::TResult::Invalid) {
            Close();
            break;
        }
        emit ArgumentReceived(argument);
        if (!alive)
            return;
        if (Closed)
            break;
        Socket->write(&THandOverCodec::Acknowledgement, 1);
        Socket->flush();
    }
    Reading = false;
    if (!Closed)
        Idle->start();
}
