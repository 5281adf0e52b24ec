#pragma once
// A temporary folder tree for tests: files with given bytes, folders, links.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

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

    // A file in the root whose name is given as bytes, which need not be
    // UTF-8 (Shift-JIS names, say); gives the full path as bytes.
    QByteArray NativeFile(const QByteArray &name, const QByteArray &content) const
    {
        const QByteArray path = QFile::encodeName(Root()) + name;
        FILE *f = std::fopen(path.constData(), "wb");
        if (!f || std::fwrite(content.constData(), 1, size_t(content.size()), f) != size_t(content.size()))
            qFatal("cannot write test file");
        std::fclose(f);
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
