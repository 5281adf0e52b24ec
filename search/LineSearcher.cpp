#include "LineSearcher.h"

#include "BRegExp.h"
#include "ByteFinder.h"
#include "LineCursor.h"
#include "RequiredLiteral.h"
#include "SjisText.h"

#include <cstring>

namespace {
inline qsizetype CharLength(QByteArrayView text, qsizetype at)
{
    return (IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}
} // namespace

TLineSearcher::TLineSearcher(QByteArray findText, bool noCase, const std::atomic<bool> *stop,
                             HitSink sink, unsigned notation)
    : FindText(std::move(findText)), NoCase(noCase), Stop(stop), Sink(std::move(sink)),
      PlainFold(notation ? notation | (noCase ? TNotationFold::Case : 0u) : 0u), RegExpFold(notation)
{
    Pattern = NoCase ? LowerCaseCp932(FindText) : FindText;
    PatternCrossesLines = FindText.contains('\r') || FindText.contains('\n');
    if (PlainFold.Active()) {
        FoldedPattern = PlainFold.Fold(FindText);
        FoldedRegExp = RegExpFold.FoldPattern(FindText);
        const QByteArray exact = PlainFold.FixedRun(FoldedPattern);
        FoldNeedles = exact.isEmpty() ? PlainFold.RarestForms(FoldedPattern) : std::vector<QByteArray>{exact};
    }
}

QByteArray TLineSearcher::ExactStretch(const QByteArray &findText, bool noCase, bool useRegExp, unsigned notation)
{
    if (!notation)
        return findText;
    const TNotationFold fold(notation | (noCase ? TNotationFold::Case : 0u));
    if (useRegExp) {
        // The literal every match holds, in folded text; its letters may be
        // in either case in the line when the library ignores case.
        const QByteArray literal = TRequiredLiteral::Find(TNotationFold(notation).FoldPattern(findText), false);
        return fold.FixedRun(literal);
    }
    return fold.FixedRun(fold.Fold(findText));
}

void TLineSearcher::SetFile(const QString &path, qint32 codeId)
{
    FileName = path;
    CodeId = codeId;
    LineBase = 0;
    Origin = {};
    OriginOffset = -1;
    LineOffset = -1;
    Resolver = nullptr;
}

void TLineSearcher::SearchLine(QByteArrayView line, qint64 lineIndex)
{
    if (StopRequested() || FindText.isEmpty())
        return;
    if (PlainFold.Active()) {
        SearchFoldedLine(line, lineIndex);
        return;
    }
    if (!NoCase) {
        SearchPlainLine(line, line, lineIndex);
        return;
    }
    const QByteArray lowered = LowerCaseCp932(line);
    SearchPlainLine(line, lowered, lineIndex);
}

void TLineSearcher::SearchPlainLine(QByteArrayView line, QByteArrayView haystack, qint64 lineIndex)
{
    qsizetype pos = 0;            // a character boundary where the next scan starts
    qsizetype beforeBoundary = 0; // keeps the context walk short on long lines
    while (true) {
        const qsizetype p = FindFrom(haystack, pos + 1, Pattern);
        if (p <= 0 || StopRequested())
            break;
        const qsizetype offset = p - 1;
        PublishHit(line, lineIndex, offset, FindText.size(), beforeBoundary);
        // Go on at the next character: overlapping hits are all found, and
        // a hit that begins with a double-byte character does not leave the
        // scan on its second byte.
        pos = offset + CharLength(line, offset);
    }
}

void TLineSearcher::SearchFoldedLine(QByteArrayView line, qint64 lineIndex)
{
    if (PatternCrossesLines)
        return;
    // Most lines handed here hold no hit: where each folded byte comes
    // from is worked out only for a line that does.
    PlainFold.Fold(line, FoldedLine);
    bool mapped = false;
    qsizetype pos = 0;            // a character boundary of the folded line
    qsizetype beforeBoundary = 0;
    while (true) {
        const qsizetype p = FindFrom(FoldedLine, pos + 1, FoldedPattern);
        if (p <= 0 || StopRequested())
            break;
        if (!mapped) {
            PlainFold.Fold(line, FoldedLine, &FoldMap);
            mapped = true;
        }
        const qsizetype offset = p - 1;
        // Folded characters come from whole characters (a half-width
        // katakana with its mark is one), so the stretch never cuts one.
        const qsizetype start = FoldMap[size_t(offset)];
        const qsizetype end = FoldMap[size_t(offset + FoldedPattern.size())];
        PublishHit(line, lineIndex, start, end - start, beforeBoundary);
        pos = offset + CharLength(FoldedLine, offset);
    }
}

qsizetype TLineSearcher::SourceOffset(QByteArrayView line, qsizetype foldedOffset) const
{
    const qsizetype foldedSize = qsizetype(FoldMap.size()) - 1;
    if (foldedOffset <= foldedSize)
        return FoldMap[size_t(foldedOffset)];
    return line.size() + (foldedOffset - foldedSize); // in the appended blank
}

bool TLineSearcher::SearchRegExpLine(QByteArrayView line, qint64 lineIndex, TBRegExp &adapter)
{
    if (StopRequested() || FindText.isEmpty())
        return true;
    if (RegExpFold.Active()) {
        RegExpFold.Fold(line, FoldedLine, &FoldMap);
        return MatchRegExpLine(line, FoldedLine, FoldedRegExp, true, lineIndex, adapter);
    }
    return MatchRegExpLine(line, line, FindText, false, lineIndex, adapter);
}

bool TLineSearcher::MatchRegExpLine(QByteArrayView line, QByteArrayView target, const QByteArray &pattern,
                                    bool folded, qint64 lineIndex, TBRegExp &adapter)
{
    adapter.BeginLine(target);
    const qsizetype targetLength = adapter.TargetLength(); // the line and its appended blank
    qsizetype pos = 0;
    qsizetype beforeBoundary = 0;
    while (pos < targetLength) {
        qsizetype length = 0;
        const qsizetype offset = adapter.MatchInLine(pattern, pos, length);
        if (offset == TBRegExp::TooCostly) {
            // The rest of this line cannot be searched; the next one may be.
            if (SkippedLines.Count++ == 0) {
                SkippedLines.FirstFile = FileName;
                SkippedLines.FirstLine = lineIndex;
                SkippedLines.Reason = adapter.LastFailure();
            }
            return true;
        }
        if (offset <= -2)
            return false;
        if (offset < 0 || StopRequested())
            break;
        if (folded) {
            const qsizetype start = SourceOffset(line, offset);
            PublishHit(line, lineIndex, start, SourceOffset(line, offset + length) - start, beforeBoundary);
        } else {
            PublishHit(line, lineIndex, offset, length, beforeBoundary);
        }
        // The next request starts where this match ended; after an empty
        // match, one character later, so the line always comes to an end.
        pos = offset + length;
        if (length == 0)
            pos += offset < target.size() ? CharLength(target, offset) : 1;
    }
    return true;
}

bool TLineSearcher::SearchRegExpText(QByteArrayView text, TBRegExp &adapter)
{
    if (StopRequested() || FindText.isEmpty())
        return true;
    // Only lines holding the text that every match needs go to the library.
    if (!RequiredTextKnown) {
        RequiredText = RegExpFold.Active() ? ExactStretch(FindText, NoCase, true, RegExpFold.Flags())
                                           : TRequiredLiteral::Find(FindText, NoCase);
        RequiredTextKnown = true;
    }
    if (!RequiredText.isEmpty()) {
        // Under folding the stretch is written one way only: no case to fold.
        return ForEachCandidateLine(text, RequiredText, NoCase && !RegExpFold.Active(),
                                    [&](QByteArrayView line, QByteArrayView, qint64 index) {
                                        return SearchRegExpLine(line, index, adapter);
                                    });
    }
    for (TLineCursor cursor(text); !cursor.AtEnd() && !StopRequested(); cursor.Next())
        if (!SearchRegExpLine(cursor.Line(), cursor.Index(), adapter))
            return false;
    return true;
}

void TLineSearcher::SearchText(QByteArrayView text)
{
    if (PlainFold.Active()) {
        // A folded line may be shorter or longer than the text it matches.
        if (StopRequested() || FindText.isEmpty() || PatternCrossesLines || FoldNeedles.empty())
            return;
        ForEachLineHoldingAny(text, FoldNeedles, Stop, [&](QByteArrayView line, QByteArrayView, qint64 index) {
            SearchFoldedLine(line, index);
            return true;
        });
        return;
    }
    if (StopRequested() || FindText.isEmpty() || PatternCrossesLines || text.size() < Pattern.size())
        return;
    ForEachCandidateLine(text, Pattern, NoCase, [&](QByteArrayView line, QByteArrayView lowered, qint64 index) {
        SearchPlainLine(line, lowered, index);
        return true;
    });
}

bool TLineSearcher::ForEachCandidateLine(QByteArrayView text, QByteArrayView needle, bool lowerCase,
                                         const LineVisitor &visit)
{
    QByteArray lowered;
    QByteArrayView haystack = text;
    if (lowerCase) {
        lowered = LowerCaseCp932(text);
        haystack = lowered;
    }
    return ForEachLineHolding(text, haystack, needle, Stop, visit);
}

bool TLineSearcher::ForEachLineHolding(QByteArrayView text, QByteArrayView haystack, QByteArrayView needle,
                                       const std::atomic<bool> *stop, const LineVisitor &visit)
{
    const TByteFinder finder(needle);
    TLineCursor cursor(text);
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n && !(stop && stop->load(std::memory_order_relaxed))) {
        const qsizetype hit = finder.Find(haystack, pos);
        if (hit < 0)
            break;
        cursor.MoveTo(hit);
        const qsizetype start = cursor.LineStart();
        const qsizetype end = cursor.LineEnd();
        if (!visit(text.sliced(start, end - start), haystack.sliced(start, end - start), cursor.Index()))
            return false;
        pos = end;
    }
    return true;
}

bool TLineSearcher::ForEachLineHoldingAny(QByteArrayView text, const std::vector<QByteArray> &needles,
                                          const std::atomic<bool> *stop, const LineVisitor &visit)
{
    if (needles.size() == 1)
        return ForEachLineHolding(text, text, needles.front(), stop, visit);
    std::vector<TByteFinder> finders;
    std::vector<qsizetype> next; // each needle's next place at or after pos, -1: none left
    for (const QByteArray &needle : needles) {
        finders.emplace_back(needle);
        next.push_back(finders.back().Find(text, 0));
    }
    TLineCursor cursor(text);
    qsizetype pos = 0;
    while (!(stop && stop->load(std::memory_order_relaxed))) {
        qsizetype hit = -1;
        for (size_t k = 0; k < finders.size(); ++k) {
            if (next[k] >= 0 && next[k] < pos)
                next[k] = finders[k].Find(text, pos);
            if (next[k] >= 0 && (hit < 0 || next[k] < hit))
                hit = next[k];
        }
        if (hit < 0)
            break;
        cursor.MoveTo(hit);
        const qsizetype start = cursor.LineStart();
        const qsizetype end = cursor.LineEnd();
        const QByteArrayView line = text.sliced(start, end - start);
        if (!visit(line, line, cursor.Index()))
            return false;
        pos = end;
    }
    return true;
}

void TLineSearcher::PublishHit(QByteArrayView line, qint64 lineIndex, qsizetype offset,
                               qsizetype length, qsizetype &knownBoundary)
{
    TGrepResult record;
    const qsizetype before = qMin(offset, BeforeLimit);
    const qsizetype beforeStart = offset - before;
    while (knownBoundary < beforeStart && knownBoundary + CharLength(line, knownBoundary) <= beforeStart)
        knownBoundary += CharLength(line, knownBoundary);
    record.BeforeText = Excerpt(line, beforeStart + 1, before, record.AtLineStart, record.AtLineEnd,
                                knownBoundary);
    record.TextFromHit = Excerpt(line, offset + 1, length + AfterLimit, record.AtLineStart,
                                 record.AtLineEnd, offset);
    record.Line = LineBase + lineIndex;
    record.Column = offset + 1;
    record.CodeId = CodeId;
    record.HitLength = length;
    if (LineOffset >= 0)
        record.LineOffset = LineOffset;
    else if (OriginOffset >= 0 && line.data() >= Origin.data() && line.data() <= Origin.data() + Origin.size())
        record.LineOffset = OriginOffset + (line.data() - Origin.data());
    else if (Resolver)
        record.LineOffset = Resolver(lineIndex);
    record.FileName = FileName;
    record.ArchiveEnd = ArchiveEnd;
    Sink(std::move(record));
}
