#pragma once
// Finds every hit of the search text in working text and turns each one
// into a hit record. Plain and ignore-case modes, and notation folding.

#include "GrepResult.h"
#include "NotationFold.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

class TBRegExp;

class TLineSearcher
{
public:
    using HitSink = std::function<void(TGrepResult &&)>;

    // The context kept before a hit, and after it, in bytes.
    static constexpr qsizetype BeforeLimit = 59;
    static constexpr qsizetype AfterLimit = 60;

    // notation: TNotationFold::Width and Kana, the notations that do not
    // tell hits apart (0: text is matched as written). Under notation
    // folding a line is matched in its folded form, and a hit reports the
    // stretch of the line as written that folds to the match.
    TLineSearcher(QByteArray findText, bool noCase, const std::atomic<bool> *stop, HitSink sink,
                  unsigned notation = 0);

    // The file whose lines are searched next: its path and code id go into
    // every record.
    void SetFile(const QString &path, qint32 codeId);
    // The records name a member of an archive: the archive's path is the
    // first archiveEnd characters of the name (0: a file of its own).
    void SetArchiveEnd(qint32 archiveEnd) { ArchiveEnd = archiveEnd; }
    // The number of the file's lines before the text searched next (a huge
    // file is searched a piece at a time); SetFile sets it to 0.
    void SetLineBase(qint64 base) { LineBase = base; }
    // The text searched next is the file's own bytes from fileOffset on:
    // every hit in a line of it records where its line begins in the file.
    // SetFile forgets it.
    void SetTextOrigin(QByteArrayView text, qint64 fileOffset)
    {
        Origin = text;
        OriginOffset = fileOffset;
    }
    // The next lines searched one by one (converted from the file's bytes)
    // begin at this file offset; -1: not known.
    void SetLineOffset(qint64 offset) { LineOffset = offset; }
    // For converted text whose lines are the file's lines one for one: the
    // file offset of line index (as the search numbers the text's lines).
    // An empty function: not known. SetFile forgets it.
    using LineResolver = std::function<qint64(qint64 index)>;
    void SetLineResolver(LineResolver resolver) { Resolver = std::move(resolver); }

    // All hits of one line (no line-end characters in it).
    void SearchLine(QByteArrayView line, qint64 lineIndex);

    // All regular-expression matches of one line. Returns false when the
    // adapter reported a failure; the search must then stop. A line the
    // library gave up on as too costly is counted in Skipped() and the
    // search goes on.
    bool SearchRegExpLine(QByteArrayView line, qint64 lineIndex, TBRegExp &adapter);

    // Every line of a text through SearchRegExpLine; false on a failure.
    bool SearchRegExpText(QByteArrayView text, TBRegExp &adapter);

    // All hits of a whole text, split into lines as the decoder splits
    // them: the same records as SearchLine on every line, found faster by
    // looking only at the lines that hold a candidate.
    void SearchText(QByteArrayView text);

    // Publishes a hit of the given length at the 0-based offset of a line.
    // knownBoundary is a character start at or before offset - 59 (0 is
    // always right; a larger one saves walking on long lines).
    void PublishHit(QByteArrayView line, qint64 lineIndex, qsizetype offset, qsizetype length,
                    qsizetype &knownBoundary);

    // Lines the regular-expression library gave up on: how many, the first
    // one, and the library's reason for it.
    struct TSkippedLines
    {
        qint64 Count = 0;
        QString FirstFile;
        qint64 FirstLine = 0; // 0-based
        QString Reason;
        // Those of a later file added: the first stays the first.
        void Add(const TSkippedLines &later)
        {
            if (later.Count == 0)
                return;
            if (Count == 0) {
                FirstFile = later.FirstFile;
                FirstLine = later.FirstLine;
                Reason = later.Reason;
            }
            Count += later.Count;
        }
    };
    const TSkippedLines &Skipped() const { return SkippedLines; }
    // Back to an earlier count, when lines searched since are searched again.
    void RestoreSkipped(const TSkippedLines &skipped) { SkippedLines = skipped; }

    // Sets the text every regular-expression match must hold (empty: none,
    // every line goes to the library) instead of working it out.
    void SetRequiredText(const QByteArray &text)
    {
        RequiredText = text;
        RequiredTextKnown = true;
    }

    // Visits, in order and once each, every line of text whose part of
    // haystack (the text itself, or a copy of the same length with letters
    // folded) holds needle. Ends early when visit returns false (and then
    // returns false) or when a stop is requested.
    using LineVisitor = std::function<bool(QByteArrayView line, QByteArrayView haystackLine, qint64 index)>;
    static bool ForEachLineHolding(QByteArrayView text, QByteArrayView haystack, QByteArrayView needle,
                                   const std::atomic<bool> *stop, const LineVisitor &visit);
    // The same for lines holding any of several needles (the text is its
    // own haystack).
    static bool ForEachLineHoldingAny(QByteArrayView text, const std::vector<QByteArray> &needles,
                                      const std::atomic<bool> *stop, const LineVisitor &visit);

    // What every line holding a hit holds in its own bytes under notation
    // folding: the longest stretch of the search text (of the text every
    // match of a regular expression holds) that is written one way only.
    // Empty when there is none. Without folding: findText itself.
    static QByteArray ExactStretch(const QByteArray &findText, bool noCase, bool useRegExp, unsigned notation);

private:
    // Visits, in order and once each, every line whose haystack form holds
    // needle; the haystack is the text, lower-cased when lowerCase. Ends
    // early when visit returns false (and then returns false).
    bool ForEachCandidateLine(QByteArrayView text, QByteArrayView needle, bool lowerCase,
                              const LineVisitor &visit);

    bool StopRequested() const { return Stop && Stop->load(std::memory_order_relaxed); }
    void SearchPlainLine(QByteArrayView line, QByteArrayView haystack, qint64 lineIndex);
    void SearchFoldedLine(QByteArrayView line, qint64 lineIndex);
    // Regular-expression matches in target (the line itself, or its folded
    // form with FoldMap leading back to the line's offsets).
    bool MatchRegExpLine(QByteArrayView line, QByteArrayView target, const QByteArray &pattern, bool folded,
                         qint64 lineIndex, TBRegExp &adapter);
    // The line offset a folded offset (at most one past the appended blank) comes from.
    qsizetype SourceOffset(QByteArrayView line, qsizetype foldedOffset) const;

    QByteArray FindText;
    QByteArray Pattern;     // FindText, lower-cased when NoCase
    bool NoCase;
    bool PatternCrossesLines; // holds CR or LF, so no line can hold it
    QByteArray FoldedPattern; // FindText folded by PlainFold
    QByteArray FoldedRegExp;  // FindText as a pattern for text folded by RegExpFold
    std::vector<QByteArray> FoldNeedles; // one of them is in every line that holds a hit
    QByteArray FoldedLine;    // buffers kept from line to line
    std::vector<qsizetype> FoldMap;
    const std::atomic<bool> *Stop;
    HitSink Sink;
    TNotationFold PlainFold;  // the notations folded, letter case too under NoCase
    TNotationFold RegExpFold; // the notations folded; the library folds case itself
    QByteArray RequiredText; // empty: no shortcut
    bool RequiredTextKnown = false;
    QString FileName;
    qint32 CodeId = 0;
    qint32 ArchiveEnd = 0;
    TSkippedLines SkippedLines;
    qint64 LineBase = 0;
    QByteArrayView Origin;
    qint64 OriginOffset = -1;
    qint64 LineOffset = -1;
    LineResolver Resolver;
};
