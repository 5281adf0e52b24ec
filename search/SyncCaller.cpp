#include "SyncCaller.h"

#include <QCoreApplication>
#include <QThread>

namespace {
const QEvent::Type CallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type PostEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

TSyncCaller::TSyncCaller(QObject *parent) : QObject(parent) {}

void TSyncCaller::Call(const std::function<void()> &routine)
{
    if (QThread::currentThread() == thread()) {
        RunPosted();
        routine();
        return;
    }
    QMutexLocker locker(&Lock);
    Pending = &routine;
    PendingDone = false;
    // While the owner waits in ServeUntilEnded, waking it is enough; only
    // otherwise does its event loop need an event to pick the call up.
    if (Serving)
        Changed.wakeAll();
    else
        QCoreApplication::postEvent(this, new QEvent(CallEvent));
    while (!PendingDone)
        Changed.wait(&Lock);
    Pending = nullptr;
}

void TSyncCaller::Post(std::function<void()> routine)
{
    QMutexLocker locker(&Lock);
    Posted.push_back(std::move(routine));
    if (Serving) {
        Changed.wakeAll();
    } else if (!PostEventQueued) {
        PostEventQueued = true;
        QCoreApplication::postEvent(this, new QEvent(PostEvent));
    }
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

void TSyncCaller::RunPosted()
{
    std::vector<std::function<void()>> routines;
    {
        QMutexLocker locker(&Lock);
        routines.swap(Posted);
        PostEventQueued = false;
    }
    for (const auto &routine : routines)
        routine();
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
    RunPosted(); // what the worker posted before the call comes first
    (*routine)();
    locker.relock();
    Running = false;
    PendingDone = true;
    Changed.wakeAll();
}

bool TSyncCaller::InCall() const
{
    QMutexLocker locker(&Lock);
    return Running;
}

bool TSyncCaller::ServeUntilEnded()
{
    QMutexLocker locker(&Lock);
    if (Running)
        return WorkerEnded;
    Serving = true;
    while (true) {
        if (!Posted.empty()) {
            locker.unlock();
            RunPosted();
            locker.relock();
            continue;
        }
        if (Pending && !PendingDone && !Running) {
            locker.unlock();
            RunPendingCall();
            locker.relock();
            continue;
        }
        if (WorkerEnded)
            break;
        Changed.wait(&Lock);
    }
    Serving = false;
    return true;
}

void TSyncCaller::customEvent(QEvent *event)
{
    if (event->type() == CallEvent)
        RunPendingCall();
    else if (event->type() == PostEvent)
        RunPosted();
}
