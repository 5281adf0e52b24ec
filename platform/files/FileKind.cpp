#include "FileKind.h"

#include "LongPath.h"
#include "NativePath.h"
#include "StatKind.h"

#include <sys/stat.h>

TFileKind::Kind TFileKind::Of(const QString &path, TFileIdentity *identity)
{
    if (path.isEmpty())
        return Missing;
    return OfNative(TNativePath::Encode(path), identity);
}

TFileKind::Kind TFileKind::OfNative(const QByteArray &nativePath, TFileIdentity *identity)
{
    struct stat st;
    if (nativePath.isEmpty() || LongPath::Stat(nativePath, st) != 0)
        return Missing;
    return StatKind(st, identity);
}
