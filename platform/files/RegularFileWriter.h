#pragma once
// Writes a whole file atomically, and only where a regular file is or may
// be made. A link is followed and kept: the file it leads to is replaced.
// A device, FIFO, socket or folder in the way (directly or at the end of a
// link) is refused, never replaced: renaming a new file over /dev/null would
// break the system, and a FIFO would be silently turned into a file.
//
// The new content goes to a temporary file beside the target, is flushed
// to the disk, and takes the target's name in one rename at Commit; a
// failure at any step, or a writer destroyed without Commit, leaves the old
// file as it was. Reasons name the system's error ("No space left on
// device", ...).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class TRegularFileWriter
{
public:
    enum class TResult { Written, NotRegular, Failed };

    explicit TRegularFileWriter(const QString &path);
    ~TRegularFileWriter();
    TRegularFileWriter(const TRegularFileWriter &) = delete;
    TRegularFileWriter &operator=(const TRegularFileWriter &) = delete;

    // Checks the target and makes the temporary file: Written when writing
    // may begin.
    TResult Open();
    // False on failure (Reason says why); later writes then fail too.
    bool Write(QByteArrayView data);
    // Flushes, closes and renames the temporary file over the target.
    TResult Commit();
    // Why the last step failed; empty after success.
    const QString &Reason() const { return FailReason; }

    // Open, one Write and Commit.
    static TResult Save(const QString &path, QByteArrayView content, QString &reason);
    // The reason given for a target that is not a regular file.
    static QString NotRegularReason();

private:
    TResult Fail(int error);

    QString Path;
    QByteArray Target;    // the path at the end of its links
    QByteArray Temporary;
    int Fd = -1;
    int Error = 0;
    QString FailReason;
};
