#include "FileReader.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileReader::~TFileReader()
{
    Release();
}

void TFileReader::Release()
{
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
    View = {};
    // A buffer grown for one huge file read whole is not kept for the
    // small files that follow.
    if (Capacity > KeepLimit) {
        Buffer.reset();
        Capacity = 0;
    }
}

char *TFileReader::Room(qsizetype size)
{
    if (size > Capacity) {
        // Keeps what was read so far (the growing read of sizeless files).
        const qsizetype grown = qMax(size, Capacity + Capacity / 2);
        std::unique_ptr<char[]> larger(new char[size_t(grown)]);
        if (Capacity > 0)
            memcpy(larger.get(), Buffer.get(), size_t(Capacity));
        Buffer = std::move(larger);
        Capacity = grown;
    }
    return Buffer.get();
}

bool TFileReader::Read(const QString &path)
{
    return Read(path, -1);
}

bool TFileReader::Rewind()
{
    return Fd >= 0 && ::lseek(Fd, 0, SEEK_SET) == 0;
}

QByteArrayView TFileReader::Fill(QByteArrayView keep, qsizetype more)
{
    if (Fd < 0)
        return {};
    const qsizetype kept = keep.size();
    // keep lies inside the buffer; Room keeps its bytes where they are
    // when it has to grow it.
    const qsizetype from = kept ? keep.data() - Buffer.get() : 0;
    char *buffer = Room(kept + more);
    if (kept && from != 0)
        memmove(buffer, buffer + from, size_t(kept));
    qsizetype done = 0;
    while (done < more) {
        const ssize_t r = ::read(Fd, buffer + kept + done, size_t(more - done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break; // the end, or a read error: what came so far counts
        done += r;
    }
    View = QByteArrayView(buffer, kept + done);
    return View;
}

bool TFileReader::Read(const QString &path, qsizetype streamAbove)
{
    Release();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const qsizetype size = qsizetype(st.st_size);
    if (streamAbove >= 0 && size > streamAbove) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        Fd = fd;
        return true;
    }
    // O_NONBLOCK only kept the open of a FIFO from hanging; reads of a
    // regular file are not affected by it.
    // Read what is there; a file that grows or shrinks meanwhile gives what
    // was read.
    char *buffer = Room(size + 1);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t r = ::read(fd, buffer + done, size_t(size - done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (r == 0)
            break;
        done += r;
    }
    if (size == 0) {
        // Files that report no size may still have content (those under
        // /proc and /sys): read them to their end.
        constexpr qsizetype Step = 64 * 1024;
        while (done < KeepLimit) {
            buffer = Room(done + Step);
            const ssize_t r = ::read(fd, buffer + done, size_t(Step));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            done += r;
        }
    }
    ::close(fd);
    View = QByteArrayView(buffer, done);
    return true;
}
