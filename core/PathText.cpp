#include "PathText.h"

#include "SjisText.h"

QString ExtensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < name.lastIndexOf(u'/'))
        return {};
    return name.mid(dot);
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderPartOf(const QString &path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

bool ExtensionListContains(const QString &list, const QString &extension)
{
    const QString key = u'*' + LowerCaseLikeCp932(extension) + u',';
    return (LowerCaseLikeCp932(list) + u',').contains(key);
}
