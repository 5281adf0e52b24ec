#include "TargetLister.h"

#include "FileKind.h"
#include "FolderHandle.h"
#include "NativePath.h"
#include "PathText.h"

#include <cerrno>
#include <cstring>

namespace {

// What an entry of a folder is to the walk.
enum EntryKind : unsigned char { EntryFile, EntryFolder, EntryLinkedFolder };

} // namespace

struct TTargetLister::TLevel
{
    TFolderHandle Folder; // closed once given up to keep descriptors few
    qsizetype PathLength = 0; // of Path, up to and with this folder's "/"
    QByteArray Names;         // the entries' names, each zero-terminated
    std::vector<TEntry> Entries;
    size_t Next = 0;
};

TTargetLister::TTargetLister(const std::atomic<bool> *stop, std::function<void(qsizetype)> folderDone)
    : Stop(stop), FolderDone(std::move(folderDone))
{
}

TTargetLister::~TTargetLister() = default;

void TTargetLister::ListTargets(QStringList &files)
{
    const TFileKind::Kind kind = TFileKind::Of(TargetPath);
    if (kind == TFileKind::File) {
        if (!Limits.PassesFile(TargetPath))
            return;
        files.append(TargetPath);
        return;
    }
    if (kind == TFileKind::Folder)
        WalkFolder(TargetPath, files);
}

void TTargetLister::Report(const QString &path, int error)
{
    if (FolderNotRead && error != 0 && !TFolderHandle::IsGone(error))
        FolderNotRead(path, qt_error_string(error));
}

void TTargetLister::WalkFolder(const QString &folder, QStringList &files)
{
    Levels.clear();
    OnPath.clear();
    FirstOpen = 0;
    Path = folder;
    if (!Path.endsWith(u'/'))
        Path += u'/';
    TFolderHandle top = TFolderHandle::Open(Path);
    if (!top.IsOpen()) {
        Report(Path.chopped(1), top.Error());
        return;
    }
    if (!Enter(std::move(top)))
        return;
    while (!Levels.empty()) {
        bool entered = false;
        while (!entered && !StopRequested()) {
            TLevel &level = *Levels.back();
            if (level.Next >= level.Entries.size())
                break;
            const TEntry entry = level.Entries[level.Next++];
            const char *name = level.Names.constData() + entry.NameAt;
            if (entry.Kind == EntryFile) {
                const QString fileName = TNativePath::Decode(name);
                if (FilterMatches(ExtensionOf(fileName)) && (!Limits.IsOn() || WithinLimits(name)))
                    files.append(Path + fileName);
                continue;
            }
            // A subfolder: its level is the number of folders on the path.
            if (!Recursive || (entry.Kind == EntryLinkedFolder && !FollowLinks) || Excluded(name))
                continue;
            if (DepthLimit > 0 && qsizetype(Levels.size()) > DepthLimit)
                continue;
            TFolderHandle child = CurrentFolder().OpenChild(name, FollowLinks);
            const qsizetype parentLength = Path.size();
            Path += TNativePath::Decode(name);
            Path += u'/';
            if (!child.IsOpen())
                Report(Path.chopped(1), child.Error());
            else
                entered = Enter(std::move(child));
            if (!entered)
                Path.truncate(parentLength);
        }
        if (!entered)
            Leave(files.size());
    }
}

bool TTargetLister::Enter(TFolderHandle folder)
{
    // A folder already on the path (a link back up, a bind mount of an
    // ancestor) would walk for ever.
    const TFileIdentity identity = folder.Identity();
    if (OnPath.count(identity))
        return false;
    auto level = std::make_unique<TLevel>();
    level->PathLength = Path.size();
    const bool read = folder.ReadEntries([&](const TFolderHandle::TEntry &e) {
        if (StopRequested())
            return false;
        unsigned char kind;
        if (e.Kind == TFileKind::File) {
            kind = EntryFile;
        } else if (e.Kind == TFileKind::Folder) {
            kind = e.Link ? EntryLinkedFolder : EntryFolder;
        } else {
            // Sockets, FIFOs and devices are neither files nor folders:
            // reading them could block. A link that cannot be followed is
            // named, unless it merely points nowhere.
            if (e.Kind == TFileKind::Missing)
                Report(Path + TNativePath::Decode(e.Name), e.Error);
            return true;
        }
        level->Entries.push_back({level->Names.size(), kind});
        level->Names.append(e.Name, qsizetype(strlen(e.Name)) + 1);
        return true;
    });
    if (!read) {
        Report(Path.chopped(1), folder.Error());
        if (level->Entries.empty())
            return false;
    }
    level->Folder = std::move(folder);
    level->Entries.shrink_to_fit();
    OnPath.insert(identity);
    Identities.push_back(identity);
    Levels.push_back(std::move(level));
    // Only the deepest folders keep their descriptors.
    if (qsizetype(Levels.size()) - FirstOpen > OpenLevels)
        Levels[size_t(FirstOpen++)]->Folder.Close();
    return true;
}

void TTargetLister::Leave(qsizetype fileCount)
{
    std::unique_ptr<TLevel> done = std::move(Levels.back());
    Levels.pop_back();
    OnPath.erase(Identities.back());
    Identities.pop_back();
    if (!Levels.empty()) {
        TLevel &parent = *Levels.back();
        Path.truncate(parent.PathLength);
        // The folder above gave up its descriptor: it is opened again from
        // here, and must be the very folder that was left. Always, so that
        // the folder above it can be reached the same way in turn, and no
        // folder ever has to be opened again by its whole path.
        if (!parent.Folder.IsOpen() && done->Folder.IsOpen()) {
            TFolderHandle above = done->Folder.OpenParent();
            if (above.IsOpen() && above.Identity() == Identities.back())
                parent.Folder = std::move(above);
        }
    }
    if (FirstOpen > qsizetype(Levels.size()))
        FirstOpen = qsizetype(Levels.size());
    while (FirstOpen > 0 && Levels[size_t(FirstOpen - 1)]->Folder.IsOpen())
        --FirstOpen;
    if (!StopRequested() && FolderDone)
        FolderDone(fileCount);
}

TFolderHandle &TTargetLister::CurrentFolder()
{
    TLevel &level = *Levels.back();
    if (!level.Folder.IsOpen()) {
        // Reached again by its path, as long as it is still the same folder.
        TFolderHandle again = TFolderHandle::Open(Path);
        if (again.IsOpen() && again.Identity() == Identities.back())
            level.Folder = std::move(again);
    }
    return level.Folder;
}

bool TTargetLister::WithinLimits(const char *nativeName)
{
    qint64 size = 0;
    qint64 modified = 0;
    // A file that vanished or cannot be looked at is left to the search,
    // which reports what it finds.
    if (!CurrentFolder().ChildSizeAndTime(nativeName, size, modified))
        return true;
    return Limits.Passes(size, modified);
}

bool TTargetLister::Excluded(const char *nativeName) const
{
    if (ExcludeDirs.isEmpty())
        return false;
    const QString name = TNativePath::Decode(nativeName);
    for (const QString &pattern : ExcludeDirs)
        if (NameMatchesPattern(name, pattern))
            return true;
    return false;
}

bool TTargetLister::FilterMatches(const QString &extension) const
{
    return FilterListTakes(FilterList, extension);
}
