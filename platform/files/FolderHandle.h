#pragma once
// One folder held open by its descriptor, for walking a tree without
// building a path for every step: subfolders open relative to it, its
// parent through "..", and its entries are read whole in the system's
// order. Move-only; the descriptor closes with it.

#include "FileKind.h"

#include <QString>
#include <functional>

class TFolderHandle
{
public:
    TFolderHandle() = default;
    ~TFolderHandle() { Close(); }
    TFolderHandle(TFolderHandle &&other) noexcept;
    TFolderHandle &operator=(TFolderHandle &&other) noexcept;
    TFolderHandle(const TFolderHandle &) = delete;
    TFolderHandle &operator=(const TFolderHandle &) = delete;

    // The folder at path, links followed, whatever the path's length.
    static TFolderHandle Open(const QString &path);
    // A subfolder by its name's bytes; a link is followed only when
    // followLink is true (otherwise a link fails as no folder).
    TFolderHandle OpenChild(const char *name, bool followLink) const;
    // The folder above this one.
    TFolderHandle OpenParent() const;
    // The size and the time of the last change (whole seconds since 1970)
    // of an entry by its name's bytes, links followed; false when it cannot
    // be looked at.
    bool ChildSizeAndTime(const char *name, qint64 &size, qint64 &modifiedSeconds) const;

    bool IsOpen() const { return Fd >= 0; }
    void Close();
    const TFileIdentity &Identity() const { return Id; }
    // The system's error number of a failed open or read; 0 when none.
    int Error() const { return Errno; }
    // The failure only says that the folder is not there (any more) or is
    // no folder: nothing to report.
    bool Gone() const;

    struct TEntry
    {
        const char *Name;    // the name's bytes, zero-terminated
        TFileKind::Kind Kind; // of what a link points to; Missing when that cannot be looked at
        bool Link;            // the entry itself is a symbolic link
        int Error;            // why Kind is Missing (errno); 0 otherwise
    };
    // Calls each for every entry ("." and ".." left out) until it answers
    // false. False when the folder could not be read (Error() tells why).
    bool ReadEntries(const std::function<bool(const TEntry &)> &each);

    // Whether an error number only means that a path is not there or is no
    // folder.
    static bool IsGone(int error);

private:
    explicit TFolderHandle(int fd);
    int Fd = -1;
    int Errno = 0;
    TFileIdentity Id;
};
