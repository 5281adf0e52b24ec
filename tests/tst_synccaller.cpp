#include "SyncCaller.h"

#include "TestMain.h"

#include <QThread>
#include <QtTest>

#include <memory>

class TestSyncCaller : public QObject
{
    Q_OBJECT
private slots:
    void postWhileServing();
    void postsComeBeforeTheCall();
    void callInsideCall();
    void waitingFromInsideCall();
    void callsThroughTheEventLoop();
};

namespace {

// A worker thread running body, ended with MarkEnded as the search worker is.
std::unique_ptr<QThread> Worker(TSyncCaller &caller, std::function<void()> body)
{
    std::unique_ptr<QThread> thread(QThread::create([&caller, body = std::move(body)] {
        body();
        caller.MarkEnded();
    }));
    return thread;
}

} // namespace

void TestSyncCaller::postWhileServing()
{
    // Posts that arrive while the owner waits run on the owner, in order,
    // all of them before the wait ends.
    TSyncCaller caller;
    QStringList order;
    QList<QThread *> threads;
    constexpr int Count = 1000;
    auto worker = Worker(caller, [&] {
        for (int i = 0; i < Count; ++i)
            caller.Post([&, i] {
                order << QString::number(i);
                threads << QThread::currentThread();
            });
    });
    worker->start();
    QVERIFY(caller.ServeUntilEnded());
    QVERIFY(worker->wait(30000));
    QCOMPARE(order.size(), Count);
    for (int i = 0; i < Count; ++i)
        QCOMPARE(order[i], QString::number(i));
    QCOMPARE(threads.count(QThread::currentThread()), Count);
}

void TestSyncCaller::postsComeBeforeTheCall()
{
    // What the worker posted before a call has run when the call runs.
    TSyncCaller caller;
    QStringList order;
    auto worker = Worker(caller, [&] {
        caller.Post([&] { order << "post 1"; });
        caller.Post([&] { order << "post 2"; });
        caller.Call([&] { order << "call"; });
        order << "after the call"; // the owner waits now: no race on order
    });
    worker->start();
    QVERIFY(caller.ServeUntilEnded());
    QVERIFY(worker->wait(30000));
    QCOMPARE(order, QStringList({"post 1", "post 2", "call", "after the call"}));
}

void TestSyncCaller::callInsideCall()
{
    // Inside a worker's call the owner may call again (a report that leads
    // to another): it runs at once, nested, posts first.
    TSyncCaller caller;
    QStringList order;
    auto worker = Worker(caller, [&] {
        caller.Call([&] {
            order << "outer begins";
            QVERIFY(caller.InCall());
            caller.Post([&] { order << "posted inside"; });
            caller.Call([&] { order << "inner"; });
            order << "outer ends";
        });
    });
    worker->start();
    QVERIFY(caller.ServeUntilEnded());
    QVERIFY(worker->wait(30000));
    QVERIFY(!caller.InCall());
    QCOMPARE(order, QStringList({"outer begins", "posted inside", "inner", "outer ends"}));
}

void TestSyncCaller::waitingFromInsideCall()
{
    // Waiting for the worker inside its own call would never end: the wait
    // says so at once, and a wait after the call serves to the end.
    TSyncCaller caller;
    bool insideWait = true;
    bool endedInside = true;
    auto worker = Worker(caller, [&] {
        caller.Call([&] {
            insideWait = caller.ServeUntilEnded();
            endedInside = caller.Ended();
        });
    });
    worker->start();
    QVERIFY(caller.ServeUntilEnded());
    QVERIFY(worker->wait(30000));
    QVERIFY(!insideWait);
    QVERIFY(!endedInside);
    QVERIFY(caller.Ended());
    // Reset: the next worker is waited for again.
    caller.Reset();
    QVERIFY(!caller.Ended());
}

void TestSyncCaller::callsThroughTheEventLoop()
{
    // While the owner is not waiting, its event loop runs the calls.
    TSyncCaller caller;
    int calls = 0;
    auto worker = Worker(caller, [&] {
        caller.Post([&] { ++calls; });
        caller.Call([&] { ++calls; });
    });
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(caller.Ended(), 30000);
    QCOMPARE(calls, 2);
    QVERIFY(caller.ServeUntilEnded()); // already ended: returns at once
    QVERIFY(worker->wait(30000));
}

KESTU_TEST_CLASS(TestSyncCaller)
#include "tst_synccaller.moc"
