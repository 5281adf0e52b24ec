#pragma once
// A temporary folder tree for tests: files with given bytes, folders, links.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class TTestTree
{
public:
    TTestTree() { Q_ASSERT(Dir.isValid()); }

    QString Root() const { return Dir.path() + u'/'; }
    QString Path(const QString &relative) const { return Root() + relative; }

    QString File(const QString &relative, const QByteArray &content) const
    {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write test file");
        return path;
    }

    QString Folder(const QString &relative) const
    {
        const QString path = Path(relative);
        QDir().mkpath(path);
        return path;
    }

private:
    QTemporaryDir Dir;
};
