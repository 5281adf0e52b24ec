#include "ExitSignals.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QByteArray>
#include <QtDebug>

#include <atomic>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the active object's socket pair, or -1. Read inside the
// signal handler, hence a lock-free atomic.
std::atomic<int> SignalWriteFd {-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void WriteSignalNumber(int signal)
{
    const int savedErrno = errno;
    const int fd = SignalWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // A full pair already holds a request; losing this one loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = savedErrno;
}

} // namespace

TExitSignals::TExitSignals(QObject *parent)
    : QObject(parent)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) {
        qWarning("TExitSignals: no socket pair, termination signals keep their default action");
        return;
    }
    int expected = -1;
    if (!SignalWriteFd.compare_exchange_strong(expected, fds[1])) {
        // Another object handles the signals already.
        ::close(fds[0]);
        ::close(fds[1]);
        return;
    }
    ReadFd = fds[0];
    WriteFd = fds[1];
    Active = true;

    Notifier = new QSocketNotifier(ReadFd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TExitSignals::ReadPending);

    struct sigaction action {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < HandledSignals.size(); ++i)
        ::sigaction(HandledSignals[i], &action, &Previous[i]);
}

TExitSignals::~TExitSignals()
{
    Restore();
}

void TExitSignals::Restore()
{
    if (!Active)
        return;
    for (std::size_t i = 0; i < HandledSignals.size(); ++i)
        ::sigaction(HandledSignals[i], &Previous[i], nullptr);
    SignalWriteFd.store(-1);
    // Restore may run inside the notifier's own signal (a slot destroying this
    // object); the notifier goes later and never fires on the closed pair.
    Notifier->setEnabled(false);
    Notifier->setParent(nullptr);
    Notifier->deleteLater();
    Notifier = nullptr;
    ::close(ReadFd);
    ::close(WriteFd);
    ReadFd = WriteFd = -1;
    Active = false;
}

void TExitSignals::ReadPending()
{
    QByteArray numbers;
    char chunk[64];
    for (;;) {
        const ssize_t count = ::read(ReadFd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        numbers.append(chunk, count);
    }
    const QPointer<TExitSignals> alive(this);
    for (const char number : std::as_const(numbers)) {
        emit ExitRequested(static_cast<unsigned char>(number));
        // A slot may have destroyed this object or let the signals go.
        if (!alive || !Active)
            return;
    }
}
