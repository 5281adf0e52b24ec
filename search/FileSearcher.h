#pragma once
// Searches one file from start to end: reads it, detects or takes its code,
// decodes it and finds its hits, which go to a sink in the order found.
// Each worker of a search owns one, with its own read buffer and adapter.

#include "FileReader.h"
#include "LineSearcher.h"
#include "SourcePrefilter.h"

#include <QByteArray>
#include <QString>
#include <atomic>

class TBRegExp;
class TTextDecoder;

class TFileOutcome
{
public:
    bool HasText = false;      // the file has at least one line
    bool NotRead = false;      // it could not be opened or read
    bool AdapterFailed = false; // the regular-expression library failed; the search must stop
    bool OutOfMemory = false;   // the file did not fit in memory; the search must stop
};

class TFileSearcher
{
public:
    // adapter is null for the plain modes. With wholeFiles every file is
    // decoded whole and every line searched: no shortcut is taken (the
    // reference the shortcuts are checked against).
    TFileSearcher(const QByteArray &findText, bool noCase, const std::atomic<bool> *stop,
                  TLineSearcher::HitSink sink, TBRegExp *adapter, const TSourcePrefilter &prefilter,
                  bool wholeFiles);

    TFileOutcome Search(const QString &path, int codeChoice);
    // The lines of every file so far that the regular-expression library
    // gave up on.
    const TLineSearcher::TSkippedLines &Skipped() const { return Searcher.Skipped(); }

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

private:
    // The file read whole.
    TFileOutcome SearchContent(const QString &path, int codeChoice);
    // The file a piece at a time: first its code, detected on as many
    // pieces as it takes, then the pieces, each cut after a line end.
    qint32 StreamedCode(int codeChoice);
    TFileOutcome SearchStreamed(const QString &path, qint32 codeId);
    // Converts and searches only the lines of a UTF-8 or EUC-JP text whose
    // own bytes hold the needle; false when the adapter failed.
    // rawOffset: where raw begins in the file.
    bool SearchRawCandidates(const TTextDecoder &decoder, QByteArrayView raw, qint64 rawOffset, qint32 codeId,
                             const TSourcePrefilter::TRawNeedle &needle);
    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }

    const std::atomic<bool> *Stop;
    TLineSearcher Searcher;
    TFileReader Reader;
    TBRegExp *Adapter;
    const TSourcePrefilter &Prefilter;
    bool WholeFiles;
    qsizetype StreamAbove = DefaultStreamAbove;
    qsizetype Piece = DefaultPiece;
};
