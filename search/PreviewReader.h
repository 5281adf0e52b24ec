#pragma once
// The working-text lines of one file around a hit, read without loading the
// file: it is scanned from its start (or from a line start remembered from
// an earlier read of the same file) in pieces of bounded size, counting line
// ends, and only the lines asked for are kept and decoded with the code the
// hit recorded. Line ends are those of TLineCursor, found in the file's own
// bytes (in two-byte units for UTF-16); the text ends before the file's
// first zero character, as it does for the search.

#include "TextDecoder.h"

class TReadOnlyFile;

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <atomic>
#include <vector>

class TPreviewReader
{
public:
    // Far: the lines lie far from every line start known, and the read was
    // asked to go no further (TKnownLine::Only).
    enum class TState { Read, Missing, Unreadable, Stopped, Far };
    struct TLine
    {
        qint64 Index = 0;  // 0-based
        QByteArray Text;   // working text without its line end
        bool Cut = false;  // the line was longer than LineLimit file bytes
    };
    struct TResult
    {
        TState State = TState::Missing;
        std::vector<TLine> Lines; // first..last, clipped to the file's text
        qint64 FileSize = 0;
        QDateTime Modified;
    };

    // Lines first..last (0-based, both included) of the file as the code id
    // decodes it. A line start the search saw (a hit's Line and LineOffset)
    // lets the reader begin near it instead of at the file's start.
    struct TKnownLine
    {
        qint64 Line = -1;
        qint64 Offset = -1;
        bool Only = false; // read nothing (State Far) rather than scan from a far line start
    };
    TResult Read(const QString &path, qint32 codeId, qint64 first, qint64 last, TKnownLine known);
    TResult Read(const QString &path, qint32 codeId, qint64 first, qint64 last)
    {
        return Read(path, codeId, first, last, TKnownLine());
    }

    // What the last Read took from the file, and the most file bytes it held
    // at once.
    qint64 BytesRead() const { return LastBytesRead; }

    // A flag that, once set, ends a read early with a result of no lines
    // (State Stopped); nullptr reads to the end.
    void SetStop(const std::atomic<bool> *stop) { Stop = stop; }
    qint64 BytesHeld() const { return LastBytesHeld; }

    // Bytes read from the file at a time.
    static constexpr qsizetype PieceSize = qsizetype(256) << 10;
    // File bytes kept of one line; the rest of a longer line is passed over.
    static constexpr qsizetype LineLimit = qsizetype(1) << 20;

private:
    // A line start met on an earlier read: its index, its offset in the
    // file, and the ISO-2022-JP shift state there.
    struct TMark
    {
        qint64 Line = 0;
        qint64 Offset = 0;
        TTextDecoder::TIso2022State State;
    };
    void Forget(const QString &path, qint32 codeId, qint64 size, const QDateTime &modified);
    const TMark &MarkBefore(qint64 line) const;
    void AddMark(const TMark &mark);
    // Marks the start of line first, found by walking back from a known line
    // start of a code without shift states; nothing when the bytes there do
    // not bear the known start out.
    // unitSize 2: UTF-16, in the byte order bigEndian says. iso: the shift
    // state at the line is worked out from the last designation before it.
    void MarkFromKnownLine(TReadOnlyFile &file, const TKnownLine &known, qint64 first, bool euc, int unitSize,
                           bool bigEndian, bool iso);

    // The file the marks belong to, as it was when they were taken.
    QString MarkPath;
    qint32 MarkCode = 0;
    qint64 MarkSize = -1;
    QDateTime MarkModified;
    std::vector<TMark> Marks; // ascending; the first is the text's start

    qint64 LastBytesRead = 0;
    qint64 LastBytesHeld = 0;
    const std::atomic<bool> *Stop = nullptr;
    bool Stopped() const { return Stop && Stop->load(std::memory_order_relaxed); }
};
