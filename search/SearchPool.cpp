#include "SearchPool.h"

#include "ReadOnlyFile.h"

#include <chrono>

namespace {
// Waits also wake up this often to look at the stop flag, which is set
// from outside without a notification.
constexpr auto StopPoll = std::chrono::milliseconds(10);
} // namespace

TSearchPool::TSearchPool(const QStringList &paths, int workers, const std::atomic<bool> *stop,
                         const Factory &factory)
    : Paths(paths), Stop(stop), Ahead(qMax(2, workers) * FilesAheadPerWorker),
      Prefetch(qMax(1, workers) * PrefetchDistance), Jobs(size_t(paths.size()))
{
    for (int k = 0; k < workers; ++k)
        Threads.emplace_back([this, &factory] { Work(factory); });
    // The factory is not used after the workers have made their searchers.
    std::unique_lock<std::mutex> locker(Lock);
    Progress.wait(locker, [&] { return Ready == qsizetype(Threads.size()); });
}

TSearchPool::~TSearchPool()
{
    {
        std::lock_guard<std::mutex> locker(Lock);
        Closing = true;
    }
    Turn.notify_all();
    for (std::thread &t : Threads)
        t.join();
}

void TSearchPool::Work(const Factory &factory)
{
    qsizetype current = -1;
    std::vector<TGrepResult> batch;
    SearchFn search = factory(
        [&](TGrepResult &&record) {
            batch.push_back(std::move(record));
            if (batch.size() >= Batch)
                HandOver(current, batch);
        },
        [&](const QString &text, bool warning) {
            // Before the first file there is nothing to tell: the search's
            // own adapter has loaded the library and shown its errors.
            if (current < 0)
                return;
            HandOver(current, batch);
            std::lock_guard<std::mutex> locker(Lock);
            TJob &job = Jobs[size_t(current)];
            job.Messages.push_back({job.Taken + job.Hits.size(), text, warning});
            Progress.notify_all();
        });
    {
        std::lock_guard<std::mutex> locker(Lock);
        ++Ready;
    }
    Progress.notify_all();
    while (true) {
        {
            std::unique_lock<std::mutex> locker(Lock);
            while (!Closing && !StopRequested() && Next < qsizetype(Jobs.size()) && Next >= Head + Ahead)
                Turn.wait_for(locker, StopPoll);
            if (Closing || StopRequested() || Next >= qsizetype(Jobs.size()))
                return;
            current = Next++;
        }
        if (ColdDisk.load(std::memory_order_relaxed) && current + Prefetch < qsizetype(Paths.size()))
            TReadOnlyFile::Prefetch(Paths[current + Prefetch], PrefetchBytes);
        TFileOutcome outcome;
        try {
            outcome = search(Paths[current]);
        } catch (const std::bad_alloc &) {
            // A file too large for memory ends the search like a stop request.
            outcome.OutOfMemory = true;
        }
        if (TReadOnlyFile::TakeDiskWait())
            ColdDisk.store(true, std::memory_order_relaxed);
        HandOver(current, batch);
        {
            std::lock_guard<std::mutex> locker(Lock);
            TJob &job = Jobs[size_t(current)];
            job.Done = true;
            job.Outcome = outcome;
        }
        Progress.notify_all();
    }
}

void TSearchPool::HandOver(qsizetype index, std::vector<TGrepResult> &batch)
{
    if (batch.empty())
        return;
    {
        std::unique_lock<std::mutex> locker(Lock);
        TJob &job = Jobs[size_t(index)];
        // The file in turn waits only for its own hits to be taken: its
        // worker is never held up by the files ahead, so the search goes on.
        auto full = [&] { return job.Hits.size() >= AheadLimit || (index != Head && Held >= HeldLimit); };
        while (full() && !StopRequested() && !Closing)
            Turn.wait_for(locker, StopPoll);
        Held += batch.size();
        if (job.Hits.empty()) {
            job.Hits.swap(batch);
        } else {
            job.Hits.insert(job.Hits.end(), std::make_move_iterator(batch.begin()),
                            std::make_move_iterator(batch.end()));
        }
    }
    batch.clear();
    Progress.notify_all();
}

TFileOutcome TSearchPool::Publish(qsizetype index, const TLineSearcher::HitSink &onHit,
                                  const TBRegExp::MessageBox &onMessage)
{
    std::vector<TGrepResult> arrived;
    std::vector<TMessage> messages;
    TFileOutcome outcome;
    {
        std::lock_guard<std::mutex> locker(Lock);
        Head = index;
    }
    Turn.notify_all();
    while (true) {
        bool done = false;
        size_t first = 0; // the file's number of the first arrived hit
        {
            std::unique_lock<std::mutex> locker(Lock);
            TJob &job = Jobs[size_t(index)];
            while (!job.Done && job.Hits.empty() && job.Messages.empty()) {
                // Workers start no file after a stop request: one not
                // started by then never will be, and is done with nothing.
                if (StopRequested() && index >= Next)
                    return outcome;
                Progress.wait_for(locker, StopPoll);
            }
            first = job.Taken;
            arrived.swap(job.Hits);
            job.Taken += arrived.size();
            Held -= arrived.size();
            messages.swap(job.Messages);
            done = job.Done;
            if (done)
                outcome = job.Outcome;
        }
        Turn.notify_all(); // a worker waiting with a full batch for this file goes on
        size_t m = 0;
        for (size_t k = 0; k < arrived.size(); ++k) {
            for (; m < messages.size() && messages[m].After <= first + k; ++m)
                onMessage(messages[m].Text, messages[m].Warning);
            onHit(std::move(arrived[k]));
        }
        for (; m < messages.size(); ++m)
            onMessage(messages[m].Text, messages[m].Warning);
        arrived.clear();
        messages.clear();
        if (done) {
            std::vector<TGrepResult>().swap(Jobs[size_t(index)].Hits);
            return outcome;
        }
    }
}
