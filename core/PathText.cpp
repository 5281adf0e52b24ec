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

bool FilterListTakes(const QString &list, const QString &extension)
{
    return list.isEmpty() || list == QLatin1String("*") || ExtensionListContains(list, extension);
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

namespace {

// One "[...]" set at pattern[p] (just after the "["); the position after
// its "]", or -1 when the set does not close (then "[" stands for itself).
qsizetype MatchSet(QStringView pattern, qsizetype p, QChar c, bool &matched)
{
    bool negated = false;
    if (p < pattern.size() && (pattern[p] == u'!' || pattern[p] == u'^')) {
        negated = true;
        ++p;
    }
    bool found = false;
    bool first = true;
    while (p < pattern.size() && (first || pattern[p] != u']')) {
        first = false;
        const QChar low = pattern[p];
        if (p + 2 < pattern.size() && pattern[p + 1] == u'-' && pattern[p + 2] != u']') {
            found = found || (c >= low && c <= pattern[p + 2]);
            p += 3;
        } else {
            found = found || c == low;
            ++p;
        }
    }
    if (p >= pattern.size())
        return -1;
    matched = found != negated;
    return p + 1;
}

} // namespace

bool NameMatchesPattern(QStringView name, QStringView pattern)
{
    // Iterative, with one point to go back to: the last "*" seen.
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            const QChar pc = pattern[p];
            if (pc == u'*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (pc == u'?') {
                ++p;
                ++n;
                continue;
            }
            if (pc == u'[') {
                bool matched = false;
                const qsizetype after = MatchSet(pattern, p + 1, name[n], matched);
                if (after >= 0) {
                    if (matched) {
                        p = after;
                        ++n;
                        continue;
                    }
                } else if (name[n] == u'[') {
                    ++p;
                    ++n;
                    continue;
                }
            } else if (pc == name[n]) {
                ++p;
                ++n;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP + 1;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

QStringList PatternListOf(const QString &list)
{
    QStringList patterns;
    for (QStringView part : QStringView(list).split(u',')) {
        const QStringView trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            patterns.append(trimmed.toString());
    }
    return patterns;
}
