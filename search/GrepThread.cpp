#include "GrepThread.h"

#include "BRegExp.h"
#include "FileKind.h"
#include "FileSearcher.h"
#include "GrepReporter.h"
#include "LineSearcher.h"
#include "SearchPool.h"
#include "PathText.h"
#include "ReadOnlyFile.h"
#include "SourcePrefilter.h"
#include "TargetLister.h"
#include "ThreadEnd.h"

#include <cerrno>
#include <mutex>
#include <vector>

namespace {
const QString TargetsLabel = QStringLiteral("対象: ");
const QString HitsLabel = QStringLiteral("該当: ");
const QString Listing = QStringLiteral("検索対象リストアップ中");
const QString Searching = QStringLiteral("検索中");
const QString Finished = QStringLiteral("検索終了");

// Why a file the reader gave up on cannot be read; empty when it is simply
// gone or no longer a regular file.
QString UnreadableReason(const QString &path)
{
    TReadOnlyFile file;
    if (!file.Open(path))
        return file.Gone() ? QString() : file.Failure(); // no failure either when it is no regular file now
    char byte;
    if (file.Read(&byte, 1) >= 0)
        return {}; // readable again: it changed under the reader
    return file.Failure();
}
} // namespace

TGrepThread::TGrepThread(std::vector<TGrepResult> &hitList, TGrepReporter &reporter, QObject *parent)
    : QThread(parent), RegExpLibrary(TBRegExp::DefaultLibrary), HitList(hitList), Reporter(reporter)
{
}

void TGrepThread::ShowMessage(const QString &text, bool warning)
{
    Caller.Call([&] {
        ShowHitCount();
        Reporter.ShowMessage(text, warning);
    });
}

TGrepThread::~TGrepThread()
{
    Terminate();
    if (!WaitFor())
        qFatal("a search worker was destroyed inside one of its own calls");
}

void TGrepThread::Resume()
{
    Started = true;
    Caller.Reset();
    start();
}

void TGrepThread::Terminate()
{
    Stop.store(true, std::memory_order_relaxed);
}

bool TGrepThread::WaitFor()
{
    if (!Started)
        return true;
    if (!Caller.ServeUntilEnded())
        return false;
    wait();
    // The end comes a moment after wait().
    for (; RunsNotReaped > 0; --RunsNotReaped)
        ThreadsGone.acquire();
    return true;
}

void TGrepThread::ThreadGone(void *self)
{
    static_cast<TGrepThread *>(self)->ThreadsGone.release();
}

void TGrepThread::run()
{
    ++RunsNotReaped;
    TThreadEnd::Notify(&TGrepThread::ThreadGone, this);
    Execute();
    Caller.MarkEnded();
}

void TGrepThread::Synchronize(void (TGrepThread::*call)())
{
    Caller.Call([this, call] { (this->*call)(); });
}

void TGrepThread::UpdateStatus()
{
    ShowHitCount(); // the counts shown never run ahead of the list
    Reporter.UpdateStatus(StatusTexts[0], StatusTexts[1], StatusTexts[2]);
}

void TGrepThread::SearchDone()
{
    ShowPendingStatus();
    ShowHitCount();
    Reporter.SearchDone();
}

void TGrepThread::PushStatus()
{
    if (BlockingStatus) {
        Synchronize(&TGrepThread::UpdateStatus);
        return;
    }
    bool request = false;
    {
        QMutexLocker locker(&StatusLock);
        for (int i = 0; i < 3; ++i)
            StatusSnapshot[i] = StatusTexts[i];
        request = !StatusRequested;
        StatusRequested = true;
    }
    if (request)
        Caller.Post([this] { ShowPendingStatus(); });
}

void TGrepThread::ShowPendingStatus()
{
    QString texts[3];
    {
        QMutexLocker locker(&StatusLock);
        if (!StatusRequested)
            return;
        StatusRequested = false;
        for (int i = 0; i < 3; ++i)
            texts[i] = StatusSnapshot[i];
    }
    ShowHitCount(); // the counts shown never run ahead of the list
    Reporter.UpdateStatus(texts[0], texts[1], texts[2]);
}

void TGrepThread::ShowHitCount()
{
    std::vector<TGrepResult> arrived;
    {
        QMutexLocker locker(&OutboxLock);
        arrived.swap(Outbox);
        HitCountRequested = false;
        OutboxDrained.wakeAll();
    }
    if (arrived.empty())
        return;
    if (HitList.empty()) {
        HitList.swap(arrived);
    } else {
        HitList.insert(HitList.end(), std::make_move_iterator(arrived.begin()),
                       std::make_move_iterator(arrived.end()));
    }
    Reporter.ShowHitCount(qsizetype(HitList.size()));
}

void TGrepThread::PublishHit(TGrepResult &&record)
{
    // One blocking call per hit would cost more than finding it; the hit
    // waits in the outbox and at most one request to show it is on its way.
    bool request = false;
    {
        QMutexLocker locker(&OutboxLock);
        // A front end slower than the search: wait until it has taken the
        // records (a stop request ends the wait).
        while (Outbox.size() >= OutboxLimit && HitCountRequested && !StopRequested())
            OutboxDrained.wait(&OutboxLock, 50);
        Outbox.push_back(std::move(record));
        if (!HitCountRequested) {
            HitCountRequested = true;
            request = true;
        }
    }
    ++Published;
    if (request)
        Caller.Post([this] { ShowHitCount(); });
}

void TGrepThread::FinalTexts(QString texts[3], qsizetype done, qsizetype total, qsizetype hits)
{
    texts[0] = TargetsLabel + QString::number(done) + u'/' + QString::number(total);
    texts[1] = HitsLabel + QString::number(hits);
    texts[2] = Finished;
}

void TGrepThread::SetFinalTexts(qsizetype done)
{
    Done = done + ExtraTargets;
    FinalTexts(StatusTexts, done + ExtraTargets, TargetCount(), Published);
}

void TGrepThread::SetUpArchives()
{
    if (!SearchArchives)
        return;
    Archives = std::make_unique<TArchiveSearch>();
    Archives->Limits = ArchiveLimits;
    Archives->FilesUnfiltered = !TFileKind::IsFile(TargetPath);
    Archives->FileLimits = Limits;
    Archives->Wanted = [filter = FilterList](const QString &name) {
        return FilterListTakes(filter, ExtensionOf(name));
    };
}

void TGrepThread::ListTargets()
{
    TTargetLister lister(&Stop, [this](qsizetype count) {
        StatusTexts[0] = TargetsLabel + QString::number(count);
        StatusTexts[1] = HitsLabel;
        StatusTexts[2] = Listing;
        PushStatus();
    });
    lister.TargetPath = TargetPath;
    // Inside archives the filter applies to the members: every file is
    // listed, and one that is no archive must pass the filter itself.
    lister.FilterList = SearchArchives && !TFileKind::IsFile(TargetPath) ? QStringLiteral("*") : FilterList;
    lister.Recursive = Recursive;
    lister.FollowLinks = FollowLinks;
    lister.DepthLimit = DepthLimit;
    lister.ExcludeDirs = ExcludeDirs;
    // Inside archives the size and date filters apply to the members: an
    // archive is listed whatever its own size and time.
    if (!SearchArchives)
        lister.Limits = Limits;
    lister.FolderNotRead = [this](const QString &path, const QString &reason) {
        Caller.Post([this, path, reason] { Reporter.FileNotRead(path, reason); });
    };
    lister.ListTargets(TargetFiles);
}

void TGrepThread::Execute()
{
    if (!StopRequested()) {
        StatusTexts[0] = TargetsLabel;
        StatusTexts[1] = HitsLabel;
        StatusTexts[2] = Listing;
        PushStatus();
    }
    bool outOfMemory = false;
    if (!StopRequested()) {
        try {
            ListTargets();
        } catch (const std::bad_alloc &) {
            Terminate();
            outOfMemory = true;
        }
    }
    if (!StopRequested()) {
        StatusTexts[0] = TargetsLabel + QString::number(TargetFiles.size());
        StatusTexts[1] = HitsLabel;
        StatusTexts[2] = Searching;
        PushStatus();
    }
    qsizetype done = 0;
    std::unique_ptr<TBRegExp> adapter;
    if (UseRegExp && !StopRequested()) {
        adapter = MakeAdapter([this](const QString &text, bool warning) { ShowMessage(text, warning); });
        // Without the library, or without a free delimiter, no line could be
        // searched: one message has been shown and the search ends here.
        if (!adapter->Loaded() || adapter->BuildPattern(FindText).isEmpty())
            Terminate();
    }
    TLineSearcher::TSkippedLines skipped;
    ExtraTargets = 0;
    SetUpArchives();
    if (!StopRequested() && !TargetFiles.isEmpty()) {
        try {
            // Under notation folding only a stretch written one way only
            // can be looked for in a file's own bytes.
            const TSourcePrefilter prefilter(TLineSearcher::ExactStretch(FindText, NoCase, UseRegExp, Notation),
                                             Notation ? false : NoCase, Notation ? false : UseRegExp);
            if (WorkerCount() <= 1)
                done = SearchInTurn(adapter.get(), prefilter, skipped);
            else
                done = SearchSideBySide(prefilter, skipped);
        } catch (const std::bad_alloc &) {
            // Memory ran out outside any one file (or while listing, above):
            // the search ends like a stop request, and says why.
            Terminate();
            outOfMemory = true;
        }
        SetFinalTexts(done);
        PushStatus();
    }
    adapter.reset();
    SetFinalTexts(done);
    PushStatus();
    // One message for all the lines the library gave up on, after the rest
    // of the search has been done.
    if (const QString skippedMessage = SkippedLinesMessage(skipped); !skippedMessage.isEmpty())
        ShowMessage(skippedMessage, true);
    if (outOfMemory)
        ShowMessage(QStringLiteral("検索を中断しました: ") + qt_error_string(ENOMEM), true);
    Synchronize(&TGrepThread::SearchDone);
}

QString TGrepThread::SkippedLinesMessage(const TLineSearcher::TSkippedLines &skipped)
{
    if (skipped.Count == 0)
        return {};
    // One line: kestu-grep prints it as one line of its error output.
    return QStringLiteral("正規表現の照合に時間がかかりすぎる %1 行を飛ばしました (%2)。最初の行: %3 の %4 行目")
        .arg(QString::number(skipped.Count), skipped.Reason, skipped.FirstFile,
             QString::number(skipped.FirstLine + 1));
}

int TGrepThread::WorkerCount() const
{
    if (WholeFiles)
        return 1;
    if (Workers > 0)
        return Workers;
    return qMax(1, QThread::idealThreadCount());
}

void TGrepThread::SetFileStatus(qsizetype index)
{
    StatusTexts[0] = TargetsLabel + QString::number(index + ExtraTargets) + QStringLiteral(" / ")
                     + QString::number(TargetCount());
}

void TGrepThread::FileDone(const QString &path, const TFileOutcome &outcome)
{
    // A file that did not fit in memory is named like an unreadable one;
    // its memory is free again, and the files after it may well fit.
    if (outcome.OutOfMemory) {
        Caller.Post([this, path] { Reporter.FileNotRead(path, qt_error_string(ENOMEM)); });
        return;
    }
    // A file that vanished or is no longer a regular file is skipped
    // without a word; one that is there but cannot be read is named to the
    // front end.
    if (outcome.NotRead) {
        if (const QString reason = UnreadableReason(path); !reason.isEmpty())
            Caller.Post([this, path, reason] { Reporter.FileNotRead(path, reason); });
        return;
    }
    for (const auto &skipped : outcome.SkippedMembers) {
        const QString member = skipped.first, reason = skipped.second;
        Caller.Post([this, member, reason] { Reporter.FileNotRead(member, reason); });
    }
    if (outcome.IsArchive)
        ExtraTargets += outcome.Members - 1;
    if (outcome.NotTarget)
        --ExtraTargets;
    if (outcome.HasText) {
        StatusTexts[1] = HitsLabel + QString::number(Published);
        StatusTexts[2] = Searching + QStringLiteral(" [") + ShownPath(FileNameOf(path)) + u']';
        PushStatus();
    }
    if (outcome.AdapterFailed)
        Terminate(); // the adapter has shown why
}

std::unique_ptr<TBRegExp> TGrepThread::MakeAdapter(std::function<void(const QString &, bool)> showMessage) const
{
    auto adapter = std::make_unique<TBRegExp>(std::move(showMessage), RegExpLibrary);
    adapter->NoCase = NoCase;
    adapter->MultiLine = false;
    adapter->TimeLimitMs = RegExpTimeLimit;
    adapter->Stop = &Stop;
    return adapter;
}

qsizetype TGrepThread::SearchInTurn(TBRegExp *adapter, const TSourcePrefilter &prefilter,
                                     TLineSearcher::TSkippedLines &skipped)
{
    qsizetype done = 0;
    TFileSearcher searcher(FindText, NoCase, &Stop, [this](TGrepResult &&record) { PublishHit(std::move(record)); },
                           adapter, prefilter, WholeFiles, Notation);
    searcher.SetArchives(Archives.get());
    for (qsizetype i = 0; i < TargetFiles.size(); ++i) {
        if (StopRequested())
            break;
        SetFileStatus(i);
        TFileOutcome outcome;
        try {
            outcome = searcher.Search(TargetFiles[i], CodeChoice);
        } catch (const std::bad_alloc &) {
            outcome = {};
            outcome.OutOfMemory = true;
        }
        skipped.Add(outcome.Skipped);
        FileDone(TargetFiles[i], outcome);
        done = i + 1;
    }
    return done;
}

qsizetype TGrepThread::SearchSideBySide(const TSourcePrefilter &prefilter, TLineSearcher::TSkippedLines &skipped)
{
    // Each worker has its own searcher, read buffer and, for a regular
    // expression, adapter (the library keeps its compiled patterns per
    // thread); the adapter's messages reach the front end in the order of
    // the files.
    struct TWorker
    {
        std::unique_ptr<TBRegExp> Adapter;
        std::unique_ptr<TFileSearcher> Searcher;
    };
    // Every worker's adapter stays until all workers are done (the library
    // itself stays loaded, see TDll).
    std::mutex made;
    std::vector<std::shared_ptr<TWorker>> workers;
    const TSearchPool::Factory factory = [this, &prefilter, &made, &workers](TLineSearcher::HitSink sink,
                                                                             TBRegExp::MessageBox message) {
        auto worker = std::make_shared<TWorker>();
        {
            std::lock_guard<std::mutex> locker(made);
            workers.push_back(worker);
        }
        if (UseRegExp)
            worker->Adapter = MakeAdapter(std::move(message));
        worker->Searcher = std::make_unique<TFileSearcher>(FindText, NoCase, &Stop, std::move(sink),
                                                           worker->Adapter.get(), prefilter, false, Notation);
        worker->Searcher->SetArchives(Archives.get());
        const int choice = CodeChoice;
        return TSearchPool::SearchFn([worker, choice](const QString &path) {
            // This search's own adapter has loaded the library: one that
            // cannot is a failure of the search, not a file without hits.
            if (worker->Adapter && !worker->Adapter->Loaded()) {
                TFileOutcome failed;
                failed.AdapterFailed = true;
                return failed;
            }
            return worker->Searcher->Search(path, choice);
        });
    };
    qsizetype done = 0;
    TSearchPool pool(TargetFiles, WorkerCount(), &Stop, factory);
    for (qsizetype i = 0; i < TargetFiles.size(); ++i) {
        if (StopRequested())
            break;
        SetFileStatus(i);
        const TFileOutcome outcome = pool.Publish(
            i, [this](TGrepResult &&record) { PublishHit(std::move(record)); },
            [this](const QString &text, bool warning) { ShowMessage(text, warning); });
        skipped.Add(outcome.Skipped);
        FileDone(TargetFiles[i], outcome);
        done = i + 1;
    }
    return done;
}
