#include "FileSearcher.h"

#include "BRegExp.h"
#include "ByteFinder.h"
#include "CodeDetector.h"
#include "CodePage.h"
#include "LineCursor.h"
#include "PathText.h"
#include "SourcePrefilter.h"
#include "TextDecoder.h"
#include "Utf7Decoder.h"

#include <cstring>
#include <limits>

TFileSearcher::TFileSearcher(const QByteArray &findText, bool noCase, const std::atomic<bool> *stop,
                             TLineSearcher::HitSink sink, TBRegExp *adapter,
                             const TSourcePrefilter &prefilter, bool wholeFiles, unsigned notation)
    : Stop(stop), Sink(std::move(sink)),
      Searcher(findText, noCase, stop, [this](TGrepResult &&record) { Deliver(std::move(record)); }, notation),
      Adapter(adapter), Prefilter(prefilter), WholeFiles(wholeFiles)
{
    if (WholeFiles)
        Searcher.SetRequiredText({}); // every line goes to the library
}

namespace {

// EUC-JP bytes 0x8E before CR or LF: a broken half-width katakana that the
// converter replaces together with the line end after it, so the file's
// own line ends would not be those of its converted text.
bool LineEndsMayMerge(QByteArrayView raw)
{
    const char *p = raw.data();
    const char *end = p + raw.size();
    while (p < end) {
        const void *hit = memchr(p, 0x8E, size_t(end - p));
        if (!hit)
            return false;
        const char *at = static_cast<const char *>(hit);
        if (at + 1 < end && (at[1] == '\n' || at[1] == '\r'))
            return true;
        p = at + 1;
    }
    return false;
}

// ASCII letters to small ones, every other byte as it is (the length stays).
QByteArray LowerAscii(QByteArrayView raw)
{
    QByteArray out(raw.size(), Qt::Uninitialized);
    const auto *in = reinterpret_cast<const unsigned char *>(raw.data());
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const unsigned char b = in[i];
        o[i] = static_cast<unsigned char>(unsigned(b - 'A') < 26u ? b + 0x20 : b);
    }
    return out;
}

// Whether an ISO-2022-JP text holds a CR followed by ESC, SO or SI: a
// designation or shift between CR and LF is taken out by the decoder, which
// then makes one line end of the two.
bool IsoControlAfterCr(QByteArrayView v)
{
    const char *p = v.data();
    const char *end = p + v.size();
    while (p < end) {
        const void *cr = memchr(p, '\r', size_t(end - p));
        if (!cr)
            return false;
        const char *at = static_cast<const char *>(cr);
        if (at + 1 < end && (at[1] == 0x1B || at[1] == 0x0E || at[1] == 0x0F))
            return true;
        p = at + 1;
    }
    return false;
}

// Where a piece of a huge file may end: after its last line feed (or a CR
// not followed by LF) that no conversion merges with the bytes around it.
// 0 when the piece holds no such line end.
qsizetype SafeCut(QByteArrayView v, qint32 codeId)
{
    const bool euc = codeId == CodeId::EucJp;
    const bool iso = codeId == CodeId::Iso2022Jp;
    auto mergeable = [&](qsizetype at) { return euc && at > 0 && static_cast<unsigned char>(v[at - 1]) == 0x8E; };
    qsizetype end = v.size();
    while (end > 0) {
        const void *lf = memrchr(v.data(), '\n', size_t(end));
        if (!lf)
            break;
        const qsizetype at = static_cast<const char *>(lf) - v.data();
        if (!mergeable(at))
            return at + 1;
        end = at;
    }
    // A CR at the very end may be followed by LF; in ISO-2022-JP also after
    // a designation or shift that follows it.
    auto endsLine = [&](qsizetype at) {
        const char next = v[at + 1];
        return next != '\n' && !(iso && (next == 0x1B || next == 0x0E || next == 0x0F)) && !mergeable(at);
    };
    end = v.size() - 1;
    while (end > 0) {
        const void *cr = memrchr(v.data(), '\r', size_t(end));
        if (!cr)
            break;
        const qsizetype at = static_cast<const char *>(cr) - v.data();
        if (endsLine(at))
            return at + 1;
        end = at;
    }
    return 0;
}

// SafeCut for UTF-16 text that starts on a code unit: after its last LF
// unit, or a CR unit not followed by LF, so that no unit, surrogate pair
// or CR LF is cut. 0 when there is none.
qsizetype SafeCutUtf16(QByteArrayView v, bool bigEndian)
{
    const qsizetype units = v.size() / 2;
    auto unit = [&](qsizetype k) {
        const auto a = static_cast<unsigned char>(v[2 * k]), b = static_cast<unsigned char>(v[2 * k + 1]);
        return bigEndian ? unsigned(a) << 8 | b : unsigned(b) << 8 | a;
    };
    for (qsizetype k = units - 1; k >= 0; --k) {
        const unsigned u = unit(k);
        if (u == '\n')
            return 2 * (k + 1);
        if (u == '\r' && k + 1 < units) // a CR at the very end may be followed by LF
            return 2 * (k + 1);
    }
    return 0;
}

// The file offsets of a piece's lines (LF, CR and CR LF, in bytes or in
// UTF-16 units), found walking on from the last one asked for.
class TPieceLineStarts
{
public:
    TPieceLineStarts(QByteArrayView piece, int unitSize, bool bigEndian, qint64 fileOffset)
        : Piece(piece), UnitSize(unitSize), BigEndian(bigEndian), FileOffset(fileOffset)
    {
    }
    qint64 Offset(qint64 index)
    {
        if (index < Line) {
            Line = 0;
            At = 0;
            NextCr = NextLf = -1;
        }
        const qsizetype n = Piece.size() - Piece.size() % UnitSize;
        if (UnitSize == 1) {
            // Line end to line end, found a block at a time.
            while (Line < index && At < n) {
                const qsizetype end = qMin(Find('\n', NextLf), Find('\r', NextCr));
                if (end >= n) {
                    At = n;
                    break;
                }
                At = end + 1;
                if (Piece[end] == '\r' && At < n && Piece[At] == '\n')
                    ++At;
                ++Line;
            }
            return Line == index ? FileOffset + At : -1;
        }
        while (Line < index && At < n) {
            const unsigned u = Unit(At);
            At += UnitSize;
            if (u == '\n' || (u == '\r' && !(At < n && Unit(At) == '\n')))
                ++Line;
        }
        return Line == index ? FileOffset + At : -1;
    }

private:
    // The next c at or after At; cache keeps it for the lines before it.
    qsizetype Find(char c, qsizetype &cache) const
    {
        if (cache < At) {
            const void *p = memchr(Piece.data() + At, c, size_t(Piece.size() - At));
            cache = p ? static_cast<const char *>(p) - Piece.data() : Piece.size();
        }
        return cache;
    }
    unsigned Unit(qsizetype i) const
    {
        const auto a = static_cast<unsigned char>(Piece[i]);
        if (UnitSize == 1)
            return a;
        const auto b = static_cast<unsigned char>(Piece[i + 1]);
        return BigEndian ? unsigned(a) << 8 | b : unsigned(b) << 8 | a;
    }
    QByteArrayView Piece;
    int UnitSize;
    bool BigEndian;
    qint64 FileOffset;
    qint64 Line = 0;
    qsizetype At = 0;
    qsizetype NextCr = -1, NextLf = -1;
};

} // namespace

void TFileSearcher::Deliver(TGrepResult &&record)
{
    if (!Holding) {
        Sink(std::move(record));
    } else if (Held.size() < HoldLimit) {
        Held.push_back(std::move(record));
    } else {
        HeldTooMany = true;
        Held.clear();
    }
}

void TFileSearcher::ReleaseHeld()
{
    Holding = false;
    for (TGrepResult &record : Held)
        Sink(std::move(record));
    Held.clear();
}

TFileOutcome TFileSearcher::Search(const QString &path, int codeChoice)
{
    Searcher.RestoreSkipped({});
    TFileOutcome outcome = SearchFile(path, codeChoice);
    outcome.Skipped = Searcher.Skipped();
    return outcome;
}

TFileOutcome TFileSearcher::SearchFile(const QString &path, int codeChoice)
{
    TFileOutcome outcome;
    // A file that vanished, is no longer a regular file, or cannot be read
    // is skipped without a word.
    if (!Reader.Read(path, WholeFiles ? -1 : StreamAbove)) {
        outcome.NotRead = true;
        return outcome;
    }
    if (StopRequested()) {
        Reader.Release();
        return outcome;
    }
    if (Archives) {
        // An archive is known by its first bytes, whatever its name.
        const bool listed = (!Archives->FilesUnfiltered || Archives->Wanted(FileNameOf(path)))
                            && Archives->FileLimits.PassesFile(path);
        const QByteArrayView head = Reader.Streaming() ? Reader.Fill({}, TArchiveWalker::HeadSize) : Reader.Content();
        const bool looks = TArchiveWalker::LooksLikeArchive(head);
        if (Reader.Streaming())
            Reader.Rewind();
        if (looks) {
            Reader.Release();
            if (SearchArchive(path, codeChoice, outcome) || StopRequested())
                return outcome;
            // libarchive did not take it: it is read again as the bytes it is.
            if (listed && !Reader.Read(path, WholeFiles ? -1 : StreamAbove)) {
                outcome.NotRead = true;
                return outcome;
            }
        }
        if (!listed) {
            Reader.Release();
            outcome.NotTarget = true;
            return outcome;
        }
    }
    if (Reader.Streaming()) {
        outcome = SearchStream(path, codeChoice);
        Reader.Release();
        return outcome;
    }
    return SearchContent(path, codeChoice);
}

TFileOutcome TFileSearcher::SearchStream(const QString &name, int codeChoice)
{
    // UTF-7 is only ever chosen, never detected.
    if (ChoiceForcesCode(codeChoice) && CodeIdForChoice(codeChoice, {}) == CodeId::Utf7)
        return SearchStreamedUtf7(name);
    return SearchStreamedFile(name, codeChoice);
}

bool TFileSearcher::SearchArchive(const QString &path, int codeChoice, TFileOutcome &outcome)
{
    TArchiveWalker walker(Archives->Limits, Stop);
    walker.SetMemberLimits(Archives->FileLimits);
    const qint32 archiveEnd = qint32(qMin<qsizetype>(path.size(), std::numeric_limits<qint32>::max()));
    const bool wasArchive = walker.Walk(
        path, Archives->Wanted,
        [&](const QString &member, TByteSource &data) {
            if (outcome.AdapterFailed || outcome.OutOfMemory)
                return;
            Reader.Open(data);
            Searcher.SetArchiveEnd(archiveEnd);
            const TFileOutcome one = SearchStream(path + u'{' + member + u'}', codeChoice);
            Searcher.SetArchiveEnd(0);
            Reader.Release();
            outcome.HasText = outcome.HasText || one.HasText;
            outcome.AdapterFailed = one.AdapterFailed;
            ++outcome.Members;
        },
        [&](const QString &member, const QString &reason) {
            outcome.SkippedMembers.emplace_back(member.isEmpty() ? path : path + u'{' + member + u'}', reason);
        });
    outcome.IsArchive = wasArchive;
    return wasArchive;
}

namespace {

// The codes a piece is searched the same way in: the text of every code
// that is not converted is searched as Shift-JIS.
qint32 SearchedAs(qint32 id)
{
    switch (id) {
    case CodeId::Utf16Le:
    case CodeId::Utf16Be:
    case CodeId::EucJp:
    case CodeId::Iso2022Jp:
    case CodeId::Utf8N:
    case CodeId::Utf8:
        return id;
    default:
        return CodeId::ShiftJis;
    }
}

} // namespace

TFileOutcome TFileSearcher::SearchStreamedFile(const QString &path, int codeChoice)
{
    bool redo = false;
    std::optional<qint32> settled; // the code, when the search had to detect it to the end
    if (ChoiceForcesCode(codeChoice))
        return SearchStreamed(path, CodeIdForChoice(codeChoice, {}), nullptr, 0, redo, settled);
    TFileCodeDetector detector;
    const QByteArrayView first = Reader.Fill({}, Piece);
    const bool open = detector.Feed(first) && first.size() == Piece;
    Reader.Rewind();
    const qint32 guess = detector.Result();
    const TLineSearcher::TSkippedLines skipped = Searcher.Skipped();
    TFileOutcome outcome = SearchStreamed(path, guess, open ? &detector : nullptr, first.size(), redo, settled);
    if (!redo || StopRequested())
        return outcome;
    Searcher.RestoreSkipped(skipped);
    const qint32 id = settled ? *settled : FinishDetection(detector);
    if (StopRequested())
        return {};
    return SearchStreamed(path, id, nullptr, 0, redo, settled);
}

qint32 TFileSearcher::FinishDetection(TFileCodeDetector &detector)
{
    while (!StopRequested()) {
        const QByteArrayView piece = Reader.Fill({}, Piece);
        if (!detector.Feed(piece) || piece.size() < Piece)
            break;
    }
    Reader.Rewind();
    return detector.Result();
}

TFileOutcome TFileSearcher::SearchStreamed(const QString &path, qint32 id, TFileCodeDetector *guess,
                                           qint64 guessed, bool &redo, std::optional<qint32> &settled)
{
    TFileOutcome outcome;
    redo = false;
    Holding = guess != nullptr;
    HeldTooMany = false;
    Held.clear();
    const bool utf16 = id == CodeId::Utf16Le || id == CodeId::Utf16Be;
    const qint32 recorded = SearchedAs(id);
    const bool convert = recorded != CodeId::ShiftJis;
    const TSourcePrefilter::TRawNeedle none;
    const TSourcePrefilter::TRawNeedle &needle = convert ? Prefilter.RawNeedle(id) : none;
    const TTextDecoder decoder(Stop);
    TTextDecoder::TIso2022State isoState;
    std::optional<TByteFinder> isoFinder;
    if (id == CodeId::Iso2022Jp && !Prefilter.IsoNeedle().isEmpty())
        isoFinder.emplace(Prefilter.IsoNeedle());
    qint64 lineBase = 0;
    QByteArrayView carry;
    qint64 carryOffset = 0; // where carry begins in the file
    qsizetype markLeft = id == CodeId::Utf8 ? 3 : utf16 ? 2 : 0;
    qint64 readEnd = 0; // bytes of the file read so far
    bool ended = false;
    while (!ended && !StopRequested()) {
        // A line longer than a piece is carried on; asking for as much
        // again as is carried keeps the search for its end from going over
        // the same bytes again and again.
        const qsizetype more = qMax(Piece, carry.size());
        QByteArrayView v = Reader.Fill(carry, more);
        qint64 vOffset = carryOffset; // where v begins in the file
        const qsizetype fresh = v.size() - carry.size();
        ended = fresh < more;
        const qint64 freshAt = readEnd; // where the fresh bytes begin in the file
        readEnd += fresh;
        if (guess) {
            // The detection goes on over the bytes just read that it has
            // not seen. Once it is settled on a code searched as the guess,
            // the hits held back are the file's.
            const qsizetype seen = qsizetype(qBound<qint64>(0, guessed - freshAt, fresh));
            guessed = qMax(guessed, readEnd);
            const bool open = guess->Feed(v.sliced(carry.size() + seen)) && !ended;
            if (SearchedAs(guess->Result()) != SearchedAs(id)) {
                redo = true;
                break;
            }
            if (!open) {
                guess = nullptr;
                ReleaseHeld();
            }
        }
        // Only the bytes before the first zero byte (zero code unit) are
        // text. v starts on a code unit: the mark and every cut are whole
        // units.
        const qsizetype scanFrom = qMax<qsizetype>(0, v.size() - fresh);
        if (utf16) {
            const qsizetype from = scanFrom & ~qsizetype(1);
            const QByteArrayView text = Utf16TextPart(v.sliced(from));
            if (text.size() < v.size() - from) {
                v = v.first(from + text.size());
                ended = true;
            }
        } else if (const void *zero = memchr(v.data() + scanFrom, 0, size_t(v.size() - scanFrom))) {
            v = v.first(static_cast<const char *>(zero) - v.data());
            ended = true;
        }
        if (markLeft > 0) { // the mark is skipped unseen
            const qsizetype drop = qMin(markLeft, v.size());
            v = v.sliced(drop);
            vOffset += drop;
            markLeft -= drop;
        }
        const qsizetype cut = ended ? v.size() : utf16 ? SafeCutUtf16(v, id == CodeId::Utf16Be)
                                                       : SafeCut(v, id);
        if (cut == 0 && !ended) {
            carry = v; // no line end yet: read on
            carryOffset = vOffset;
            continue;
        }
        const QByteArrayView piece = v.first(cut);
        carry = v.sliced(cut);
        carryOffset = vOffset + cut;
        if (piece.isEmpty())
            continue;
        if (!outcome.HasText) {
            outcome.HasText = true;
            Searcher.SetFile(path, recorded);
        }
        Searcher.SetLineBase(lineBase);
        Searcher.SetTextOrigin(convert ? QByteArrayView() : piece, convert ? -1 : vOffset);
        if (convert && !needle.Bytes.isEmpty() && !(id == CodeId::EucJp && LineEndsMayMerge(piece))) {
            if (!SearchRawCandidates(decoder, piece, vOffset, id, needle)) {
                outcome.AdapterFailed = true;
                break;
            }
            lineBase += TLineCursor::CountLines(piece, ended);
            if (HeldTooMany) {
                redo = true;
                break;
            }
            continue;
        }
        QByteArray converted;
        QByteArrayView text = piece;
        // UTF-16 and ISO-2022-JP convert line for line (their line ends
        // stand for themselves, and nothing else becomes one): a hit's line
        // is found again in the piece's own units.
        TPieceLineStarts lineStarts(piece, utf16 ? 2 : 1, id == CodeId::Utf16Be, vOffset);
        if (utf16 || (id == CodeId::Iso2022Jp && !IsoControlAfterCr(piece)))
            Searcher.SetLineResolver([&lineStarts](qint64 index) { return lineStarts.Offset(index); });
        if (id == CodeId::Iso2022Jp && isoFinder) {
            // A piece whose skeleton lacks the needle holds no hit: only
            // its lines are counted and its last designation kept.
            TTextDecoder::TIso2022State after = isoState;
            const QByteArray skeleton = TTextDecoder::Iso2022Skeleton(piece, after);
            if (isoFinder->Find(skeleton) < 0) {
                isoState = after;
                lineBase += TLineCursor::CountLines(skeleton, ended);
                Searcher.SetLineResolver(nullptr);
                continue;
            }
        }
        if (convert) {
            bool stopped = false;
            converted = decoder.ConvertPiece(piece, id, isoState, &stopped);
            if (stopped)
                break;
            text = converted;
        }
        if (Adapter) {
            if (!Searcher.SearchRegExpText(text, *Adapter)) {
                outcome.AdapterFailed = true;
                break;
            }
        } else {
            Searcher.SearchText(text);
        }
        lineBase += TLineCursor::CountLines(text, ended);
        Searcher.SetLineResolver(nullptr);
        if (HeldTooMany) {
            redo = true;
            break;
        }
    }
    Searcher.SetLineResolver(nullptr);
    if (guess && outcome.AdapterFailed && !redo) {
        // The library failed before the code was settled: the failure
        // stands if the rest of the file keeps the guess.
        settled = FinishDetection(*guess);
        redo = SearchedAs(*settled) != SearchedAs(id);
        if (!redo)
            ReleaseHeld();
    }
    // Held hits that are not released (a stop, or the guess was wrong) are
    // never the file's.
    Holding = false;
    Held.clear();
    if (redo)
        return {};
    return outcome;
}

TFileOutcome TFileSearcher::SearchStreamedUtf7(const QString &path)
{
    // A base-64 run may hold any number of lines, so the raw bytes cannot
    // be cut at line ends: each piece is decoded as it comes, the decoder
    // carrying an unfinished run over, and the decoded text is searched up
    // to its last line end, the rest waiting for the next piece.
    TFileOutcome outcome;
    const TTextDecoder decoder(Stop);
    TUtf7Decoder utf7;
    QByteArray pending; // decoded text after the last line end searched
    qint64 lineBase = 0;
    bool ended = false;
    while (!ended && !StopRequested()) {
        QByteArrayView raw = Reader.Fill({}, Piece);
        ended = raw.size() < Piece;
        // Only the bytes before the first zero byte are text.
        if (const void *zero = memchr(raw.data(), 0, size_t(raw.size()))) {
            raw = raw.first(static_cast<const char *>(zero) - raw.data());
            ended = true;
        }
        if (!raw.isEmpty() && !outcome.HasText) {
            outcome.HasText = true;
            Searcher.SetFile(path, CodeId::Utf7);
            Searcher.SetTextOrigin({}, -1);
        }
        bool stopped = false;
        QByteArray utf32 = utf7.Feed(raw, Stop, &stopped);
        if (stopped)
            break;
        if (ended)
            utf32 += utf7.Finish();
        pending += decoder.ConvertUtf32(utf32, &stopped);
        if (stopped)
            break;
        const qsizetype cut = ended ? pending.size() : SafeCut(pending, CodeId::ShiftJis);
        if (cut == 0)
            continue;
        const QByteArrayView text = QByteArrayView(pending).first(cut);
        Searcher.SetLineBase(lineBase);
        if (Adapter) {
            if (!Searcher.SearchRegExpText(text, *Adapter)) {
                outcome.AdapterFailed = true;
                break;
            }
        } else {
            Searcher.SearchText(text);
        }
        lineBase += TLineCursor::CountLines(text, ended);
        pending.remove(0, cut);
    }
    return outcome;
}

TFileOutcome TFileSearcher::SearchContent(const QString &path, int codeChoice)
{
    TFileOutcome outcome;
    const TTextDecoder decoder(Stop);
    TDecodedText decoded = decoder.Locate(Reader.Content(), codeChoice);
    bool searchRaw = false;
    if (decoded.NeedsConversion && !WholeFiles) {
        const TSourcePrefilter::TRawNeedle &needle = Prefilter.RawNeedle(decoded.CodeId);
        searchRaw = !needle.Bytes.isEmpty()
                    && !(decoded.CodeId == CodeId::EucJp && LineEndsMayMerge(decoded.Text));
        if (searchRaw) {
            if (!StopRequested() && decoded.HasText) {
                outcome.HasText = true;
                Searcher.SetFile(path, decoded.CodeId);
                outcome.AdapterFailed = !SearchRawCandidates(decoder, decoded.Text,
                                                             decoded.Text.data() - Reader.Content().data(),
                                                             decoded.CodeId, needle);
            }
            Reader.Release();
            return outcome;
        }
    }
    if (decoded.NeedsConversion) {
        const QByteArrayView source = decoded.Text;
        decoded.Text = {};
        if (WholeFiles || Prefilter.MayHoldHits(source, decoded.CodeId)) {
            decoded.Converted = decoder.ConvertText(source, decoded.CodeId, &decoded.Stopped);
            decoded.Text = decoded.Converted;
        } else {
            decoded.Skipped = true;
        }
    }
    if (!StopRequested() && decoded.HasText) {
        outcome.HasText = true;
        Searcher.SetFile(path, decoded.CodeId);
        // Text searched as the file holds it: its hits know their lines' offsets.
        const QByteArrayView content = Reader.Content();
        if (decoded.Converted.isNull() && decoded.Text.data() >= content.data()
            && decoded.Text.data() + decoded.Text.size() <= content.data() + content.size())
            Searcher.SetTextOrigin(decoded.Text, decoded.Text.data() - content.data());
        if (decoded.Skipped) {
            // Certain to hold no hit: nothing to search.
        } else if (Adapter) {
            outcome.AdapterFailed = !Searcher.SearchRegExpText(decoded.Text, *Adapter);
        } else if (WholeFiles) {
            for (TLineCursor cursor(decoded.Text); !cursor.AtEnd() && !StopRequested(); cursor.Next())
                Searcher.SearchLine(cursor.Line(), cursor.Index());
        } else {
            Searcher.SearchText(decoded.Text);
        }
    }
    Reader.Release();
    return outcome;
}

bool TFileSearcher::SearchRawCandidates(const TTextDecoder &decoder, QByteArrayView raw, qint64 rawOffset,
                                        qint32 codeId, const TSourcePrefilter::TRawNeedle &needle)
{
    // The file's own line ends are those of its converted text, so a line
    // converted alone is the line the whole conversion would give, with the
    // same number.
    QByteArray folded;
    QByteArrayView haystack = raw;
    if (needle.FoldAscii) {
        folded = LowerAscii(raw);
        haystack = folded;
    }
    bool stopped = false;
    const bool ok = TLineSearcher::ForEachLineHolding(
        raw, haystack, needle.Bytes, Stop, [&](QByteArrayView rawLine, QByteArrayView, qint64 index) {
            const QByteArray line = decoder.ConvertText(rawLine, codeId, &stopped);
            if (stopped)
                return false;
            Searcher.SetLineOffset(rawOffset + (rawLine.data() - raw.data()));
            if (Adapter)
                return Searcher.SearchRegExpLine(line, index, *Adapter);
            Searcher.SearchLine(line, index);
            return true;
        });
    Searcher.SetLineOffset(-1);
    return ok || stopped;
}
