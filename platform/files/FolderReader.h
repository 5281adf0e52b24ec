#pragma once
// Reads the entries of one folder, "." and ".." left out. Names are the
// file system's bytes (TNativePath::Decode keeps them exact); the kind of an entry follows links to what they
// point at.

#include "FileKind.h"

#include <QByteArray>
#include <QString>

class TFolderReader
{
public:
    explicit TFolderReader(const QString &path);
    ~TFolderReader();
    TFolderReader(const TFolderReader &) = delete;
    TFolderReader &operator=(const TFolderReader &) = delete;

    bool IsOpen() const { return Dir != nullptr; }
    // Why the folder could not be opened (the system's words); empty when
    // it is gone or no longer a folder, which is no error to report.
    const QString &Failure() const { return Why; }
    // Steps to the next entry; false at the end (or on a read error).
    bool Next();
    const char *Name() const { return CurrentName; }
    TFileKind::Kind Kind() const;

private:
    void *Dir = nullptr; // the DIR stream
    const char *CurrentName = nullptr;
    unsigned char CurrentType = 0;
    QString Why;
};
