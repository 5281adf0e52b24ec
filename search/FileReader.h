#pragma once
// Reads one whole file for searching. Small and medium files are read into
// a buffer that is kept from file to file; large ones are mapped, so no file
// is ever copied twice and a huge file does not need its size in memory.

#include <QByteArrayView>
#include <QString>
#include <vector>

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

    // Files above this size are mapped instead of read.
    static constexpr qsizetype MapThreshold = qsizetype(64) << 20;

private:
    std::vector<char> Buffer;
    void *Mapped = nullptr;
    size_t MappedSize = 0;
    QByteArrayView View;
};
