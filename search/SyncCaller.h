#pragma once
// Runs routines of a worker thread on the thread that owns this object.
// Call() waits until the routine has run; Post() does not. While the owner
// waits for the worker (ServeUntilEnded), it runs the worker's routines and
// nothing else, so neither side can block the other and no user input is
// handled in between. Otherwise the owner's event loop runs them.

#include <QEvent>
#include <QMutex>
#include <QObject>
#include <QWaitCondition>
#include <functional>
#include <vector>

class TSyncCaller : public QObject
{
public:
    explicit TSyncCaller(QObject *parent = nullptr);

    // Worker side.
    void Call(const std::function<void()> &routine);
    void Post(std::function<void()> routine);
    // The worker's body has ended; ServeUntilEnded may return.
    void MarkEnded();
    // Back to the state before the worker started.
    void Reset();

    // Owner side: serves the worker's routines until MarkEnded. Returns
    // false at once when called from inside one of the worker's own calls
    // (the worker waits for that call to return, so waiting for the worker
    // there would never end).
    bool ServeUntilEnded();
    bool Ended() const;
    // Whether one of the worker's calls is running on the owner's thread now.
    bool InCall() const;

protected:
    void customEvent(QEvent *event) override;

private:
    void RunPendingCall();
    void RunPosted();

    mutable QMutex Lock;
    QWaitCondition Changed;
    const std::function<void()> *Pending = nullptr;
    bool PendingDone = false;
    bool Running = false;
    bool Serving = false;      // the owner waits in ServeUntilEnded
    bool PostEventQueued = false;
    std::vector<std::function<void()>> Posted;
    bool WorkerEnded = false;
};
