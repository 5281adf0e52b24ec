#pragma once
// Searches one file from start to end: reads it, detects or takes its code,
// decodes it and finds its hits, which go to a sink in the order found.
// Each worker of a search owns one, with its own read buffer and adapter.

#include "ArchiveWalker.h"
#include "FileLimits.h"
#include "FileReader.h"
#include "LineSearcher.h"
#include "SourcePrefilter.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <optional>
#include <vector>

class TBRegExp;
class TFileCodeDetector;
class TTextDecoder;

class TFileOutcome
{
public:
    bool HasText = false;      // the file has at least one line
    bool NotRead = false;      // it could not be opened or read
    bool AdapterFailed = false; // the regular-expression library failed; the search must stop
    bool OutOfMemory = false;   // the file did not fit in memory; the search must stop
    TLineSearcher::TSkippedLines Skipped; // the file's lines the regular-expression library gave up on
    // Searching inside archives:
    bool IsArchive = false;     // the file was an archive (or compressed file) and its members were searched
    qsizetype Members = 0;      // how many
    bool NotTarget = false;     // listed only in case it was an archive, and it was none
    // Members (and archives) that could not be read: the name shown, the reason.
    std::vector<std::pair<QString, QString>> SkippedMembers;
};

// How a search goes into archives.
struct TArchiveSearch
{
    TArchiveLimits Limits;
    // Whether a file or member name passes the extension filter.
    std::function<bool(const QString &name)> Wanted;
    // Files are listed whatever their names, so that an archive is found
    // by its content: a file that is no archive must still pass Wanted.
    bool FilesUnfiltered = false;
    // Size and date filters: for members by their own size and time, and,
    // as files are then listed whatever their size and time, for a file
    // that is no archive.
    TFileLimits FileLimits;
};

class TFileSearcher
{
public:
    // adapter is null for the plain modes. With wholeFiles every file is
    // decoded whole and every line searched: no shortcut is taken (the
    // reference the shortcuts are checked against).
    TFileSearcher(const QByteArray &findText, bool noCase, const std::atomic<bool> *stop,
                  TLineSearcher::HitSink sink, TBRegExp *adapter, const TSourcePrefilter &prefilter,
                  bool wholeFiles, unsigned notation = 0);
    // Its line searcher hands hits to this object.
    TFileSearcher(const TFileSearcher &) = delete;
    TFileSearcher &operator=(const TFileSearcher &) = delete;

    TFileOutcome Search(const QString &path, int codeChoice);

    // Archives and compressed files are searched member by member (the
    // settings must outlive the searcher); null: they are searched as the
    // bytes they are.
    void SetArchives(const TArchiveSearch *archives) { Archives = archives; }

    // Files above this size are read, decoded and searched a piece of
    // about Piece bytes at a time, so memory does not grow with them. The
    // pieces are small enough to stay in a core's cache between the read
    // and the search: copying a file into a buffer many megabytes large
    // cost more than all the searching (the Shift-JIS bench tree took
    // 0.48 s with 16 MiB files whole and 4 MiB pieces, 0.30 s with these).
    static constexpr qsizetype DefaultStreamAbove = qsizetype(256) << 10;
    static constexpr qsizetype DefaultPiece = qsizetype(128) << 10;
    // Other sizes (the tests cut small files into tiny pieces).
    void SetPieces(qsizetype streamAbove, qsizetype piece)
    {
        StreamAbove = streamAbove;
        Piece = qMax<qsizetype>(1, piece);
    }

    // Hits a big file may hold back while its code is still open before the
    // search gives up on guessing and detects first.
    static constexpr size_t DefaultHoldLimit = 16384;
    void SetHoldLimit(size_t limit) { HoldLimit = limit; }

private:
    TFileOutcome SearchFile(const QString &path, int codeChoice);
    // The members of an archive; false when the file is none after all.
    bool SearchArchive(const QString &path, int codeChoice, TFileOutcome &outcome);
    // A stream (a member) read a piece at a time, shown under name.
    TFileOutcome SearchStream(const QString &name, int codeChoice);
    // The file read whole.
    TFileOutcome SearchContent(const QString &path, int codeChoice);
    // The file a piece at a time, each piece cut after a line end. A file
    // whose code is to be detected is searched in one pass with the code
    // its first piece points to, while the detection goes on over the
    // pieces read for the search; its hits are held back until the code is
    // settled. Only if the detection turns to a code searched differently
    // (or too many hits pile up) is the file detected to its end first and
    // searched again from the start.
    TFileOutcome SearchStreamedFile(const QString &path, int codeChoice);
    // A file read as UTF-7 a piece at a time.
    TFileOutcome SearchStreamedUtf7(const QString &path);
    // Feeds the detector the rest of the file from where the reader stands,
    // as far as the answer needs, and rewinds.
    qint32 FinishDetection(TFileCodeDetector &detector);
    // guess: the detector that is still open (null when the code is known),
    // which has seen the file's first guessed bytes; redo is set when the search must be done again with another code;
    // settled is set to the code when the search had to detect it to the
    // file's end.
    TFileOutcome SearchStreamed(const QString &path, qint32 codeId, TFileCodeDetector *guess, qint64 guessed,
                                bool &redo, std::optional<qint32> &settled);
    // Hits from the line searcher: handed on, or held back while the code
    // is a guess.
    void Deliver(TGrepResult &&record);
    void ReleaseHeld();
    // Converts and searches only the lines of a UTF-8 or EUC-JP text whose
    // own bytes hold the needle; false when the adapter failed.
    // rawOffset: where raw begins in the file.
    bool SearchRawCandidates(const TTextDecoder &decoder, QByteArrayView raw, qint64 rawOffset, qint32 codeId,
                             const TSourcePrefilter::TRawNeedle &needle);
    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }

    const std::atomic<bool> *Stop;
    TLineSearcher::HitSink Sink;
    bool Holding = false;
    bool HeldTooMany = false;
    std::vector<TGrepResult> Held;
    size_t HoldLimit = DefaultHoldLimit;
    TLineSearcher Searcher;
    TFileReader Reader;
    TBRegExp *Adapter;
    const TSourcePrefilter &Prefilter;
    bool WholeFiles;
    const TArchiveSearch *Archives = nullptr;
    qsizetype StreamAbove = DefaultStreamAbove;
    qsizetype Piece = DefaultPiece;
};
