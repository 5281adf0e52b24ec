#pragma once
// A temporary folder tree for tests: files with given bytes, folders, links.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <ftw.h>
#include <unistd.h>

class TTestTree
{
public:
    TTestTree() { Q_ASSERT(Dir.isValid()); }
    // QTemporaryDir cannot remove a name that is not UTF-8 (it goes through
    // QString): the tree is taken down by its bytes first.
    ~TTestTree()
    {
        nftw(QFile::encodeName(Dir.path()).constData(),
             [](const char *path, const struct stat *, int kind, struct FTW *) {
                 // What cannot be removed is left to QTemporaryDir.
                 (kind == FTW_DP ? rmdir(path) : unlink(path));
                 return 0;
             },
             16, FTW_DEPTH | FTW_PHYS);
    }
    TTestTree(const TTestTree &) = delete;
    TTestTree &operator=(const TTestTree &) = delete;

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
