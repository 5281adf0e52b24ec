#include "SendToLinks.h"

#include "PathText.h"

#include <QDirIterator>
#include <QFileInfo>

namespace {

const QString Suffix = QStringLiteral(".desktop");

} // namespace

QStringList TSendToLinks::List(const QString &folder)
{
    QStringList links;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return links;
    QString base = folder;
    if (!base.endsWith(u'/'))
        base += u'/';
    // QDirIterator hands the entries over in the order the folder lists them.
    QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name.endsWith(Suffix, Qt::CaseInsensitive) && !it.fileInfo().isDir())
            links << base + name;
    }
    return links;
}

QString TSendToLinks::CaptionOf(const QString &path)
{
    const QString name = FileNameOf(path);
    return name.endsWith(Suffix, Qt::CaseInsensitive) ? name.chopped(Suffix.size()) : name;
}
