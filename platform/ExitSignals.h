#pragma once

#include <QObject>

#include <array>
#include <csignal>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into ExitRequested on the thread that
// owns this object, so the window can close the ordinary way (stop the
// search, write the settings) when the session ends or the terminal goes.
//
// The handler only writes the signal's number into a socket pair; a socket
// notifier reads it in the event loop. One object at a time handles the
// signals: while one is active, a second one stays inactive. Destroying the
// active object puts back the handlers that were there before it.
class TExitSignals : public QObject
{
    Q_OBJECT

public:
    static constexpr std::array<int, 3> HandledSignals = {SIGTERM, SIGINT, SIGHUP};

    explicit TExitSignals(QObject *parent = nullptr);
    ~TExitSignals() override;

    // Whether this object receives the signals.
    bool IsActive() const { return Active; }

signals:
    void ExitRequested(int signal);

private:
    void ReadPending();
    void Restore();

    bool Active = false;
    int ReadFd = -1;
    int WriteFd = -1;
    QSocketNotifier *Notifier = nullptr;
    std::array<struct sigaction, HandledSignals.size()> Previous {};
};
