#pragma once
// Reads the entries of one folder, "." and ".." left out. Names are the
// file system's bytes; the kind of an entry follows links to what they
// point at.

#include "FileKind.h"

#include <QByteArray>

class TFolderReader
{
public:
    explicit TFolderReader(const QByteArray &nativePath);
    ~TFolderReader();
    TFolderReader(const TFolderReader &) = delete;
    TFolderReader &operator=(const TFolderReader &) = delete;

    bool IsOpen() const { return Dir != nullptr; }
    // Steps to the next entry; false at the end (or on a read error).
    bool Next();
    const char *Name() const { return CurrentName; }
    TFileKind::Kind Kind() const;

private:
    void *Dir = nullptr; // the DIR stream
    const char *CurrentName = nullptr;
    unsigned char CurrentType = 0;
};
