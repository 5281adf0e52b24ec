#include "DesktopPaths.h"

#include "FileKind.h"

#include <QStandardPaths>

QString TDesktopPaths::ShortPath(const QString &path)
{
    if (path.isEmpty() || TFileKind::Of(path) == TFileKind::Missing)
        return {};
    return path;
}

QString TDesktopPaths::SendToFolder()
{
    // GenericDataLocation follows $XDG_DATA_HOME and falls back to
    // ~/.local/share.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    QString folder = data + QStringLiteral("/kestu/SendTo");
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}
