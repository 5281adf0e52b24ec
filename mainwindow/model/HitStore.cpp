#include "HitStore.h"

#include "FreeMemory.h"
#include "LineSearcher.h"

#include <algorithm>
#include <cstring>
#include <limits>

static_assert(TLineSearcher::BeforeLimit + 1 <= std::numeric_limits<quint8>::max(),
              "a hit's BeforeText must fit the entry's length byte");

void THitStore::Append(std::vector<TGrepResult> &batch)
{
    for (const TGrepResult &hit : batch)
        Append(hit);
    batch.clear();
}

void THitStore::Append(const TGrepResult &hit)
{
    if (Count == qsizetype(EntryBlocks.size()) * EntriesPerBlock)
        EntryBlocks.push_back(std::make_unique_for_overwrite<TEntry[]>(size_t(EntriesPerBlock)));
    TEntry &entry = EntryBlocks.back()[size_t(Count % EntriesPerBlock)];
    entry.Line = hit.Line;
    entry.Column = hit.Column;
    entry.HitLength = hit.HitLength;
    entry.LineOffset = hit.LineOffset;
    entry.TextLength = hit.TextFromHit.size();
    entry.BeforeLength = quint8(hit.BeforeText.size());
    entry.Flags = quint8((hit.AtLineStart ? AtLineStartFlag : 0) | (hit.AtLineEnd ? AtLineEndFlag : 0));
    entry.File = FileIndexFor(hit);
    StoreTexts(hit, entry.File, entry);
    ++Count;
    MaxLine = std::max(MaxLine, hit.Line);
    MaxColumn = std::max(MaxColumn, hit.Column);
}

quint32 THitStore::FileIndexFor(const TGrepResult &hit)
{
    // The hits of one file arrive together, so the last file is the one to ask.
    if (Files.empty() || Files.back().CodeId != hit.CodeId || Files.back().Name != hit.FileName)
    {
        Files.push_back({hit.FileName, hit.CodeId, hit.ArchiveEnd});
        if (std::find(Codes.begin(), Codes.end(), hit.CodeId) == Codes.end())
            Codes.push_back(hit.CodeId);
    }
    return quint32(Files.size() - 1);
}

void THitStore::StoreTexts(const TGrepResult &hit, quint32 file, TEntry &entry)
{
    // Where the texts begin in their line, when BeforeText ends at the hit.
    const qint64 pieceStart = hit.Column - 1 - hit.BeforeText.size();
    if (ExtendOpenPiece(hit, file, pieceStart, entry))
        return;
    const qsizetype length = hit.BeforeText.size() + hit.TextFromHit.size();
    TTextBlock &block = BlockWithRoom(length);
    char *at = block.Bytes.get() + block.Used;
    if (!hit.BeforeText.isEmpty())
        std::memcpy(at, hit.BeforeText.constData(), size_t(hit.BeforeText.size()));
    if (!hit.TextFromHit.isEmpty())
        std::memcpy(at + hit.BeforeText.size(), hit.TextFromHit.constData(), size_t(hit.TextFromHit.size()));
    entry.Block = quint32(TextBlocks.size() - 1);
    entry.Offset = quint32(block.Used);
    Piece = {true, file, hit.Line, pieceStart, length, entry.Block, block.Used};
    block.Used += length;
}

bool THitStore::ExtendOpenPiece(const TGrepResult &hit, quint32 file, qint64 pieceStart, TEntry &entry)
{
    if (!Piece.Valid || Piece.File != file || Piece.Line != hit.Line || pieceStart < Piece.LineOffset
        || pieceStart > Piece.LineOffset + Piece.Length)
        return false;
    TTextBlock &block = TextBlocks[Piece.Block];
    if (Piece.Offset + Piece.Length != block.Used)
        return false;
    const qsizetype into = qsizetype(pieceStart - Piece.LineOffset); // where the texts start in the piece
    const qsizetype length = hit.BeforeText.size() + hit.TextFromHit.size();
    const qsizetype overlap = std::min(length, Piece.Length - into);
    const qsizetype extra = length - overlap;
    if (extra > block.Capacity - block.Used)
        return false;
    // The overlap must hold the same bytes: the texts may not have been cut
    // where the column says (at a broken character, say).
    const char *piece = block.Bytes.get() + Piece.Offset + into;
    auto sameAt = [&](qsizetype from, const QByteArray &text, qsizetype textStart) {
        const qsizetype n = std::min(overlap - from, text.size());
        return n <= 0 || std::memcmp(piece + from, text.constData() + textStart, size_t(n)) == 0;
    };
    if (!sameAt(0, hit.BeforeText, 0) || !sameAt(hit.BeforeText.size(), hit.TextFromHit, 0))
        return false;
    // Append what lies past the piece's end.
    char *end = block.Bytes.get() + block.Used;
    for (qsizetype i = overlap; i < length; ++i)
        *end++ = i < hit.BeforeText.size() ? hit.BeforeText[i] : hit.TextFromHit[i - hit.BeforeText.size()];
    block.Used += extra;
    Piece.Length += extra;
    entry.Block = Piece.Block;
    entry.Offset = quint32(Piece.Offset + into);
    return true;
}

THitStore::TTextBlock &THitStore::BlockWithRoom(qsizetype length)
{
    if (!TextBlocks.empty() && TextBlocks.back().Capacity - TextBlocks.back().Used >= length)
        return TextBlocks.back();
    // A text longer than a block (a very long match) gets a block of its own.
    const qsizetype capacity = std::max(length, TextBlockSize);
    TTextBlock block;
    block.Bytes = std::make_unique_for_overwrite<char[]>(size_t(capacity));
    block.Capacity = capacity;
    TextBlocks.push_back(std::move(block));
    Piece.Valid = false;
    return TextBlocks.back();
}

const THitStore::TEntry &THitStore::EntryAt(qsizetype index) const
{
    return EntryBlocks[size_t(index / EntriesPerBlock)][size_t(index % EntriesPerBlock)];
}

TGrepResult THitStore::At(qsizetype index) const
{
    const TEntry &entry = EntryAt(index);
    const TFile &file = Files[entry.File];
    const char *texts = TextBlocks[entry.Block].Bytes.get() + entry.Offset;
    TGrepResult hit;
    hit.AtLineStart = entry.Flags & AtLineStartFlag;
    hit.AtLineEnd = entry.Flags & AtLineEndFlag;
    hit.Line = entry.Line;
    hit.Column = entry.Column;
    hit.CodeId = file.CodeId;
    hit.HitLength = entry.HitLength;
    hit.LineOffset = entry.LineOffset;
    hit.FileName = file.Name;
    hit.ArchiveEnd = file.ArchiveEnd;
    hit.BeforeText = QByteArray(texts, entry.BeforeLength);
    hit.TextFromHit = QByteArray(texts + entry.BeforeLength, entry.TextLength);
    return hit;
}

const QString &THitStore::FileNameAt(qsizetype index) const
{
    return Files[EntryAt(index).File].Name;
}

void THitStore::Clear()
{
    const bool held = !EntryBlocks.empty() || !TextBlocks.empty();
    std::vector<std::unique_ptr<TEntry[]>>().swap(EntryBlocks);
    std::vector<TTextBlock>().swap(TextBlocks);
    std::vector<TFile>().swap(Files);
    Piece = {};
    Count = 0;
    MaxLine = 0;
    MaxColumn = 0;
    Codes.clear();
    if (held)
        ReleaseFreeMemory();
}

qsizetype THitStore::BytesUsed() const
{
    qsizetype bytes = Count * qsizetype(sizeof(TEntry));
    for (const TTextBlock &block : TextBlocks)
        bytes += block.Used;
    for (const TFile &file : Files)
        bytes += qsizetype(sizeof(TFile)) + file.Name.size() * 2;
    return bytes;
}
