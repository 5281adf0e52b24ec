#include "FolderReader.h"

#include "LongPath.h"
#include "NativePath.h"
#include "StatKind.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

TFolderReader::TFolderReader(const QString &path)
{
    if (!path.isEmpty()) {
        const int fd = LongPath::Open(TNativePath::Encode(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            Dir = ::fdopendir(fd);
            if (!Dir)
                ::close(fd);
        }
    }
    if (!Dir && !path.isEmpty() && errno != ENOENT && errno != ENOTDIR)
        Why = qt_error_string(errno);
}

TFolderReader::~TFolderReader()
{
    if (Dir)
        ::closedir(static_cast<DIR *>(Dir));
}

bool TFolderReader::Next()
{
    if (!Dir)
        return false;
    while (const dirent *entry = ::readdir(static_cast<DIR *>(Dir))) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        CurrentName = name;
        CurrentType = entry->d_type;
        return true;
    }
    CurrentName = nullptr;
    return false;
}

TFileKind::Kind TFolderReader::Kind() const
{
    if (!CurrentName)
        return TFileKind::Missing;
    if (CurrentType == DT_DIR)
        return TFileKind::Folder;
    if (CurrentType == DT_REG)
        return TFileKind::File;
    if (CurrentType == DT_LNK || CurrentType == DT_UNKNOWN) {
        // Links are followed to what they point at.
        struct stat st;
        if (::fstatat(::dirfd(static_cast<DIR *>(Dir)), CurrentName, &st, 0) != 0)
            return TFileKind::Missing;
        return StatKind(st, nullptr);
    }
    return TFileKind::Other;
}
