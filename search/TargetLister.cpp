#include "TargetLister.h"

#include "PathText.h"

#include <QFile>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool StatPath(const QString &path, struct stat &st)
{
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

TTargetLister::TTargetLister(const std::atomic<bool> *stop, std::function<void(qsizetype)> folderDone)
    : Stop(stop), FolderDone(std::move(folderDone))
{
}

bool TTargetLister::IsExistingFile(const QString &path)
{
    // Only regular files count: a FIFO or a device would block or never end.
    struct stat st;
    return !path.isEmpty() && StatPath(path, st) && S_ISREG(st.st_mode);
}

bool TTargetLister::IsExistingFolder(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && StatPath(path, st) && S_ISDIR(st.st_mode);
}

void TTargetLister::ListTargets(QStringList &files)
{
    if (IsExistingFile(TargetPath)) {
        files.append(TargetPath);
        return;
    }
    if (IsExistingFolder(TargetPath)) {
        int depth = 0;
        Ancestors.clear();
        WalkFolder(TargetPath, depth, files);
    }
}

bool TTargetLister::IsAncestor(const FolderId &id) const
{
    for (const FolderId &a : Ancestors)
        if (a.Device == id.Device && a.Inode == id.Inode)
            return true;
    return false;
}

void TTargetLister::WalkFolder(const QString &folderIn, int &depth, QStringList &files)
{
    struct stat st;
    if (folderIn.isEmpty() || !StatPath(folderIn, st) || !S_ISDIR(st.st_mode))
        return;
    const FolderId self{static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
    // A link back to a folder we are already inside would walk for ever.
    if (IsAncestor(self))
        return;
    QString folder = folderIn;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const QByteArray nativeFolder = QFile::encodeName(folder);
    DIR *dir = ::opendir(nativeFolder.constData());
    if (!dir)
        return;
    Ancestors.push_back(self);
    bool descended = false;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if ((name[0] == '.' && name[1] == 0) || (name[0] == '.' && name[1] == '.' && name[2] == 0))
            continue;
        bool isFolder = false;
        bool isFile = false;
        if (entry->d_type == DT_DIR) {
            isFolder = true;
        } else if (entry->d_type == DT_REG) {
            isFile = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Links are followed to what they point at.
            struct stat target;
            const QByteArray full = nativeFolder + name;
            if (::stat(full.constData(), &target) == 0) {
                isFolder = S_ISDIR(target.st_mode);
                isFile = S_ISREG(target.st_mode);
            }
        }
        // Sockets, FIFOs and devices are neither: reading them could block.
        if (isFolder) {
            if (!StopRequested() && Recursive) {
                if (!descended) {
                    ++depth;
                    descended = true;
                }
                if (DepthLimit <= 0 || depth <= DepthLimit)
                    WalkFolder(folder + QFile::decodeName(name) + u'/', depth, files);
            }
        } else if (isFile) {
            if (!StopRequested()) {
                const QString fileName = QFile::decodeName(name);
                if (FilterMatches(ExtensionOf(fileName)))
                    files.append(folder + fileName);
            }
        }
        if (StopRequested())
            break;
    }
    ::closedir(dir);
    Ancestors.pop_back();
    if (!StopRequested() && FolderDone)
        FolderDone(files.size());
    if (descended)
        --depth;
}

bool TTargetLister::FilterMatches(const QString &extension) const
{
    if (FilterList.isEmpty() || FilterList == QLatin1String("*"))
        return true;
    return ExtensionListContains(FilterList, extension);
}
