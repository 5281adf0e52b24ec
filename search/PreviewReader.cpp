#include "PreviewReader.h"

#include "CodePage.h"
#include "SourceLines.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace {

// Marks kept for one file; beyond this the scan starts from the last one.
constexpr size_t MaxMarks = size_t(1) << 16;

// Reads up to size bytes at offset; eof is set when fewer came. The text
// ends before the first zero byte, which also counts as the end.
QByteArray ReadPiece(QFile &file, qint64 offset, qsizetype size, bool &end, qint64 &counter)
{
    QByteArray piece;
    end = true;
    if (!file.seek(offset))
        return piece;
    piece.resize(size);
    const qint64 got = file.read(piece.data(), size);
    piece.resize(qMax<qint64>(got, 0));
    counter += piece.size();
    end = piece.size() < size;
    if (const void *zero = memchr(piece.constData(), 0, size_t(piece.size()))) {
        piece.truncate(static_cast<const char *>(zero) - piece.constData());
        end = true;
    }
    return piece;
}

// The bytes of a piece that can be walked: a CR as its last byte waits for
// the next piece, which may begin with its LF.
qsizetype Walkable(const QByteArray &piece, bool end)
{
    const qsizetype n = piece.size();
    return (!end && n > 0 && piece[n - 1] == '\r') ? n - 1 : n;
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

TPreviewReader::TResult TPreviewReader::Read(const QString &path, qint32 codeId, qint64 first, qint64 last)
{
    LastBytesRead = 0;
    LastBytesHeld = 0;
    TResult result;
    const QFileInfo info(path);
    if (!info.exists())
        return result;
    result.State = TState::Unreadable;
    result.FileSize = info.size();
    result.Modified = info.lastModified();
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return result;
    result.State = TState::Read;
    first = qMax<qint64>(first, 0);
    if (last < first)
        return result;

    // Where the text begins (a mark is skipped) and whether it is converted.
    TTextDecoder decoder;
    bool end = false;
    const QByteArray head = ReadPiece(file, 0, 4, end, LastBytesRead);
    const TDecodedText located = decoder.Locate(head, TSourceLines::ChoiceForCode(codeId));
    if (located.Text.isEmpty())
        return result; // no text at all
    const bool iso = located.NeedsConversion && located.CodeId == CodeId::Iso2022Jp;
    Forget(path, codeId, result.FileSize, result.Modified);
    if (Marks.empty())
        Marks.push_back({0, qint64(located.Text.data() - head.constData()), {}});

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
        const QByteArray piece = ReadPiece(file, pos, PieceSize, end, LastBytesRead);
        LastBytesHeld = qMax<qint64>(LastBytesHeld, piece.size());
        const qsizetype n = Walkable(piece, end);
        const char *p = piece.constData();
        qsizetype lastEnd = -1; // just after the last line end walked
        for (qsizetype i = 0; i < n && line < first; ++i) {
            if (p[i] == '\n' || (p[i] == '\r' && !(i + 1 < n && p[i + 1] == '\n'))) {
                ++line;
                lastEnd = i + 1;
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
        const QByteArray piece = ReadPiece(file, pos, PieceSize, end, LastBytesRead);
        const qsizetype n = Walkable(piece, end);
        const char *p = piece.constData();
        qsizetype i = 0;
        while (i < n && line <= last) {
            const char *stop = std::find_if(p + i, p + n, [](char c) { return c == '\n' || c == '\r'; });
            const qsizetype j = stop - p;
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
            i = j + ((p[j] == '\r' && j + 1 < n && p[j + 1] == '\n') ? 2 : 1);
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
