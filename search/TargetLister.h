#pragma once
// Turns the search target into the list of files to search: a file alone,
// or the files of a folder that pass the extension filter, its subfolders
// walked depth first down to the depth limit.

#include "FileKind.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

class TTargetLister
{
public:
    TTargetLister(const std::atomic<bool> *stop, std::function<void(qsizetype)> folderDone);

    QString TargetPath;
    QString FilterList;
    bool Recursive = false;
    int DepthLimit = 0; // 0 or less: no limit
    // Told of each folder that is there but could not be read (its path,
    // the system's reason); the walk goes on without it.
    std::function<void(const QString &, const QString &)> FolderNotRead;
    // Subfolders whose name matches one of these patterns are not entered
    // (the target itself is searched whatever its name).
    QStringList ExcludeDirs;

    // Fills files from TargetPath.
    void ListTargets(QStringList &files);
    // Appends the passing files of one folder, and of its subfolders when
    // Recursive, to files. depth is shared by all levels of one walk.
    void WalkFolder(const QString &folder, int &depth, QStringList &files);
    // Whether a file with this extension passes FilterList.
    bool FilterMatches(const QString &extension) const;

private:
    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }
    bool IsAncestor(const TFileIdentity &id) const;
    bool Excluded(const char *nativeName) const;

    const std::atomic<bool> *Stop;
    std::function<void(qsizetype)> FolderDone; // told the target count after each folder
    std::vector<TFileIdentity> Ancestors;       // folders of the walk's current path
};
