#include "SyncCaller.h"

#include <QCoreApplication>
#include <QThread>

namespace {

const QEvent::Type CallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type PostEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class TPostedRoutine : public QEvent
{
public:
    explicit TPostedRoutine(std::function<void()> routine)
        : QEvent(PostEvent), Routine(std::move(routine)) {}
    std::function<void()> Routine;
};

} // namespace

TSyncCaller::TSyncCaller(QObject *parent) : QObject(parent) {}

void TSyncCaller::Call(const std::function<void()> &routine)
{
    if (QThread::currentThread() == thread()) {
        routine();
        return;
    }
    QMutexLocker locker(&Lock);
    Pending = &routine;
    PendingDone = false;
    // Either the owner's event loop picks the call up, or ServeUntilEnded,
    // which waits on Changed.
    QCoreApplication::postEvent(this, new QEvent(CallEvent));
    Changed.wakeAll();
    while (!PendingDone)
        Changed.wait(&Lock);
    Pending = nullptr;
}

void TSyncCaller::Post(std::function<void()> routine)
{
    QCoreApplication::postEvent(this, new TPostedRoutine(std::move(routine)));
}

void TSyncCaller::MarkEnded()
{
    QMutexLocker locker(&Lock);
    WorkerEnded = true;
    Changed.wakeAll();
}

void TSyncCaller::Reset()
{
    QMutexLocker locker(&Lock);
    WorkerEnded = false;
}

bool TSyncCaller::Ended() const
{
    QMutexLocker locker(&Lock);
    return WorkerEnded;
}

void TSyncCaller::RunPendingCall()
{
    QMutexLocker locker(&Lock);
    // A call already served, or one running now (a message box inside it
    // runs a nested event loop that may deliver a stale call event).
    if (!Pending || PendingDone || Running)
        return;
    const std::function<void()> *routine = Pending;
    Running = true;
    locker.unlock();
    (*routine)();
    locker.relock();
    Running = false;
    PendingDone = true;
    Changed.wakeAll();
}

void TSyncCaller::ServeUntilEnded()
{
    QMutexLocker locker(&Lock);
    while (!WorkerEnded) {
        if (Pending && !PendingDone && !Running) {
            locker.unlock();
            RunPendingCall();
            locker.relock();
            continue;
        }
        Changed.wait(&Lock);
    }
}

void TSyncCaller::customEvent(QEvent *event)
{
    if (event->type() == CallEvent)
        RunPendingCall();
    else if (event->type() == PostEvent)
        static_cast<TPostedRoutine *>(event)->Routine();
}

