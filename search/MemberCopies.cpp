#include "MemberCopies.h"

#include "NativePath.h"
#include "PathText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <vector>

TMemberCopies::TMemberCopies(const QString &parent) : Parent(parent) {}

TMemberCopies::~TMemberCopies()
{
    if (!Root.isEmpty())
        QDir(Root).removeRecursively();
}

bool TMemberCopies::MakeRoot(QString *reason)
{
    if (!Root.isEmpty())
        return true;
    QString parent = Parent;
    if (parent.isEmpty())
        parent = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (parent.isEmpty() || !QFileInfo(parent).isDir())
        parent = QDir::tempPath();
    // mkdtemp makes the folder for its owner alone.
    QByteArray pattern = TNativePath::Encode(parent + QStringLiteral("/kestu-members-XXXXXX"));
    if (!mkdtemp(pattern.data())) {
        if (reason)
            *reason = qt_error_string(errno);
        return false;
    }
    Root = TNativePath::Decode(pattern);
    return true;
}

QString TMemberCopies::CopyOf(const QString &fileName, qint32 archiveEnd, QString *reason)
{
    if (const auto known = Copies.find(fileName); known != Copies.end() && QFileInfo::exists(known->second))
        return known->second;
    if (archiveEnd <= 0 || archiveEnd >= fileName.size() || !fileName.endsWith(u'}')) {
        if (reason)
            *reason = QStringLiteral("アーカイブのメンバーではありません");
        return {};
    }
    if (!MakeRoot(reason))
        return {};
    const QString archivePath = fileName.left(archiveEnd);
    const QString member = fileName.mid(archiveEnd + 1).chopped(1);
    // The copy's own name: the last part of the member's path, in a folder
    // of its own so that members of one name do not meet.
    // Bytes that are not UTF-8 (a Shift-JIS name) are given their shown
    // characters: the copy's name is text any program can take.
    QString name = ShownPath(member.mid(member.lastIndexOf(u'{') + 1));
    name = name.mid(name.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("member");
    const QString folder = Root + u'/' + QString::number(++Made);
    if (!QDir().mkdir(folder)) {
        if (reason)
            *reason = QStringLiteral("フォルダを作れません: ") + folder;
        return {};
    }
    const QString copy = folder + u'/' + name;
    bool found = false;
    QString failure;
    TArchiveWalker walker(TArchiveLimits(), nullptr);
    walker.Walk(
        archivePath, [](const QString &) { return true; },
        [&](const QString &shown, TByteSource &data) {
            if (found || shown != member)
                return;
            found = true;
            QFile out(copy);
            if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                failure = out.errorString();
                return;
            }
            std::vector<char> buffer(1 << 16);
            for (;;) {
                const qint64 n = data.Read(buffer.data(), qint64(buffer.size()));
                if (n <= 0)
                    break;
                if (out.write(buffer.data(), n) != n) {
                    failure = out.errorString();
                    return;
                }
            }
        },
        [&](const QString &shown, const QString &why) {
            if (shown == member || (shown.isEmpty() && failure.isEmpty()))
                failure = why;
        });
    if (!found || !failure.isEmpty()) {
        QFile::remove(copy);
        if (reason)
            *reason = !failure.isEmpty() ? failure : QStringLiteral("アーカイブの中に見つかりません");
        return {};
    }
    // The copy is as new as its archive: a preview tells a changed archive,
    // not the copy's making, from the search.
    QFile made(copy);
    if (made.open(QIODevice::ReadWrite))
        made.setFileTime(QFileInfo(archivePath).lastModified(), QFileDevice::FileModificationTime);
    Copies[fileName] = copy;
    return copy;
}
