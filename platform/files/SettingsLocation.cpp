#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString TSettingsLocation::Path(const QString &executablePath, bool folderWritable, const QString &xdgConfigHome,
                                const QString &home)
{
    const QFileInfo executable(executablePath);
    const QString fileName = executable.completeBaseName() + QStringLiteral(".ini");
    if (folderWritable)
        return executable.absolutePath() + u'/' + fileName;
    const QString base = !xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome)
        ? xdgConfigHome
        : home + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/kestu/") + fileName);
}

QString TSettingsLocation::ForThisProgram()
{
    const QString executable = QCoreApplication::applicationFilePath();
    const QString path = Path(executable, QFileInfo(QFileInfo(executable).absolutePath()).isWritable(),
                              qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
    if (QFileInfo(path).absolutePath() != QFileInfo(executable).absolutePath())
        QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}
