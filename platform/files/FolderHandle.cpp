#include "FolderHandle.h"

#include "LongPath.h"
#include "NativePath.h"
#include "StatKind.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY;

} // namespace

TFolderHandle::TFolderHandle(int fd)
{
    if (fd < 0) {
        Errno = errno;
        return;
    }
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISDIR(st.st_mode)) {
        Errno = known ? ENOTDIR : errno;
        ::close(fd);
        return;
    }
    Fd = fd;
    StatKind(st, &Id);
}

TFolderHandle::TFolderHandle(TFolderHandle &&other) noexcept
    : Fd(std::exchange(other.Fd, -1)), Errno(other.Errno), Id(other.Id)
{
}

TFolderHandle &TFolderHandle::operator=(TFolderHandle &&other) noexcept
{
    if (this != &other) {
        Close();
        Fd = std::exchange(other.Fd, -1);
        Errno = other.Errno;
        Id = other.Id;
    }
    return *this;
}

void TFolderHandle::Close()
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
}

bool TFolderHandle::IsGone(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

bool TFolderHandle::Gone() const
{
    return IsGone(Errno);
}

TFolderHandle TFolderHandle::Open(const QString &path)
{
    if (path.isEmpty()) {
        errno = ENOENT;
        return TFolderHandle(-1);
    }
    return TFolderHandle(LongPath::Open(TNativePath::Encode(path), FolderFlags));
}

TFolderHandle TFolderHandle::OpenChild(const char *name, bool followLink) const
{
    if (Fd < 0) {
        errno = EBADF;
        return TFolderHandle(-1);
    }
    const int fd = ::openat(Fd, name, FolderFlags | (followLink ? 0 : O_NOFOLLOW));
    // A link met where none is to be followed is no folder here.
    if (fd < 0 && !followLink && errno == ELOOP) {
        struct stat st;
        if (::fstatat(Fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            errno = ENOTDIR;
        else
            errno = ELOOP;
    }
    return TFolderHandle(fd);
}

bool TFolderHandle::ChildSizeAndTime(const char *name, qint64 &size, qint64 &modifiedSeconds) const
{
    struct stat st;
    if (Fd < 0 || ::fstatat(Fd, name, &st, 0) != 0)
        return false;
    size = qint64(st.st_size);
    modifiedSeconds = qint64(st.st_mtim.tv_sec);
    return true;
}

TFolderHandle TFolderHandle::OpenParent() const
{
    return OpenChild("..", false);
}

bool TFolderHandle::ReadEntries(const std::function<bool(const TEntry &)> &each)
{
    if (Fd < 0) {
        Errno = EBADF;
        return false;
    }
    // The stream gets a descriptor of its own and is closed at once.
    const int own = ::fcntl(Fd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = own >= 0 ? ::fdopendir(own) : nullptr;
    if (!dir) {
        Errno = errno;
        if (own >= 0)
            ::close(own);
        return false;
    }
    ::rewinddir(dir); // the duplicate shares the position of earlier reads
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                Errno = errno;
                ok = false;
            }
            break;
        }
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        TEntry e{name, TFileKind::Other, false, 0};
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN) {
            if (::fstatat(Fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                e.Kind = TFileKind::Missing;
                e.Error = errno;
            } else {
                type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
            }
        }
        if (type == DT_DIR) {
            e.Kind = TFileKind::Folder;
        } else if (type == DT_REG) {
            e.Kind = TFileKind::File;
        } else if (type == DT_LNK) {
            // Links are looked at through to what they point at.
            e.Link = true;
            if (::fstatat(Fd, name, &st, 0) != 0) {
                e.Kind = TFileKind::Missing;
                e.Error = errno;
            } else {
                e.Kind = StatKind(st, nullptr);
            }
        }
        if (!each(e))
            break;
    }
    ::closedir(dir);
    return ok;
}
