#include "ResultText.h"

QString FormatThousands(qint64 value, int group)
{
    QString text = QString::number(value);
    if (group <= 0)
        return text;
    // Walk back from the end one group at a time while a digit stands in
    // front of the group (a "-" in front gets no separator).
    for (qsizetype at = text.size() - group; at > 0 && text.at(at - 1).isDigit(); at -= group)
        text.insert(at, u',');
    return text;
}

QString ShortenPath(const QString &path, int width, const TTextMeasure &measure)
{
    static const QString Marker = QStringLiteral(".../");
    static const QString RootedMarker = QStringLiteral("/.../");

    const qsizetype split = path.lastIndexOf(u'/') + 1;
    QString dir = path.left(split);
    const QString name = path.mid(split);
    QString result = path;

    // Every pass removes at least one character from dir once it carries the
    // marker, and the first pass adds it, so the loop ends.
    while (!dir.isEmpty() && measure && measure(result) > width) {
        if (dir == RootedMarker) {
            dir = Marker;
        } else if (dir == u"/") {
            dir.clear();
        } else {
            const bool rooted = dir.startsWith(u'/');
            if (rooted)
                dir.remove(0, 1);
            // Only our own marker is dropped here; a folder whose name starts
            // with "." (".config") is an ordinary first folder.
            if (dir.startsWith(Marker))
                dir.remove(0, Marker.size());
            const qsizetype slash = dir.indexOf(u'/');
            if (slash >= 0)
                dir = Marker + dir.mid(slash + 1);
            else
                dir.clear();
            if (rooted)
                dir.prepend(u'/');
        }
        result = dir + name;
    }
    return result;
}
