#pragma once
// Searches the files of a list on several threads side by side and hands
// their hits over in listing order: every hit of file i before any hit of
// file i + 1, whatever finishes first. The publisher (the search's own
// thread) takes file after file; the file it waits for streams its hits as
// they are found, the files ahead of it keep theirs until their turn.
// Memory stays bounded: workers start a bounded number of files ahead, and
// a file that has collected many hits not yet handed over waits before it
// goes on, a file ahead for its turn (also when the files ahead hold many
// together), the file in turn for the publisher to take them.

#include "BRegExp.h"
#include "FileSearcher.h"
#include "GrepResult.h"

#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TSearchPool
{
public:
    // One worker's search of a file; hits go to the sink given to the
    // factory, messages to its message function.
    using SearchFn = std::function<TFileOutcome(const QString &path)>;
    using Factory = std::function<SearchFn(TLineSearcher::HitSink sink, TBRegExp::MessageBox message)>;

    TSearchPool(const QStringList &paths, int workers, const std::atomic<bool> *stop, const Factory &factory);
    ~TSearchPool();
    TSearchPool(const TSearchPool &) = delete;
    TSearchPool &operator=(const TSearchPool &) = delete;

    // Publisher side, for index 0, 1, 2, ... in turn: hands over the hits
    // and messages of that file in the order found and returns its outcome
    // once the file is done.
    TFileOutcome Publish(qsizetype index, const TLineSearcher::HitSink &onHit,
                         const TBRegExp::MessageBox &onMessage);

    // Hits a file may hold, not yet taken by the publisher, before it waits.
    static constexpr size_t AheadLimit = 16384;
    // Hits all files ahead of the one in turn may hold together before
    // their workers wait.
    static constexpr size_t HeldLimit = AheadLimit / 2;
    // How many files past the publisher's each worker may start. A big file
    // in turn keeps the publisher while the other workers go on through the
    // small files after it: with a few files ahead only, they soon had to
    // wait, and two workers searched the bench tree no faster than one.
    static constexpr qsizetype FilesAheadPerWorker = 64;
    // Once a file has had to wait for the disk, a worker that starts file i
    // asks the system to read the first bytes of file
    // i + PrefetchDistance * workers meanwhile: on a cold disk the reads of
    // the next files overlap the search of this one. A warm cache costs
    // nothing this way.
    static constexpr qsizetype PrefetchDistance = 4;
    static constexpr qint64 PrefetchBytes = 4 << 20;
    // Hits a worker collects before it hands them over.
    static constexpr size_t Batch = 256;

private:
    struct TMessage
    {
        size_t After; // number of the file's hits found before it
        QString Text;
        bool Warning;
    };
    struct TJob
    {
        std::vector<TGrepResult> Hits; // found, not yet taken
        size_t Taken = 0;              // hits handed over so far
        std::vector<TMessage> Messages;
        bool Done = false;
        TFileOutcome Outcome;
    };

    void Work(const Factory &factory);
    bool StopRequested() const { return Stop->load(std::memory_order_relaxed); }
    // Adds a worker's batch to its file; a file with too many hits not yet
    // taken waits here until the publisher takes them (or a stop comes).
    void HandOver(qsizetype index, std::vector<TGrepResult> &batch);

    const QStringList &Paths;
    const std::atomic<bool> *Stop;
    const qsizetype Ahead; // how far past the publisher the workers may start files
    const qsizetype Prefetch; // how far past the file started its first bytes are asked for

    std::mutex Lock;
    std::condition_variable Progress;   // a job changed (publisher waits)
    std::condition_variable Turn;       // the publisher moved on (workers wait)
    std::vector<TJob> Jobs;
    qsizetype Next = 0;  // next file to start
    qsizetype Head = 0;  // file the publisher takes now
    qsizetype Ready = 0; // workers that have made their searcher
    size_t Held = 0;     // hits of all files not yet taken by the publisher
    bool Closing = false;
    std::atomic<bool> ColdDisk{false}; // a file had to wait for the disk
    std::vector<std::thread> Threads;
};
