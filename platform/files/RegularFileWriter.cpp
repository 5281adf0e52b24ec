#include "RegularFileWriter.h"

#include "NativePath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

// Follows links to their end. Returns 0 and the final path (which need not
// exist yet, as at the end of a dangling link), or an errno value.
int ResolveLinks(QByteArray &path, struct stat &info, bool &exists)
{
    for (int depth = 0; depth < 40; ++depth) {
        if (lstat(path.constData(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            exists = false;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            return 0;
        }
        QByteArray target(4096, '\0');
        const ssize_t n = readlink(path.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return errno;
        target.truncate(n);
        path = target.startsWith('/') ? target : FolderOf(path) + '/' + target;
    }
    return ELOOP;
}

mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

TRegularFileWriter::TRegularFileWriter(const QString &path) : Path(path) {}

TRegularFileWriter::~TRegularFileWriter()
{
    if (Fd >= 0)
        close(Fd);
    if (!Temporary.isEmpty())
        unlink(Temporary.constData());
}

QString TRegularFileWriter::NotRegularReason()
{
    return QStringLiteral("通常のファイルではありません (デバイス、FIFO、フォルダなどには書き込みません)");
}

TRegularFileWriter::TResult TRegularFileWriter::Fail(int error)
{
    Error = error;
    FailReason = SystemReason(error);
    return TResult::Failed;
}

TRegularFileWriter::TResult TRegularFileWriter::Open()
{
    FailReason.clear();
    Target = TNativePath::Encode(Path);
    struct stat info {};
    bool exists = false;
    if (const int error = ResolveLinks(Target, info, exists); error != 0)
        return Fail(error);
    if (exists && !S_ISREG(info.st_mode)) {
        FailReason = NotRegularReason();
        Error = EINVAL;
        return TResult::NotRegular;
    }
    QByteArray temporary = FolderOf(Target) + "/." + Target.mid(Target.lastIndexOf('/') + 1) + ".XXXXXX";
    Fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (Fd < 0)
        return Fail(errno);
    Temporary = temporary;
    // The new file keeps the old one's permissions; a new one gets the usual.
    if (fchmod(Fd, exists ? (info.st_mode & 07777) : NewFileMode()) != 0)
        return Fail(errno);
    return TResult::Written;
}

bool TRegularFileWriter::Write(QByteArrayView data)
{
    if (Fd < 0 || Error != 0)
        return false;
    const char *at = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = write(Fd, at, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

TRegularFileWriter::TResult TRegularFileWriter::Commit()
{
    if (Fd < 0 || Error != 0)
        return Error != 0 ? TResult::Failed : Fail(EBADF);
    // A full disk may only show when the data reach it.
    int error = fsync(Fd) != 0 ? errno : 0;
    if (close(Fd) != 0 && error == 0)
        error = errno;
    Fd = -1;
    if (error == 0 && rename(Temporary.constData(), Target.constData()) != 0)
        error = errno;
    if (error != 0)
        return Fail(error);
    Temporary.clear(); // it is the target now
    return TResult::Written;
}

TRegularFileWriter::TResult TRegularFileWriter::Save(const QString &path, QByteArrayView content, QString &reason)
{
    TRegularFileWriter writer(path);
    TResult result = writer.Open();
    if (result == TResult::Written && !writer.Write(content))
        result = TResult::Failed;
    if (result == TResult::Written)
        result = writer.Commit();
    reason = writer.Reason();
    return result;
}
