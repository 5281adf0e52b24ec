#include "SingleInstance.h"

#include "HandOverCodec.h"
#include "HandOverConnection.h"
#include "PeerUser.h"
#include "RuntimeFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>


namespace {

const char RestoreArgument[] = "-restore";

// How long a probe waits for an instance to answer under the name, and how
// long Acquire waits for another process that is taking the name just now.
constexpr int ProbeTimeoutMs = 1000;
constexpr int LockTimeoutMs = 5000;

bool WriteAll(QLocalSocket &socket, const QByteArray &bytes, int timeoutMs)
{
    if (socket.write(bytes) != bytes.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return false;
    }
    return true;
}

bool AwaitAcknowledgement(QLocalSocket &socket, int timeoutMs)
{
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    char answer = 0;
    // Exactly one answer per message: anything beyond it is a broken peer.
    return socket.getChar(&answer) && answer == THandOverCodec::Acknowledgement
        && socket.bytesAvailable() == 0;
}

// Whether a process listens under path, whoever it belongs to.
bool AnswersOn(const QString &path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool answers = probe.waitForConnected(ProbeTimeoutMs);
    probe.abort();
    return answers;
}

} // namespace

TSingleInstance::TSingleInstance(const QString &name, QObject *parent)
    : QObject(parent), Path(SocketPath(name)), IdleMs(THandOverConnection::DefaultIdleMs)
{
    Server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&Server, &QLocalServer::newConnection, this, &TSingleInstance::AcceptConnections);
}

TSingleInstance::~TSingleInstance()
{
    Release();
}

QString TSingleInstance::DefaultName()
{
    return QStringLiteral("ApplicationMutexKestuDblOpenChk");
}

QString TSingleInstance::SocketPath(const QString &name)
{
    if (QDir::isAbsolutePath(name))
        return name;
    const QString folder = TRuntimeFolder::ForThisUser();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

bool TSingleInstance::Acquire()
{
    if (IsHeld())
        return true;
    if (Path.isEmpty())
        return false; // no private folder to listen in

    // Two starts at the same moment must not both find the name stale and
    // remove each other's fresh socket: probing, removing and listening
    // happen under a lock file beside the socket.
    QLockFile lock(Path + QStringLiteral(".lock"));
    if (!lock.tryLock(LockTimeoutMs))
        return false;

    if (AnswersOn(Path))
        return false;
    // Nobody answers: what lies there was left by an instance that ended
    // without letting go. (Listening with access options would replace it
    // anyway; removing it first keeps that from depending on how Qt listens.)
    const QFileInfo leftBehind(Path);
    if ((leftBehind.exists() || leftBehind.isSymLink()) && !QLocalServer::removeServer(Path))
        return false;
    return Server.listen(Path);
}

void TSingleInstance::Release()
{
    Server.close();
    for (const QPointer<THandOverConnection> &connection : std::as_const(Connections)) {
        if (connection)
            connection->Close();
    }
    Connections.clear();
}

bool TSingleInstance::IsHeld() const
{
    return Server.isListening();
}

bool TSingleInstance::HandOver(const QStringList &arguments, int timeoutMs, const QString &name)
{
    QList<QByteArray> messages;
    messages.reserve(arguments.size() + 1);
    for (const QString &argument : arguments) {
        QByteArray message = THandOverCodec::Encode(argument);
        if (message.isEmpty())
            return false;
        messages.append(std::move(message));
    }
    messages.append(THandOverCodec::Encode(QString::fromLatin1(RestoreArgument)));

    const QString path = SocketPath(name);
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (!TPeerUser::IsSameUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    for (const QByteArray &message : std::as_const(messages)) {
        if (!WriteAll(socket, message, timeoutMs) || !AwaitAcknowledgement(socket, timeoutMs)) {
            socket.abort();
            return false;
        }
    }
    socket.disconnectFromServer();
    return true;
}

void TSingleInstance::AcceptConnections()
{
    while (QLocalSocket *socket = Server.nextPendingConnection()) {
        if (!TPeerUser::IsSameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *connection = new THandOverConnection(socket, IdleMs);
        connect(connection, &THandOverConnection::ArgumentReceived, this, &TSingleInstance::ArgumentReceived);
        Connections.removeAll(nullptr);
        Connections.append(connection);
    }
}

