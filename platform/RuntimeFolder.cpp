#include "RuntimeFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Refuse(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return {};
}

} // namespace

QString TRuntimeFolder::ForThisUser(QString *reason)
{
    return Resolve(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), ::geteuid(), reason);
}

QString TRuntimeFolder::Resolve(const QString &runtimeDir, const QString &temp, uint uid, QString *reason)
{
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir))
        return QDir::cleanPath(runtimeDir);

    const QString folder = QDir::cleanPath(temp) + QStringLiteral("/kestu-%1").arg(uid);
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return Refuse(reason, folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    // Whether made just now or found, it must be this user's own folder:
    // lstat, so that a link someone put there is not followed.
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0)
        return Refuse(reason, folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(info.st_mode))
        return Refuse(reason, folder + QStringLiteral(": not a folder"));
    if (info.st_uid != uid)
        return Refuse(reason, folder + QStringLiteral(": owned by another user"));
    if ((info.st_mode & 077) != 0)
        return Refuse(reason, folder + QStringLiteral(": open to other users"));
    return folder;
}
