#include "TargetParent.h"

#include "PathText.h"

bool TTargetParent::StaysAsItIs(const QString &target)
{
    for (const QChar ch : target) {
        if (ch != u'/')
            return false;
    }
    return true;
}

QString TTargetParent::ParentOf(const QString &target, bool isFolder)
{
    if (StaysAsItIs(target))
        return target;
    if (!isFolder)
        return FolderPartOf(target);
    // The folder part without its final "/" reads like a file name; its own
    // folder part is one level further up.
    QString folder = FolderPartOf(target);
    folder.chop(1);
    const QString parent = FolderPartOf(folder);
    // Up from a folder right under the root ends at the root.
    if (parent.isEmpty() && target.startsWith(u'/'))
        return QStringLiteral("/");
    return parent;
}

int TTargetParent::FilterFor(const QString &target, const QStringList &filters)
{
    const QString extension = ExtensionOf(target);
    if (extension.isEmpty())
        return -1;
    for (int i = 0; i < filters.size(); ++i) {
        if (ExtensionListContains(filters[i], extension))
            return i;
    }
    return -1;
}
