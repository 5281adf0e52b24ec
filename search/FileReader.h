#pragma once
// Reads one whole file for searching. Small and medium files are read into
// a buffer that is kept from file to file; large ones are mapped, so no file
// is ever copied twice and a huge file does not need its size in memory.

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
    bool Streaming() const { return Fd >= 0; }
    QByteArrayView Fill(QByteArrayView keep, qsizetype more);
    // Back to the file's first byte.
    bool Rewind();

    // Files above this size are mapped instead of read.
    static constexpr qsizetype MapThreshold = qsizetype(64) << 20;

private:
    // Grows to the largest file read and stays: fresh pages would have to be
    // cleared by the system for every file. Never filled with zeros here.
    char *Room(qsizetype size);
    std::unique_ptr<char[]> Buffer;
    qsizetype Capacity = 0;
    void *Mapped = nullptr;
    size_t MappedSize = 0;
    QByteArrayView View;
    int Fd = -1; // the file being read a piece at a time
};
