#pragma once
// Reads the members of an archive (LZH, ZIP, 7z, tar, cpio, ISO 9660 and
// the other formats libarchive knows) or a single compressed file (gzip,
// bzip2, xz, zstd, lzip), one after the other, through libarchive. A
// member is handed over as a stream that is unpacked as it is read:
// nothing goes to disk and no member is held whole. An archive inside an
// archive is read from its parent's stream, down to MaxDepth levels.
//
// A member that is damaged, encrypted or would unpack to more than the
// limits allow is skipped and reported with the reason; so is an archive
// that ends before its members do.

#include "ByteSource.h"
#include "FileLimits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

struct archive;

struct TArchiveLimits
{
    // The most one member may unpack to.
    qint64 MaxMemberBytes = qint64(4) << 30;
    // The most one member may unpack to per byte of packed data read for
    // it (past the first MiB, which any member may fill).
    qint64 MaxRatio = 1000;
};

class TArchiveWalker
{
public:
    // Archives inside archives are opened down to this many levels (the
    // archive named in the file tree is the first).
    static constexpr int MaxDepth = 4;

    // Whether the first bytes of a file (or member) are those of an
    // archive or compressed stream: only then is libarchive asked. Text
    // never starts with these signatures; what libarchive then does not
    // recognise is text after all.
    static bool LooksLikeArchive(QByteArrayView head);
    // The bytes of a file's start that LooksLikeArchive needs at most.
    static constexpr qsizetype HeadSize = 32774;

    TArchiveWalker(const TArchiveLimits &limits, const std::atomic<bool> *stop);
    ~TArchiveWalker();
    TArchiveWalker(const TArchiveWalker &) = delete;
    TArchiveWalker &operator=(const TArchiveWalker &) = delete;

    // Told of each member that is to be searched: its name as shown
    // (nested levels as "b.lzh{c.txt}") and its data. The data can be read
    // and rewound only during the call.
    using MemberVisitor = std::function<void(const QString &member, TByteSource &data)>;
    // Whether a member (that is not an archive itself) is wanted, by its
    // name (the last part of its path).
    using MemberFilter = std::function<bool(const QString &name)>;
    // The size and date bounds a member (that is not an archive itself)
    // must keep, by what its entry records; what it does not record passes.
    void SetMemberLimits(const TFileLimits &limits) { Within = limits; }
    // Told of each member, or of the archive itself (member empty), that
    // could not be read, with the reason.
    using SkipReporter = std::function<void(const QString &member, const QString &reason)>;

    // Walks the archive at path. False when libarchive does not recognise
    // it as an archive or compressed stream: nothing was visited, and the
    // file is to be searched as text.
    bool Walk(const QString &path, const MemberFilter &wanted, const MemberVisitor &visit,
              const SkipReporter &skipped);

    class TLevel;

private:
    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }
    // Walks one opened level. A member's name is shown as opened + "{" +
    // name + "}" + closers (just its name at the top level), so that
    // nested levels show as "a.zip{b.lzh{c.txt}}".
    void WalkLevel(TLevel &level, const QString &opened, const QString &closers, int depth);
    // Opens the level over its input; false when it is no archive.
    bool OpenLevel(TLevel &level);
    // Back to the first byte of the level's input.
    bool RewindInput(TLevel &level);
    // Moves every level from depth on to the same member again (Rewind).
    bool Reopen(size_t depth);

    TArchiveLimits Limits;
    const std::atomic<bool> *Stop;
    MemberFilter Wanted;
    TFileLimits Within;
    MemberVisitor Visit;
    SkipReporter Skipped;
    QString Path;
    std::vector<std::unique_ptr<TLevel>> Levels; // the open chain, outermost first
};
