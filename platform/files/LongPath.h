#pragma once
// Opening and examining paths of any length. The system refuses a path of
// PATH_MAX bytes or more as a whole; such a path is followed a part at a
// time, each part relative to the folder reached so far, so a file 3,000
// folders down opens like any other. Links are followed as usual.
// Shared by the sources of this folder only.

#include <QByteArray>
#include <sys/stat.h>

namespace LongPath {

// open(2) of the path, whatever its length; -1 with errno set on failure.
int Open(const QByteArray &path, int flags);
// stat(2) of the path, whatever its length.
int Stat(const QByteArray &path, struct stat &st);

} // namespace LongPath
