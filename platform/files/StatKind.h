#pragma once
// The file kind of a stat record; shared by the sources of this folder only.

#include "FileKind.h"

#include <sys/stat.h>

inline TFileKind::Kind StatKind(const struct stat &st, TFileIdentity *identity)
{
    if (identity)
        *identity = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
    if (S_ISREG(st.st_mode))
        return TFileKind::File;
    if (S_ISDIR(st.st_mode))
        return TFileKind::Folder;
    return TFileKind::Other;
}
