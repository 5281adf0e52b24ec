#include "PreviewReader.h"

#include "CodePage.h"
#include "SourceLines.h"

#include "FileKind.h"
#include "ReadOnlyFile.h"

#include <algorithm>
#include <cstring>

namespace {

// Marks kept for one file; beyond this the scan starts from the last one.
constexpr size_t MaxMarks = size_t(1) << 16;

// How the file's text is cut into characters for finding line ends: bytes,
// or the two-byte units of UTF-16.
struct TUnits
{
    int Size = 1;
    bool BigEndian = false;

    unsigned At(const char *p, qsizetype i) const
    {
        const auto *b = reinterpret_cast<const unsigned char *>(p + i);
        if (Size == 1)
            return b[0];
        return BigEndian ? (unsigned(b[0]) << 8 | b[1]) : (unsigned(b[1]) << 8 | b[0]);
    }
    bool IsLineEndAt(const char *p, qsizetype i) const
    {
        const unsigned c = At(p, i);
        return c == '\n' || c == '\r';
    }
    // A CR and, after it, an LF: one line end.
    bool IsCrLfAt(const char *p, qsizetype i, qsizetype n) const
    {
        return At(p, i) == '\r' && i + Size < n && At(p, i + Size) == '\n';
    }
};

// Reads up to size bytes at offset; eof is set when fewer came. The text
// ends before the first zero character, which also counts as the end.
QByteArray ReadPiece(TReadOnlyFile &file, qint64 offset, qsizetype size, bool &end, qint64 &counter,
                     const TUnits &units = {})
{
    QByteArray piece;
    end = true;
    if (!file.Seek(offset))
        return piece;
    piece.resize(size);
    const qint64 got = file.ReadFully(piece.data(), size);
    piece.resize(qMax<qint64>(got, 0));
    counter += piece.size();
    end = piece.size() < size;
    if (units.Size == 1) {
        if (const void *zero = memchr(piece.constData(), 0, size_t(piece.size()))) {
            piece.truncate(static_cast<const char *>(zero) - piece.constData());
            end = true;
        }
        return piece;
    }
    // A lone byte at the file's end stays: it converts to one "?", as in
    // the search. (Reading its unit sees the array's terminating zero.)
    if (!end)
        piece.truncate(piece.size() - piece.size() % units.Size);
    for (qsizetype i = 0; i + units.Size <= piece.size(); i += units.Size) {
        if (units.At(piece.constData(), i) == 0) {
            piece.truncate(i);
            end = true;
            break;
        }
    }
    return piece;
}

// The bytes of a piece that can be walked: a CR as its last byte waits for
// the next piece, which may begin with its LF.
qsizetype Walkable(const QByteArray &piece, bool end, const TUnits &units)
{
    const qsizetype n = piece.size();
    return (!end && n > 0 && units.At(piece.constData(), n - units.Size) == '\r') ? n - units.Size : n;
}

} // namespace

void TPreviewReader::Forget(const QString &path, qint32 codeId, qint64 size, const QDateTime &modified)
{
    if (path == MarkPath && codeId == MarkCode && size == MarkSize && modified == MarkModified)
        return;
    MarkPath = path;
    MarkCode = codeId;
    MarkSize = size;
    MarkModified = modified;
    Marks.clear();
}

const TPreviewReader::TMark &TPreviewReader::MarkBefore(qint64 line) const
{
    auto after = std::upper_bound(Marks.begin(), Marks.end(), line,
                                  [](qint64 l, const TMark &m) { return l < m.Line; });
    return *(after - 1); // Marks[0] is line 0
}

void TPreviewReader::AddMark(const TMark &mark)
{
    auto at = std::lower_bound(Marks.begin(), Marks.end(), mark.Line,
                               [](const TMark &m, qint64 l) { return m.Line < l; });
    if ((at != Marks.end() && at->Line == mark.Line) || Marks.size() >= MaxMarks)
        return;
    Marks.insert(at, mark);
}

void TPreviewReader::MarkFromKnownLine(TReadOnlyFile &file, const TKnownLine &known, qint64 first, bool euc,
                                       int unitSize, bool bigEndian, bool iso)
{
    const TUnits units{unitSize, bigEndian};
    const qint64 textStart = Marks.front().Offset;
    if (known.Line < first || known.Offset < textStart || known.Offset > MarkSize
        || (known.Offset - textStart) % unitSize || MarkBefore(first).Line == first)
        return;
    // Bytes from where the walk may reach back to, up to one unit past the
    // known start (it tells a CR LF from a lone CR).
    const qint64 reach = qint64(known.Line - first + 1) * LineLimit;
    qint64 back = qMin<qint64>(reach, PieceSize);
    back -= back % unitSize;
    const qint64 from = qMax(textStart, known.Offset - back);
    bool end = false;
    const QByteArray bytes = ReadPiece(file, from, qsizetype(known.Offset - from + unitSize), end, LastBytesRead, units);
    const qint64 n = bytes.size();
    if (n < known.Offset - from)
        return; // a zero byte or the file's end before the known start: not the file searched
    // The unit at byte i (relative to from); -1 past what was read.
    const auto at = [&](qint64 i) -> int {
        return i >= 0 && i + unitSize <= n ? int(units.At(bytes.constData(), qsizetype(i))) : -1;
    };
    // Whether a line begins at i: after an LF, or after a CR not followed by
    // LF. In EUC-JP, a line end right after 0x8E may be taken into a
    // character by the decoder: then nothing is certain.
    bool unsure = false;
    const auto startsLine = [&](qint64 i) {
        const int before = at(i - unitSize);
        const bool starts = before == '\n' || (before == '\r' && at(i) != '\n');
        if (starts && euc && at(i - 2) == 0x8E)
            unsure = true;
        return starts;
    };
    const qint64 knownAt = known.Offset - from;
    if (known.Offset > textStart && !startsLine(knownAt))
        return;
    qint64 line = known.Line;
    qint64 i = knownAt;
    while (line > first && i > 0) {
        i -= unitSize;
        if (i == 0 && from == textStart) {
            if (--line != 0)
                return; // the text's first line is line 0
            break;
        }
        if (i > 0 && startsLine(i))
            --line;
    }
    if (unsure || line != first || (from > textStart && i == 0))
        return; // not within reach, or the walk does not fit the text
    if (!iso) {
        AddMark({known.Line, known.Offset, {}});
        AddMark({first, from + i, {}});
        return;
    }
    // ISO-2022-JP: the character set at the line is the one the last
    // designation before it chose (a shift-out ends with every line). An
    // escape is a designation when it leaves the same set whatever set was
    // chosen before it.
    TTextDecoder::TIso2022State state;
    const QByteArrayView before(bytes.constData(), qsizetype(i));
    qsizetype e = before.size();
    while (e > 0) {
        const qsizetype esc = before.first(e).lastIndexOf('\x1B');
        if (esc < 0)
            break;
        const QByteArrayView sequence = before.sliced(esc, qMin<qsizetype>(4, before.size() - esc));
        TTextDecoder::TIso2022State ascii, twoBytes;
        twoBytes.CharSet = TTextDecoder::TIso2022State::Mode::DoubleByte;
        TTextDecoder::DecodeIso2022Jp(sequence, nullptr, nullptr, &ascii);
        TTextDecoder::DecodeIso2022Jp(sequence, nullptr, nullptr, &twoBytes);
        if (ascii.CharSet == twoBytes.CharSet) {
            TTextDecoder::DecodeIso2022Jp(before.sliced(esc), nullptr, nullptr, &state);
            AddMark({first, from + i, state});
            return;
        }
        e = esc;
    }
    if (from == textStart) {
        TTextDecoder::DecodeIso2022Jp(before, nullptr, nullptr, &state); // from the text's start
        AddMark({first, from + i, state});
    }
    // Otherwise the set chosen lies further back than was read.
}

TPreviewReader::TResult TPreviewReader::Read(const QString &path, qint32 codeId, qint64 first, qint64 last,
                                             TKnownLine known)
{
    LastBytesRead = 0;
    LastBytesHeld = 0;
    TResult result;
    // The path's own bytes are opened, whatever they show as.
    const TFileKind::Kind kind = TFileKind::Of(path);
    if (kind == TFileKind::Missing)
        return result;
    result.State = TState::Unreadable;
    TReadOnlyFile file;
    if (kind != TFileKind::File || !file.Open(path))
        return result;
    result.FileSize = file.Size();
    result.Modified = file.Modified();
    result.State = TState::Read;
    first = qMax<qint64>(first, 0);
    if (last < first)
        return result;

    // Where the text begins (a mark is skipped) and whether it is converted.
    TTextDecoder decoder;
    bool end = false;
    // The head as it is: a UTF-16 mark is followed by zero bytes.
    QByteArray head(4, '\0');
    head.resize(qMax<qint64>(file.ReadFully(head.data(), 4), 0));
    LastBytesRead += head.size();
    const TDecodedText located = decoder.Locate(head, TSourceLines::ChoiceForCode(codeId));
    if (located.Text.isEmpty())
        return result; // no text at all
    const bool iso = located.NeedsConversion && located.CodeId == CodeId::Iso2022Jp;
    TUnits units;
    if (located.NeedsConversion && (located.CodeId == CodeId::Utf16Le || located.CodeId == CodeId::Utf16Be))
        units = {2, located.CodeId == CodeId::Utf16Be};
    Forget(path, codeId, result.FileSize, result.Modified);
    if (Marks.empty())
        Marks.push_back({0, qint64(located.Text.data() - head.constData()), {}});
    // Codes whose lines can be found in their bytes (and whose shift state,
    // for ISO-2022-JP, can be worked out near the line).
    if (known.Offset >= 0
        && (!located.NeedsConversion || located.CodeId == CodeId::EucJp || located.CodeId == CodeId::Utf8
            || located.CodeId == CodeId::Utf8N || units.Size == 2 || iso))
        MarkFromKnownLine(file, known, first, located.NeedsConversion && located.CodeId == CodeId::EucJp, units.Size,
                          units.BigEndian, iso);
    if (known.Only && MarkBefore(first).Line != first) {
        result.State = TState::Far;
        return result;
    }

    const TMark start = MarkBefore(first);
    qint64 pos = start.Offset;
    qint64 line = start.Line;
    TTextDecoder::TIso2022State state = start.State;
    auto passOver = [&](QByteArrayView bytes) {
        if (iso)
            TTextDecoder::DecodeIso2022Jp(bytes, nullptr, nullptr, &state);
    };

    // Up to the first line asked for: only line ends are counted.
    end = false;
    while (line < first && !end) {
        if (Stopped()) {
            result.State = TState::Stopped;
            return result;
        }
        const QByteArray piece = ReadPiece(file, pos, PieceSize, end, LastBytesRead, units);
        LastBytesHeld = qMax<qint64>(LastBytesHeld, piece.size());
        const qsizetype n = Walkable(piece, end, units);
        const char *p = piece.constData();
        qsizetype lastEnd = -1; // just after the last line end walked
        for (qsizetype i = 0; i < n && line < first; i += units.Size) {
            if (units.IsLineEndAt(p, i) && !units.IsCrLfAt(p, i, n)) {
                ++line;
                lastEnd = i + units.Size;
            }
        }
        if (lastEnd < 0) { // the whole piece lies inside one line
            passOver(QByteArrayView(p, n));
            pos += n;
            continue;
        }
        passOver(QByteArrayView(p, lastEnd));
        pos += lastEnd;
        // A line start to begin from next time; the rest of this piece is
        // read again from there.
        AddMark({line, pos, state});
    }
    if (line < first)
        return result; // the file has fewer lines

    // The lines asked for, each kept up to LineLimit bytes.
    std::vector<TLine> raw;
    QByteArray current;
    bool cut = false;
    end = false;
    while (line <= last && !end) {
        if (Stopped()) {
            result.State = TState::Stopped;
            return result;
        }
        const QByteArray piece = ReadPiece(file, pos, PieceSize, end, LastBytesRead, units);
        const qsizetype n = Walkable(piece, end, units);
        const char *p = piece.constData();
        qsizetype i = 0;
        while (i < n && line <= last) {
            qsizetype j = i;
            while (j < n && !units.IsLineEndAt(p, j))
                j += units.Size;
            j = qMin(j, n);
            const qsizetype room = LineLimit - current.size();
            current.append(p + i, qMin(j - i, room));
            cut = cut || j - i > room;
            if (j == n) {
                i = n;
                break; // the line goes on in the next piece
            }
            raw.push_back({line, current, cut});
            current.clear();
            cut = false;
            ++line;
            i = j + (units.IsCrLfAt(p, j, n) ? 2 : 1) * units.Size;
        }
        pos += i;
        qint64 kept = current.size();
        for (const TLine &l : raw)
            kept += l.Text.size();
        LastBytesHeld = qMax<qint64>(LastBytesHeld, piece.size() + kept);
    }
    if (end && line <= last && (!current.isEmpty() || cut))
        raw.push_back({line, current, cut}); // the last line, without a line end

    for (TLine &l : raw) {
        if (iso)
            l.Text = TTextDecoder::DecodeIso2022Jp(l.Text, nullptr, nullptr, &state);
        else if (located.NeedsConversion)
            l.Text = decoder.ConvertText(l.Text, located.CodeId);
    }
    result.Lines = std::move(raw);
    return result;
}
