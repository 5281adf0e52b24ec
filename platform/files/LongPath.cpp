#include "LongPath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens the folder that holds the path's last component and returns it,
// with last set to where that component starts. Parts are cut at "/" so
// that each stays well below PATH_MAX.
int OpenParent(const QByteArray &path, qsizetype &last)
{
    const qsizetype end = path.lastIndexOf('/');
    if (end < 0) {
        last = 0;
        return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    int dir = ::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    qsizetype from = path.startsWith('/') ? 1 : 0;
    constexpr qsizetype Step = PATH_MAX / 2;
    while (dir >= 0 && from < end) {
        qsizetype cut = end;
        if (cut - from >= Step) {
            cut = path.lastIndexOf('/', from + Step);
            if (cut <= from)
                cut = path.indexOf('/', from); // one name alone is longer: the system says so
        }
        const QByteArray part = path.mid(from, cut - from);
        const int next = part.isEmpty() ? ::dup(dir) : ::openat(dir, part.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        ::close(dir);
        errno = error;
        dir = next;
        from = cut + 1;
    }
    last = end + 1;
    return dir;
}

// Runs call(folder, name) on the path's last component relative to the
// folder that holds it, keeping the call's errno over the clean-up.
template <typename Call>
int AtParent(const QByteArray &path, Call call)
{
    qsizetype last = 0;
    const int dir = OpenParent(path, last);
    if (dir < 0)
        return -1;
    const QByteArray name = path.mid(last);
    const int result = call(dir, name.isEmpty() ? "." : name.constData());
    const int error = errno;
    ::close(dir);
    errno = error;
    return result;
}

} // namespace

int LongPath::Open(const QByteArray &path, int flags)
{
    if (path.size() < PATH_MAX)
        return ::open(path.constData(), flags);
    return AtParent(path, [flags](int dir, const char *name) { return ::openat(dir, name, flags); });
}

int LongPath::Stat(const QByteArray &path, struct stat &st)
{
    if (path.size() < PATH_MAX)
        return ::stat(path.constData(), &st);
    return AtParent(path, [&st](int dir, const char *name) { return ::fstatat(dir, name, &st, 0); });
}
