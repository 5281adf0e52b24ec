// The limit for one core: maps every regular file under a folder and runs
// memchr over it for a byte that never occurs in text (zero), on one
// thread. Prints the number of files and bytes it went through.
// Used by bench/run.sh as the row every search is measured against.

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
long long Files = 0;
long long Bytes = 0;
long long Zeros = 0;

int Visit(const char *path, const struct stat *st, int type, struct FTW *)
{
    if (type != FTW_F || !S_ISREG(st->st_mode) || st->st_size == 0)
        return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const size_t size = size_t(st->st_size);
    void *p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (p == MAP_FAILED)
        return 0;
    madvise(p, size, MADV_SEQUENTIAL);
    const char *at = static_cast<const char *>(p);
    const char *end = at + size;
    while (at < end) {
        const void *z = memchr(at, 0, size_t(end - at));
        if (!z)
            break;
        ++Zeros;
        at = static_cast<const char *>(z) + 1;
    }
    munmap(p, size);
    ++Files;
    Bytes += (long long)size;
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: kestu-scan-limit FOLDER\n");
        return 2;
    }
    if (nftw(argv[1], Visit, 64, FTW_PHYS) != 0) {
        perror(argv[1]);
        return 2;
    }
    printf("%lld files, %lld bytes, %lld zero bytes\n", Files, Bytes, Zeros);
    return 0;
}
