#pragma once
// Turns the search target into the list of files to search: a file alone,
// or the files of a folder that pass the extension filter, its subfolders
// walked depth first down to the depth limit.
//
// The walk holds no descriptor per level: a folder's entries are read
// whole when it is entered, and only the deepest few folders of the
// current path stay open (a folder whose descriptor was given up is opened
// again through its subfolder's ".." when the walk comes back to it). The
// current path is one text that grows and shrinks with the walk, so
// neither descriptors nor memory grow with the square of the depth.

#include "FileKind.h"
#include "FileLimits.h"
#include "FolderHandle.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

class TTargetLister
{
public:
    TTargetLister(const std::atomic<bool> *stop, std::function<void(qsizetype)> folderDone);
    ~TTargetLister();
    TTargetLister(const TTargetLister &) = delete;
    TTargetLister &operator=(const TTargetLister &) = delete;

    QString TargetPath;
    QString FilterList;
    bool Recursive = false;
    int DepthLimit = 0; // 0 or less: no limit
    // Links to folders met inside the tree are entered too (a link named as
    // the target always is, and links to files always count). A folder is
    // never entered twice on one path, so a link back up ends there.
    bool FollowLinks = false;
    // Told of each file or folder that is there but could not be listed
    // (its path, the system's reason); the walk goes on without it.
    std::function<void(const QString &, const QString &)> FolderNotRead;
    // Subfolders whose name matches one of these patterns are not entered
    // (the target itself is searched whatever its name).
    QStringList ExcludeDirs;
    // Files outside these are not listed (nor counted); folders are walked
    // whatever their own size and time.
    TFileLimits Limits;

    // Fills files from TargetPath.
    void ListTargets(QStringList &files);
    // Appends the passing files of one folder, and of its subfolders when
    // Recursive, to files; folder is taken as level 0.
    void WalkFolder(const QString &folder, QStringList &files);
    // Whether a file with this extension passes FilterList.
    bool FilterMatches(const QString &extension) const;

    // Folders of the current path that keep their descriptor open.
    static constexpr int OpenLevels = 16;

private:
    struct TEntry
    {
        qsizetype NameAt; // in TLevel::Names
        unsigned char Kind;
    };
    struct TLevel;
    struct TIdentityHash
    {
        size_t operator()(const TFileIdentity &id) const
        {
            return std::hash<unsigned long long>()(id.Inode * 31 + id.Device);
        }
    };

    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }
    bool Excluded(const char *nativeName) const;
    // Whether a file of the deepest folder passes Limits.
    bool WithinLimits(const char *nativeName);
    // Reads the folder's entries and makes it the deepest level of the
    // path; false when it is already on the path or has nothing readable.
    bool Enter(TFolderHandle folder);
    // Ends the deepest level; fileCount is told to the front end.
    void Leave(qsizetype fileCount);
    // The deepest level's folder, opened again when it was given up.
    TFolderHandle &CurrentFolder();
    void Report(const QString &path, int error);

    const std::atomic<bool> *Stop;
    std::function<void(qsizetype)> FolderDone; // told the target count after each folder
    QString Path;                              // the deepest level's folder, ending in "/"
    std::vector<std::unique_ptr<TLevel>> Levels; // the current path, target first
    std::vector<TFileIdentity> Identities;       // of each level
    std::unordered_set<TFileIdentity, TIdentityHash> OnPath;
    qsizetype FirstOpen = 0; // levels above this one have given up their descriptors
};
