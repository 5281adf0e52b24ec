#pragma once
// What a search reports to its front end (the window, or kestu-grep). Every
// call runs on the thread that owns the worker, never on the worker itself.

#include <QString>

class TGrepReporter
{
public:
    virtual ~TGrepReporter() = default;
    // The three status texts: target count, hit count, state of the search.
    virtual void UpdateStatus(const QString &targets, const QString &hits, const QString &state) = 0;
    // The hit list has grown to count records.
    virtual void ShowHitCount(qsizetype count) = 0;
    // The search has ended (finished, stopped or failed).
    virtual void SearchDone() = 0;
    // A message box the user must confirm (the regular-expression library's
    // errors). warning is false for an error icon, true for a warning icon.
    virtual void ShowMessage(const QString &text, bool warning) = 0;
    // A target file or folder that is there but could not be read (reason:
    // the system's words); the search goes on without it. The window keeps its
    // silence about such files, so by default nothing happens.
    virtual void FileNotRead(const QString &path, const QString &reason)
    {
        Q_UNUSED(path);
        Q_UNUSED(reason);
    }
};
