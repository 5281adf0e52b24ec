#pragma once
// The worker that carries out one search: lists the targets, reads, detects,
// decodes and searches every file, and reports to its front end through
// calls that run on the thread that created it.

#include "FileLimits.h"
#include "ArchiveWalker.h"
#include "BRegexpRecord.h"
#include "GrepResult.h"
#include "LineSearcher.h"
#include "SyncCaller.h"

#include <QByteArray>
#include <QMutex>
#include <QWaitCondition>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <semaphore>
#include <vector>

class TGrepReporter;
class TLineSearcher;
class TFileOutcome;
class TBRegExp;
class TSourcePrefilter;

class TGrepThread : public QThread
{
public:
    // hitList is the front end's list; only the creating thread touches it.
    TGrepThread(std::vector<TGrepResult> &hitList, TGrepReporter &reporter, QObject *parent = nullptr);
    ~TGrepThread() override;

    QString StatusTexts[3];
    QStringList TargetFiles;

    bool Recursive = false;
    bool NoCase = false;
    bool UseRegExp = false;
    int DepthLimit = 0;
    int CodeChoice = 0;
    QByteArray FindText;   // CP932
    QString TargetPath;
    QString FilterList;
    QStringList ExcludeDirs; // subfolder name patterns not entered
    bool FollowLinks = false; // enter links to folders met inside the tree
    TFileLimits Limits;       // files taken by size and time; off: all
    // TNotationFold::Width and Kana: notations that do not tell hits apart.
    unsigned Notation = 0;
    // Archives and compressed files are searched member by member, within
    // these limits.
    bool SearchArchives = false;
    TArchiveLimits ArchiveLimits;
    // Threads that search files side by side; 0: one per hardware thread.
    int Workers = 0;
    // Decode every file whole and search every line, one file after the
    // other, with no shortcut: the reference the fast path is checked against.
    bool WholeFiles = false;

    // Starts the body (the thread is created suspended).
    void Resume();
    // Asks the worker to stop at its next check.
    void Terminate();
    bool StopRequested() const { return Stop.load(std::memory_order_relaxed); }
    // Waits for the body's end on the creating thread, serving the worker's
    // calls meanwhile; returns true at once when the worker never started.
    // Called from inside one of the worker's own calls (a message box, say,
    // whose event loop delivered a close) it cannot wait and returns false:
    // the worker ends soon after that call returns.
    bool WaitFor();

    // The counts of a search that has ended, for a front end that adds up
    // several searches into one status; FinalTexts gives their wording.
    qsizetype FilesDone() const { return Done; }
    // The count of targets: the files listed, each archive's members in
    // place of the archive.
    qsizetype TargetCount() const { return TargetFiles.size() + ExtraTargets; }
    qsizetype HitsFound() const { return Published; }
    static void FinalTexts(QString texts[3], qsizetype done, qsizetype total, qsizetype hits);

    // The worker's calls, run on the creating thread while the worker waits.
    void UpdateStatus();
    void SearchDone();
    // When true every status update waits until it has been shown, so the
    // front end sees every text in turn. Otherwise updates are handed over
    // without waiting, and one that arrives before the last was shown
    // replaces it: on a tree of many small files a wait per file would cost
    // more than reading them.
    bool BlockingStatus = false;

    // The name of the regular-expression library to load.
    QString RegExpLibrary;
    // How long the library may take over one match request, in
    // milliseconds; a line that needs longer is skipped and counted.
    unsigned long RegExpTimeLimit = BREGEXP_DEFAULT_TIME_LIMIT_MS;

    // Moves the hits found so far into the hit list and shows the new count.
    void ShowHitCount();

    // Records the worker may keep waiting for the front end before it waits
    // for them to be taken: a front end that only prints them (kestu-grep)
    // then never holds more than this many in memory.
    static constexpr size_t OutboxLimit = 65536;

protected:
    void run() override;
    void Execute();
    void ListTargets();
    // The file loop on this thread alone, or with a pool of workers; both
    // return the number of files finished. Only the first runs regular
    // expressions; it reports the lines the library gave up on.
    qsizetype SearchInTurn(TBRegExp *adapter, const TSourcePrefilter &prefilter,
                           TLineSearcher::TSkippedLines &skipped);
    qsizetype SearchSideBySide(const TSourcePrefilter &prefilter, TLineSearcher::TSkippedLines &skipped);
    // An adapter set up for this search; messages go to showMessage.
    std::unique_ptr<TBRegExp> MakeAdapter(std::function<void(const QString &, bool)> showMessage) const;

public:
    // The text that reports lines the library gave up on; empty for none.
    static QString SkippedLinesMessage(const TLineSearcher::TSkippedLines &skipped);

private:
    int WorkerCount() const;
    void SetFileStatus(qsizetype index);
    // What follows each searched file, in listing order.
    void FileDone(const QString &path, const TFileOutcome &outcome);
    // How archives are searched; set up after the listing.
    void SetUpArchives();
    void Synchronize(void (TGrepThread::*call)());
    void PublishHit(TGrepResult &&record);
    void SetFinalTexts(qsizetype done);
    // Hands the current StatusTexts to the front end.
    void PushStatus();
    // Shows the texts handed over last, if not shown yet (creating thread).
    void ShowPendingStatus();
    // Shows a message box on the creating thread while the worker waits.
    void ShowMessage(const QString &text, bool warning);

    std::unique_ptr<struct TArchiveSearch> Archives;
    qsizetype ExtraTargets = 0; // members counted beyond their archives, less listed files that were no target
    std::vector<TGrepResult> &HitList;
    TGrepReporter &Reporter;
    TSyncCaller Caller;
    std::atomic<bool> Stop{false};
    bool Started = false;
    // Each run tells when its thread is gone for good, past Qt's own
    // clean-up; WaitFor waits for that too, so nothing of the thread is
    // left when the program ends right after.
    static void ThreadGone(void *self);
    std::counting_semaphore<> ThreadsGone{0};
    int RunsNotReaped = 0; // counted by the runs themselves; read after wait()

    QMutex StatusLock;
    QString StatusSnapshot[3];
    bool StatusRequested = false;

    QMutex OutboxLock;
    QWaitCondition OutboxDrained;
    std::vector<TGrepResult> Outbox;
    bool HitCountRequested = false;
    qsizetype Published = 0;
    qsizetype Done = 0; // files done when the search ended
};
