#include "ReadOnlyFile.h"

#include "LongPath.h"
#include "NativePath.h"

#include <cerrno>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {
thread_local bool DiskWaited = false;
} // namespace

bool TReadOnlyFile::Open(const QString &path)
{
    Close();
    // O_NONBLOCK only keeps the open of a FIFO from hanging; reads of a
    // regular file are not affected by it.
    Why.clear();
    Vanished = false;
    const int fd = LongPath::Open(TNativePath::Encode(path), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        Vanished = errno == ENOENT || errno == ENOTDIR;
        Why = qt_error_string(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    Fd = fd;
    FirstRead = true;
    OpenedSize = qint64(st.st_size);
    OpenedModified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
    return true;
}

void TReadOnlyFile::Close()
{
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
    OpenedSize = 0;
    OpenedModified = QDateTime();
}

void TReadOnlyFile::ExpectSequentialReads()
{
    if (Fd >= 0)
        ::posix_fadvise(Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void TReadOnlyFile::Prefetch(const QString &path, qint64 bytes)
{
    const int fd = LongPath::Open(TNativePath::Encode(path), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        ::posix_fadvise(fd, 0, off_t(qMin<qint64>(bytes, st.st_size)), POSIX_FADV_WILLNEED);
    ::close(fd);
}

bool TReadOnlyFile::TakeDiskWait()
{
    return std::exchange(DiskWaited, false);
}

qint64 TReadOnlyFile::Read(char *to, qint64 n)
{
    if (Fd < 0)
        return -1;
#ifdef RWF_NOWAIT
    // The first read asks for cached bytes only; none there means the disk
    // is cold, and the plain read below waits for it as always. A system
    // that cannot read this way says so, and is read the plain way.
    if (std::exchange(FirstRead, false) && n > 0) {
        struct iovec part = {to, size_t(n)};
        const ssize_t r = ::preadv2(Fd, &part, 1, -1, RWF_NOWAIT);
        if (r > 0)
            return qint64(r);
        if (r < 0 && errno == EAGAIN)
            DiskWaited = true;
    }
#endif
    for (;;) {
        const ssize_t r = ::read(Fd, to, size_t(n));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            Why = qt_error_string(errno);
        return qint64(r);
    }
}

qint64 TReadOnlyFile::ReadFully(char *to, qint64 n)
{
    qint64 done = 0;
    while (done < n) {
        const qint64 r = Read(to + done, n - done);
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        done += r;
    }
    return done;
}

bool TReadOnlyFile::Rewind()
{
    return Seek(0);
}

bool TReadOnlyFile::Seek(qint64 offset)
{
    return Fd >= 0 && offset >= 0 && ::lseek(Fd, off_t(offset), SEEK_SET) == off_t(offset);
}
