#pragma once
// What a path names, with links followed: a regular file, a folder, or
// something else (sockets, FIFOs and devices, whose reading could block or
// never end). The identity tells two names of one folder apart from two
// folders.

#include <QByteArray>
#include <QString>

struct TFileIdentity
{
    unsigned long long Device = 0;
    unsigned long long Inode = 0;
    bool operator==(const TFileIdentity &) const = default;
};

class TFileKind
{
public:
    enum Kind { Missing, File, Folder, Other };

    static Kind Of(const QString &path, TFileIdentity *identity = nullptr);
    static Kind OfNative(const QByteArray &nativePath, TFileIdentity *identity = nullptr);

    static bool IsFile(const QString &path) { return Of(path) == File; }
    static bool IsFolder(const QString &path) { return Of(path) == Folder; }
};
