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

// Makes the folder (0700) unless it is there, then checks that it is this
// user's own: lstat, so that a link someone put there is not followed.
QString OwnPrivateFolder(const QString &folder, uint uid, QString *reason)
{
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return Refuse(reason, folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
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

} // namespace

QString TRuntimeFolder::ForThisUser(QString *reason)
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return Resolve(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), cache, ::geteuid(), reason);
}

QString TRuntimeFolder::Resolve(const QString &runtimeDir, const QString &temp, const QString &cache, uint uid,
                                QString *reason)
{
    if (!runtimeDir.isEmpty() && QDir::isAbsolutePath(runtimeDir))
        return QDir::cleanPath(runtimeDir);

    QString first;
    const QString standIn = OwnPrivateFolder(QDir::cleanPath(temp) + QStringLiteral("/kestu-%1").arg(uid), uid, &first);
    if (!standIn.isEmpty())
        return standIn;
    // Someone else holds the shared name: the user's own cache folder,
    // which only they can write to, serves instead.
    QString second;
    if (QDir::isAbsolutePath(cache) && QDir().mkpath(cache)) {
        const QString own = OwnPrivateFolder(QDir::cleanPath(cache) + QStringLiteral("/kestu-runtime"), uid, &second);
        if (!own.isEmpty())
            return own;
    } else {
        second = cache + QStringLiteral(": no cache folder");
    }
    return Refuse(reason, first + QStringLiteral("; ") + second);
}
