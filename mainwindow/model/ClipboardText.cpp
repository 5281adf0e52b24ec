#include "ClipboardText.h"

#include "NativePath.h"

#include <QMimeData>

QMimeData *ClipboardDataFor(const QString &text, const QString &path)
{
    auto *data = new QMimeData;
    data->setText(text);
    if (TNativePath::HasRawBytes(path) && path.startsWith(u'/')) {
        const QByteArray uri = TNativePath::FileUri(path);
        data->setData(QStringLiteral("text/uri-list"), uri + "\r\n");
        data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + uri);
    }
    return data;
}
