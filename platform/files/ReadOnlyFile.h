#pragma once
// One regular file opened for reading: no FIFO, device or folder gets
// through the open, and opening never blocks. Reads are retried when a
// signal cuts them short.

#include <QDateTime>
#include <QString>

class TReadOnlyFile
{
public:
    TReadOnlyFile() = default;
    ~TReadOnlyFile() { Close(); }
    TReadOnlyFile(const TReadOnlyFile &) = delete;
    TReadOnlyFile &operator=(const TReadOnlyFile &) = delete;

    // False when the path cannot be opened or is not a regular file.
    bool Open(const QString &path);
    void Close();
    bool IsOpen() const { return Fd >= 0; }
    // Why the last open or read failed (the system's words); empty after an
    // open that failed only because the path is no regular file.
    const QString &Failure() const { return Why; }
    // The last open failed only because the path is not there (any more):
    // nothing to report.
    bool Gone() const { return Vanished; }

    // The size and the time of the last change the file reported when it
    // was opened.
    qint64 Size() const { return OpenedSize; }
    const QDateTime &Modified() const { return OpenedModified; }
    // Tells the system that the file is read from start to end.
    void ExpectSequentialReads();
    // Asks the system to start reading the first bytes of a regular file
    // into its cache, without waiting for them: a search about to open the
    // file finds them there. Anything that fails is left to that open.
    static void Prefetch(const QString &path, qint64 bytes);
    // Whether a file opened on this thread has had to wait for the disk at
    // its first read since the last call: its bytes were not in the cache.
    static bool TakeDiskWait();
    // Reads up to n bytes; the count read (0 at the end), -1 on an error.
    qint64 Read(char *to, qint64 n);
    // Reads until n bytes or the end of the file; what came, -1 on an error.
    qint64 ReadFully(char *to, qint64 n);
    bool Rewind();
    // Goes to a byte offset from the start.
    bool Seek(qint64 offset);

private:
    int Fd = -1;
    bool FirstRead = false; // the next read is the first since the open
    qint64 OpenedSize = 0;
    QDateTime OpenedModified;
    QString Why;
    bool Vanished = false;
};
