#pragma once
// Reads one file for searching, whole or a piece at a time, into a buffer
// that is kept from file to file. Nothing is mapped: a file that another
// process shortens while it is read gives what was read, where a mapping
// would kill the program with SIGBUS.

#include "ByteSource.h"
#include "ReadOnlyFile.h"

#include <QByteArrayView>
#include <QString>
#include <memory>

class TFileReader
{
public:
    TFileReader() = default;
    ~TFileReader();
    TFileReader(const TFileReader &) = delete;
    TFileReader &operator=(const TFileReader &) = delete;

    // Reads the file; false when it cannot be opened or read, or is not a
    // regular file. The content stays valid until the next Read or Release.
    bool Read(const QString &path);
    QByteArrayView Content() const { return View; }
    void Release();

    // Reading a piece at a time: a file larger than streamAbove bytes is
    // only opened (Streaming() is then true and Content() empty); Fill
    // moves keep (empty, or the end of what the last Fill gave) to the
    // buffer's front and reads up to more bytes after it, giving both
    // together. Fewer new bytes than asked for mean the end of the file.
    bool Read(const QString &path, qsizetype streamAbove);
    bool Streaming() const { return File.IsOpen() || Source; }
    // Reads a stream that is no file (an archive member) a piece at a
    // time, as a file above streamAbove would be; the source stays the
    // caller's and must outlive the reads, up to Release.
    void Open(TByteSource &source);
    QByteArrayView Fill(QByteArrayView keep, qsizetype more);
    // Back to the file's first byte.
    bool Rewind();

    // The largest buffer kept after Release; a file that reports no size
    // is read up to this many bytes.
    static constexpr qsizetype KeepLimit = qsizetype(64) << 20;

private:
    // Grows to the largest file read and stays: fresh pages would have to be
    // cleared by the system for every file. Never filled with zeros here.
    // Its start is aligned to Alignment.
    char *Room(qsizetype size);
    char *Buffer() const { return Storage.get() + BufferStart; }
    // The system copies a file's bytes three times as fast to a cache-line
    // boundary as to an address just off one (the Shift-JIS bench folder:
    // 0.09 s against 0.31 s in the kernel), so every read lands on one.
    static constexpr qsizetype Alignment = 64;
    std::unique_ptr<char[]> Storage;
    qsizetype BufferStart = 0; // where the aligned buffer begins in Storage
    qsizetype Capacity = 0;
    QByteArrayView View;
    TReadOnlyFile File; // the file being read a piece at a time
    TByteSource *Source = nullptr; // or the stream
};
