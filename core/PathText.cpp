#include "PathText.h"

#include "Cp932.h"
#include "NativePath.h"
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

namespace {

QString ShownComponent(QStringView component)
{
    if (!TNativePath::HasRawBytes(component))
        return component.toString();
    const QString path = component.toString();
    const QByteArray bytes = TNativePath::Encode(path);
    const QString asCp932 = TCp932::ToQString(bytes);
    if (!asCp932.contains(QChar(0xFFFD)))
        return asCp932;
    QString shown;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const int raw = TNativePath::RawByteAt(path, i);
        if (raw < 0)
            shown += path.at(i);
        else
            shown += QStringLiteral("\\x%1").arg(raw, 2, 16, QLatin1Char('0'));
    }
    return shown;
}

} // namespace

QString ShownPath(const QString &path)
{
    if (!TNativePath::HasRawBytes(path))
        return path;
    QString shown;
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype slash = path.indexOf(u'/', start);
        if (slash < 0)
            slash = path.size();
        shown += ShownComponent(QStringView(path).mid(start, slash - start));
        if (slash < path.size())
            shown += u'/';
        start = slash + 1;
    }
    return shown;
}
