#include "ArchiveWalker.h"

#include "NativePath.h"
#include "ReadOnlyFile.h"

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <cstring>
#include <locale.h>

namespace {

bool StartsWith(QByteArrayView head, qsizetype at, QByteArrayView magic)
{
    return head.size() >= at + magic.size() && head.sliced(at, magic.size()) == magic;
}

// libarchive turns member names into the thread's locale; a UTF-8 locale
// keeps every name it knows the code of, and raw bytes (the usual ZIP and
// LZH names) pass as they are. Set for the calls of one walk.
class TUtf8Locale
{
public:
    TUtf8Locale()
    {
        static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (utf8)
            Previous = uselocale(utf8);
    }
    ~TUtf8Locale()
    {
        if (Previous)
            uselocale(Previous);
    }

private:
    locale_t Previous = nullptr;
};

QString ErrorText(archive *a, const char *fallback)
{
    const char *text = archive_error_string(a);
    return QString::fromUtf8(text && *text ? text : fallback);
}

// The name of a single compressed file's content: its own name without
// the compression suffix.
QString RawMemberName(const QString &fileName)
{
    static const char *const suffixes[] = {".gz", ".bz2", ".xz", ".zst", ".lz", ".lzma", ".Z", ".z", ".lz4"};
    for (const char *suffix : suffixes) {
        const QLatin1StringView s(suffix);
        if (fileName.size() > s.size() && fileName.endsWith(s, Qt::CaseInsensitive))
            return fileName.chopped(s.size());
    }
    return fileName;
}

QString LastPart(const QString &path)
{
    QString name = path;
    while (name.endsWith(u'/'))
        name.chop(1);
    return name.mid(name.lastIndexOf(u'/') + 1);
}

constexpr qint64 FreeBytes = qint64(1) << 20; // any member may unpack this much whatever its ratio

} // namespace

bool TArchiveWalker::LooksLikeArchive(QByteArrayView h)
{
    if (h.size() < 4)
        return false;
    const auto b = [&](qsizetype i) { return static_cast<unsigned char>(h[i]); };
    return StartsWith(h, 0, "PK\x03\x04") || StartsWith(h, 0, "PK\x05\x06") || StartsWith(h, 0, "PK\x07\x08")
           || (h.size() >= 7 && b(2) == '-' && b(3) == 'l' && (b(4) == 'h' || b(4) == 'z') && b(6) == '-') // LZH
           || StartsWith(h, 0, "7z\xBC\xAF\x27\x1C")
           || (b(0) == 0x1F && (b(1) == 0x8B || b(1) == 0x9D || b(1) == 0xA0))   // gzip, compress, lzh (SCO)
           || StartsWith(h, 0, "BZh") || StartsWith(h, 0, "\xFD" "7zXZ") || StartsWith(h, 0, "\x28\xB5\x2F\xFD")
           || StartsWith(h, 0, "LZIP") || StartsWith(h, 0, "\x04\x22\x4D\x18") // lz4
           || StartsWith(h, 0, "\x5D\x00\x00")                                   // lzma alone
           || StartsWith(h, 257, "ustar")                                        // tar
           || StartsWith(h, 0, "070707") || StartsWith(h, 0, "070701") || StartsWith(h, 0, "070702") // cpio
           || (b(0) == 0xC7 && b(1) == 0x71) || (b(0) == 0x71 && b(1) == 0xC7)
           || StartsWith(h, 0, "Rar!\x1A\x07") || StartsWith(h, 0, "MSCF") || StartsWith(h, 0, "!<arch>\n")
           || StartsWith(h, 0, "xar!") || StartsWith(h, 32769, "CD001");
}

// One archive of the chain: its input (the file, or the current member of
// the level above), its libarchive reader and its current member.
class TArchiveWalker::TLevel : public TByteSource
{
public:
    TArchiveWalker &Walker;
    size_t Depth;               // 0: the file itself
    TLevel *Parent;             // whose current member is this level's input
    TReadOnlyFile File;         // the input of level 0
    qint64 FilePosition = 0;    // where the next read of File begins
    QString BaseName;           // the name of the file or member this archive is
    archive *A = nullptr;
    std::vector<char> Input = std::vector<char>(64 * 1024);
    bool Raw = false;           // a single compressed stream, not an archive
    qint64 MemberIndex = -1;    // of the current member among the archive's entries
    // The current member's data.
    QByteArray Peeked;          // its first bytes, read to see whether it is an archive
    qsizetype PeekAt = 0;
    qint64 Produced = 0;        // bytes of it unpacked
    qint64 PackedAtStart = 0;   // the archive's input read when it began
    qint64 Declared = -1;       // the size its entry gives, -1 none
    QString Failure;            // why its data ended early
    bool Ended = false;

    TLevel(TArchiveWalker &walker, size_t depth, TLevel *parent) : Walker(walker), Depth(depth), Parent(parent) {}
    ~TLevel() override { Close(); }

    void Close()
    {
        if (A)
            archive_read_free(A);
        A = nullptr;
    }

    // The member data begins again (after the header was read).
    void BeginMember(archive_entry *entry)
    {
        Peeked.clear();
        PeekAt = 0;
        Produced = 0;
        PackedAtStart = archive_filter_bytes(A, -1);
        Declared = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        Failure.clear();
        Ended = false;
    }

    // Reads the first bytes of the member into Peeked; they are handed
    // out again by Read.
    void Peek()
    {
        Peeked.resize(HeadSize);
        qsizetype got = 0;
        while (got < HeadSize) {
            const qint64 r = Unpack(Peeked.data() + got, HeadSize - got);
            if (r <= 0)
                break;
            got += r;
        }
        Peeked.resize(got);
        PeekAt = 0;
    }

    qint64 Read(char *to, qint64 size) override
    {
        if (PeekAt < Peeked.size()) {
            const qint64 n = qMin<qint64>(size, Peeked.size() - PeekAt);
            memcpy(to, Peeked.constData() + PeekAt, size_t(n));
            PeekAt += n;
            return n;
        }
        const qint64 n = Unpack(to, size);
        // The member's first bytes are kept: the search reads its first
        // piece, then starts again from the first byte.
        if (n > 0 && Produced == Peeked.size() + n && Produced <= ReplayLimit) {
            Peeked.append(to, n);
            PeekAt = Peeked.size();
        }
        return n;
    }

    bool Rewind() override
    {
        if (Produced == Peeked.size()) {
            PeekAt = 0; // all that was read is at hand
            Ended = !Failure.isEmpty();
            return true;
        }
        // Read further than is kept: the archive is read again up to here.
        return Walker.Reopen(Depth);
    }

    // The first bytes of a member kept for a rewind.
    static constexpr qsizetype ReplayLimit = qsizetype(1) << 20;

private:
    qint64 Unpack(char *to, qint64 size)
    {
        if (Ended || Walker.StopRequested())
            return 0;
        const la_ssize_t r = archive_read_data(A, to, size_t(size));
        if (r < 0) {
            Failure = ErrorText(A, "damaged data");
            Ended = true;
            return 0;
        }
        if (r == 0) {
            Ended = true;
            return 0;
        }
        Produced += r;
        const qint64 packed = archive_filter_bytes(A, -1) - PackedAtStart;
        if (Declared >= 0 && Produced > Declared && !Raw) {
            Failure = QStringLiteral("unpacks to more than the %1 bytes it claims").arg(Declared);
        } else if (Produced > Walker.Limits.MaxMemberBytes) {
            Failure = QStringLiteral("unpacks to more than %1 bytes").arg(Walker.Limits.MaxMemberBytes);
        } else if (Produced > FreeBytes && Produced > Walker.Limits.MaxRatio * qMax<qint64>(packed, 1)) {
            Failure = QStringLiteral("unpacks to more than %1 times its packed size").arg(Walker.Limits.MaxRatio);
        }
        if (!Failure.isEmpty()) {
            Ended = true;
            return 0;
        }
        return r;
    }
};

namespace {

la_ssize_t ReadInput(archive *a, void *client, const void **buffer)
{
    auto *level = static_cast<TArchiveWalker::TLevel *>(client);
    const qint64 n = level->Parent ? level->Parent->Read(level->Input.data(), qint64(level->Input.size()))
                                   : level->File.Read(level->Input.data(), qint64(level->Input.size()));
    if (n < 0) {
        archive_set_error(a, EIO, "%s", level->File.Failure().toUtf8().constData());
        return -1;
    }
    level->FilePosition += n;
    *buffer = level->Input.data();
    return la_ssize_t(n);
}

la_int64_t SeekInput(archive *, void *client, la_int64_t offset, int whence)
{
    // Only a file seeks (a member's stream is read straight through).
    auto *level = static_cast<TArchiveWalker::TLevel *>(client);
    const qint64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? level->FilePosition : level->File.Size();
    const qint64 at = base + offset;
    if (at < 0 || !level->File.Seek(at))
        return ARCHIVE_FATAL;
    level->FilePosition = at;
    return at;
}

// A reader over the level's input: every archive format, or (raw) one
// compressed stream; every compression either way.
bool OpenReader(TArchiveWalker::TLevel &level, bool raw)
{
    level.A = archive_read_new();
    archive_read_support_filter_all(level.A);
    if (raw)
        archive_read_support_format_raw(level.A);
    else {
        archive_read_support_format_all(level.A);
        // LZH names are Shift-JIS in practice; left to itself the reader
        // gives up on a name it cannot turn into the locale.
        archive_read_set_format_option(level.A, "lha", "hdrcharset", "CP932");
    }
    archive_read_set_callback_data(level.A, &level);
    archive_read_set_read_callback(level.A, ReadInput);
    if (!level.Parent)
        archive_read_set_seek_callback(level.A, SeekInput);
    return archive_read_open1(level.A) == ARCHIVE_OK;
}

} // namespace

TArchiveWalker::TArchiveWalker(const TArchiveLimits &limits, const std::atomic<bool> *stop)
    : Limits(limits), Stop(stop)
{
}

TArchiveWalker::~TArchiveWalker() = default;

bool TArchiveWalker::RewindInput(TLevel &level)
{
    if (!level.Parent) {
        level.FilePosition = 0;
        return level.File.Rewind();
    }
    TLevel &parent = *level.Parent;
    if (parent.Produced <= parent.Peeked.size()) {
        parent.PeekAt = 0; // what was read of it is all still there
        return true;
    }
    return parent.Rewind();
}

bool TArchiveWalker::OpenLevel(TLevel &level)
{
    // First as an archive; what is no archive but is compressed is one
    // stream whose content is the only member.
    for (const bool raw : {false, true}) {
        level.Close();
        if (raw && !RewindInput(level))
            return false;
        if (!OpenReader(level, raw))
            continue;
        if (raw && archive_filter_count(level.A) <= 1)
            return false; // not even compressed
        level.Raw = raw;
        level.MemberIndex = -1;
        return true;
    }
    return false;
}

bool TArchiveWalker::Walk(const QString &path, const MemberFilter &wanted, const MemberVisitor &visit,
                          const SkipReporter &skipped)
{
    const TUtf8Locale locale;
    Wanted = wanted;
    Visit = visit;
    Skipped = skipped;
    Path = path;
    Levels.clear();
    Levels.push_back(std::make_unique<TLevel>(*this, 0, nullptr));
    TLevel &top = *Levels.front();
    if (!top.File.Open(path))
        return false;
    top.BaseName = LastPart(path);
    if (!OpenLevel(top)) {
        Levels.clear();
        return false;
    }
    WalkLevel(top, QString(), QString(), 1);
    Levels.clear();
    return true;
}

void TArchiveWalker::WalkLevel(TLevel &level, const QString &opened, const QString &closers, int depth)
{
    bool first = true;
    while (!StopRequested()) {
        archive_entry *entry = nullptr;
        const int status = archive_read_next_header(level.A, &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN) {
            // A raw stream that turns out empty or damaged at its first header,
            // or an archive that breaks off: named with the reason.
            Skipped(opened.isEmpty() ? QString() : opened + closers, ErrorText(level.A, "damaged archive"));
            break;
        }
        ++level.MemberIndex;
        if (archive_entry_filetype(entry) != AE_IFREG)
            continue;
        QString name;
        if (level.Raw) {
            if (!first)
                break;
            name = RawMemberName(level.BaseName);
        } else {
            const char *raw = archive_entry_pathname(entry);
            name = TNativePath::Decode(raw ? QByteArrayView(raw, qsizetype(strlen(raw))) : QByteArrayView());
        }
        first = false;
        const QString shown = opened.isEmpty() ? name : opened + u'{' + name + u'}' + closers;
        if (archive_entry_is_data_encrypted(entry)) {
            Skipped(shown, QStringLiteral("encrypted"));
            continue;
        }
        const std::optional<qint64> memberSize =
            archive_entry_size_is_set(entry) ? std::optional<qint64>(archive_entry_size(entry)) : std::nullopt;
        const std::optional<qint64> memberTime =
            archive_entry_mtime_is_set(entry) ? std::optional<qint64>(archive_entry_mtime(entry)) : std::nullopt;
        level.BeginMember(entry);
        level.Peek();
        if (!level.Failure.isEmpty()) {
            Skipped(shown, level.Failure);
            continue;
        }
        if (LooksLikeArchive(level.Peeked)) {
            if (depth >= MaxDepth) {
                Skipped(shown, QStringLiteral("archive nested more than %1 levels deep").arg(MaxDepth));
                continue;
            }
            auto child = std::make_unique<TLevel>(*this, level.Depth + 1, &level);
            TLevel &inner = *child;
            inner.BaseName = LastPart(name);
            Levels.push_back(std::move(child));
            if (OpenLevel(inner)) {
                WalkLevel(inner, opened.isEmpty() ? name : opened + u'{' + name,
                          opened.isEmpty() ? QString() : closers + u'}', depth + 1);
                Levels.pop_back();
                if (!level.Failure.isEmpty())
                    Skipped(shown, level.Failure);
                continue;
            }
            Levels.pop_back();
            // Not an archive after all: searched as text from its start.
            if (level.Produced > level.Peeked.size() ? !level.Rewind() : (level.PeekAt = 0, false)) {
                Skipped(shown, QStringLiteral("cannot be read again"));
                break; // the chain is lost
            }
        }
        if (!Wanted(LastPart(name)) || !Within.PassesKnown(memberSize, memberTime))
            continue;
        Visit(shown, level);
        if (!level.Failure.isEmpty())
            Skipped(shown, level.Failure);
    }
}

bool TArchiveWalker::Reopen(size_t depth)
{
    if (depth >= Levels.size())
        return false;
    // Each level from the file down is opened again and taken to the
    // member it stood on; the deepest one's data starts afresh.
    for (size_t d = 0; d <= depth; ++d) {
        TLevel &level = *Levels[d];
        const qint64 index = level.MemberIndex;
        level.Close();
        if (d == 0) {
            level.FilePosition = 0;
            if (!level.File.Rewind())
                return false;
        }
        if (!OpenReader(level, level.Raw))
            return false;
        archive_entry *entry = nullptr;
        for (qint64 i = 0; i <= index; ++i)
            if (archive_read_next_header(level.A, &entry) < ARCHIVE_WARN)
                return false;
        level.MemberIndex = index;
        level.BeginMember(entry);
    }
    return true;
}
