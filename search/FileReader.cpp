#include "FileReader.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

TFileReader::~TFileReader()
{
    Release();
}

void TFileReader::Release()
{
    if (Mapped) {
        ::munmap(Mapped, MappedSize);
        Mapped = nullptr;
        MappedSize = 0;
    }
    View = {};
    // A buffer grown for one unusually large file is given back.
    if (Buffer.capacity() > size_t(MapThreshold / 4))
        std::vector<char>().swap(Buffer);
}

bool TFileReader::Read(const QString &path)
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
    if (size >= MapThreshold) {
        void *p = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (p == MAP_FAILED)
            return false;
        ::madvise(p, size_t(size), MADV_SEQUENTIAL);
        Mapped = p;
        MappedSize = size_t(size);
        View = QByteArrayView(static_cast<const char *>(p), size);
        return true;
    }
    // O_NONBLOCK only kept the open of a FIFO from hanging; reads of a
    // regular file are not affected by it.
    // Read what is there; a file that grows or shrinks meanwhile gives what
    // was read.
    if (Buffer.size() < size_t(size) + 1)
        Buffer.resize(size_t(size) + 1);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t r = ::read(fd, Buffer.data() + done, size_t(size - done));
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
        while (done < MapThreshold) {
            if (Buffer.size() < size_t(done + Step))
                Buffer.resize(size_t(done + Step));
            const ssize_t r = ::read(fd, Buffer.data() + done, size_t(Step));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            done += r;
        }
    }
    ::close(fd);
    View = QByteArrayView(Buffer.data(), done);
    return true;
}
