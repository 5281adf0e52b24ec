#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class THandOverConnection;

// The single-instance lock and the hand-over of a second start's arguments.
//
// While an instance holds the lock it listens on a local socket (user-only
// access) under a per-user name; a second start finds it there and hands its
// arguments over instead of opening a window of its own. Releasing the lock
// frees the name at once, so the next start becomes an instance of its own.
//
// The name defaults to DefaultName(); another name is used by tests, so they
// never meet a running program. A plain name lives in this user's runtime
// folder (TRuntimeFolder), where no other user can take it first; an
// absolute path is used as it is.
class TSingleInstance : public QObject
{
    Q_OBJECT

public:
    // Default time HandOver waits for the connection and for each
    // acknowledgement.
    static constexpr int DefaultTimeoutMs = 5000;

    explicit TSingleInstance(const QString &name = DefaultName(), QObject *parent = nullptr);
    ~TSingleInstance() override;

    // "ApplicationMutexKestuDblOpenChk"; two users never meet, each has a
    // runtime folder of their own.
    static QString DefaultName();

    // Full path of the socket file that name stands for; empty when this
    // user has no runtime folder to use (then the lock cannot be taken and
    // nothing is handed over).
    static QString SocketPath(const QString &name);

    // Takes the lock: true when this object holds it afterwards (also when
    // it already did), false when another instance answers under the name or
    // the name cannot be taken. A socket file left behind by an instance that
    // crashed, which nobody answers on, is removed and the name taken.
    bool Acquire();

    // Lets the lock go: stops listening and removes the name at once; a
    // hand-over in progress is broken off (the arguments it has already had
    // acknowledged stay applied). Safe from a slot of ArgumentReceived.
    void Release();

    bool IsHeld() const;
    // How long a connected second start may keep the line silent before it
    // is dropped (THandOverConnection::DefaultIdleMs unless changed).
    void SetIdleTimeout(int ms) { IdleMs = ms; }

    // Second start: hands each of arguments and then "-restore" to the
    // instance that holds the lock under name, one message each, waiting for
    // each one's acknowledgement before sending the next. True when all of
    // them were acknowledged; false when no instance answers, when it is not
    // run by this user, when it breaks off midway (those acknowledged so far
    // stay applied), or when an argument exceeds THandOverCodec's limit
    // (then nothing is sent). timeoutMs bounds each wait, for the connection
    // and for each acknowledgement; -1 waits without limit.
    //
    // Blocks; never call it from the thread that runs the holding instance.
    static bool HandOver(const QStringList &arguments, int timeoutMs = DefaultTimeoutMs,
                         const QString &name = DefaultName());

signals:
    // One handed-over argument, in the order sent, "-restore" last. Its
    // acknowledgement goes out when the slots have returned.
    void ArgumentReceived(const QString &argument);

private:
    void AcceptConnections();

    QString Path;
    int IdleMs;
    QLocalServer Server;
    QList<QPointer<THandOverConnection>> Connections;
};
