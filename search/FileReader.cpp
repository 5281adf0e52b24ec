#include "FileReader.h"

#include <cstring>

TFileReader::~TFileReader()
{
    Release();
}

void TFileReader::Release()
{
    File.Close();
    Source = nullptr;
    View = {};
    // A buffer grown for one huge file read whole is not kept for the
    // small files that follow.
    if (Capacity > KeepLimit) {
        Storage.reset();
        BufferStart = 0;
        Capacity = 0;
    }
}

char *TFileReader::Room(qsizetype size)
{
    if (size > Capacity) {
        // Keeps what was read so far (the growing read of sizeless files).
        const qsizetype grown = qMax(size, Capacity + Capacity / 2);
        std::unique_ptr<char[]> larger(new char[size_t(grown + Alignment)]);
        const auto address = reinterpret_cast<quintptr>(larger.get());
        const qsizetype start = qsizetype((Alignment - address % Alignment) % Alignment);
        if (Capacity > 0)
            memcpy(larger.get() + start, Buffer(), size_t(Capacity));
        Storage = std::move(larger);
        BufferStart = start;
        Capacity = grown;
    }
    return Buffer();
}

bool TFileReader::Read(const QString &path)
{
    return Read(path, -1);
}

bool TFileReader::Rewind()
{
    return Source ? Source->Rewind() : File.Rewind();
}

void TFileReader::Open(TByteSource &source)
{
    Release();
    Source = &source;
}

QByteArrayView TFileReader::Fill(QByteArrayView keep, qsizetype more)
{
    if (!File.IsOpen() && !Source)
        return {};
    const qsizetype kept = keep.size();
    // keep lies inside the buffer; Room keeps its bytes where they are
    // when it has to grow it. It goes just before an aligned address, where
    // the new bytes are read to.
    const qsizetype from = kept ? keep.data() - Buffer() : 0;
    const qsizetype lead = (Alignment - kept % Alignment) % Alignment;
    char *buffer = Room(lead + kept + more);
    if (kept && from != lead)
        memmove(buffer + lead, buffer + from, size_t(kept));
    char *fresh = buffer + lead + kept;
    qsizetype done = 0;
    while (done < more) {
        const qint64 r = Source ? Source->Read(fresh + done, more - done) : File.Read(fresh + done, more - done);
        if (r <= 0)
            break; // the end, or a read error: what came so far counts
        done += r;
    }
    View = QByteArrayView(buffer + lead, kept + done);
    return View;
}

bool TFileReader::Read(const QString &path, qsizetype streamAbove)
{
    Release();
    if (!File.Open(path))
        return false;
    const qsizetype size = qsizetype(File.Size());
    if (streamAbove >= 0 && size > streamAbove) {
        File.ExpectSequentialReads();
        return true;
    }
    // Read what is there; a file that grows or shrinks meanwhile gives what
    // was read.
    char *buffer = Room(size + 1);
    qsizetype done = qsizetype(File.ReadFully(buffer, size));
    if (done < 0) {
        File.Close();
        return false;
    }
    if (size == 0) {
        // Files that report no size may still have content (those under
        // /proc and /sys): read them to their end.
        constexpr qsizetype Step = 64 * 1024;
        while (done < KeepLimit) {
            buffer = Room(done + Step);
            const qint64 r = File.Read(buffer + done, Step);
            if (r <= 0)
                break;
            done += r;
        }
    }
    File.Close();
    View = QByteArrayView(buffer, done);
    return true;
}
