#include "StoredPath.h"

#include "NativePath.h"

#include <QByteArray>

namespace {

const QString Scheme = QStringLiteral("file:");

bool NeedsAddress(const QString &path)
{
    return TNativePath::HasRawBytes(path) || path.contains(u'\n') || path.contains(u'\r')
           || path.startsWith(Scheme, Qt::CaseInsensitive);
}

} // namespace

QString TStoredPath::ToStored(const QString &path)
{
    if (!NeedsAddress(path))
        return path;
    if (path.startsWith(u'/'))
        return QString::fromLatin1(TNativePath::FileUri(path));
    return Scheme + QString::fromLatin1(TNativePath::Encode(path).toPercentEncoding("/"));
}

QString TStoredPath::FromStored(const QString &stored)
{
    if (!stored.startsWith(Scheme, Qt::CaseInsensitive))
        return stored;
    // Addresses are ASCII; anything else was typed, not written by us.
    for (QChar c : stored) {
        if (c.unicode() > 0x7E || c.unicode() < 0x21)
            return stored;
    }
    const QByteArray ascii = stored.toLatin1();
    if (stored.startsWith(QStringLiteral("file://"), Qt::CaseInsensitive)) {
        const QString path = TNativePath::LocalFileOfUri(ascii);
        return path.isEmpty() ? stored : path;
    }
    const QByteArray bytes = QByteArray::fromPercentEncoding(ascii.mid(Scheme.size()));
    return bytes.isEmpty() ? stored : TNativePath::Decode(bytes);
}
