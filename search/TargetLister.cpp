#include "TargetLister.h"

#include "FileKind.h"
#include "FolderReader.h"
#include "NativePath.h"
#include "PathText.h"


TTargetLister::TTargetLister(const std::atomic<bool> *stop, std::function<void(qsizetype)> folderDone)
    : Stop(stop), FolderDone(std::move(folderDone))
{
}

void TTargetLister::ListTargets(QStringList &files)
{
    const TFileKind::Kind kind = TFileKind::Of(TargetPath);
    if (kind == TFileKind::File) {
        files.append(TargetPath);
        return;
    }
    if (kind == TFileKind::Folder) {
        int depth = 0;
        Ancestors.clear();
        WalkFolder(TargetPath, depth, files);
    }
}

bool TTargetLister::IsAncestor(const TFileIdentity &id) const
{
    for (const TFileIdentity &a : Ancestors)
        if (a == id)
            return true;
    return false;
}

void TTargetLister::WalkFolder(const QString &folderIn, int &depth, QStringList &files)
{
    TFileIdentity self;
    if (TFileKind::Of(folderIn, &self) != TFileKind::Folder)
        return;
    // A link back to a folder we are already inside would walk for ever.
    if (IsAncestor(self))
        return;
    QString folder = folderIn;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    TFolderReader dir(folder);
    if (!dir.IsOpen()) {
        if (FolderNotRead && !dir.Failure().isEmpty())
            FolderNotRead(folder.chopped(1), dir.Failure());
        return;
    }
    Ancestors.push_back(self);
    bool descended = false;
    while (dir.Next()) {
        // Sockets, FIFOs and devices are neither files nor folders: reading
        // them could block.
        const TFileKind::Kind kind = dir.Kind();
        if (kind == TFileKind::Folder) {
            if (!StopRequested() && Recursive && !Excluded(dir.Name())) {
                if (!descended) {
                    ++depth;
                    descended = true;
                }
                if (DepthLimit <= 0 || depth <= DepthLimit)
                    WalkFolder(folder + TNativePath::Decode(dir.Name()) + u'/', depth, files);
            }
        } else if (kind == TFileKind::File) {
            if (!StopRequested()) {
                const QString fileName = TNativePath::Decode(dir.Name());
                if (FilterMatches(ExtensionOf(fileName)))
                    files.append(folder + fileName);
            }
        }
        if (StopRequested())
            break;
    }
    Ancestors.pop_back();
    if (!StopRequested() && FolderDone)
        FolderDone(files.size());
    if (descended)
        --depth;
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
    if (FilterList.isEmpty() || FilterList == QLatin1String("*"))
        return true;
    return ExtensionListContains(FilterList, extension);
}
