#pragma once
// The window's list of hits, kept compact: a few numbers per hit, each
// file's name once, and the context texts in large shared blocks, where the
// hits on one line share the bytes of the line they were cut from. A hit is
// rebuilt as a TGrepResult when it is asked for.

#include "GrepResult.h"

#include <QString>

#include <memory>
#include <vector>

class THitStore
{
public:
    THitStore() = default;
    THitStore(const THitStore &) = delete;
    THitStore &operator=(const THitStore &) = delete;

    qsizetype Size() const { return Count; }
    bool IsEmpty() const { return Count == 0; }

    // Appends one hit, or a whole batch (which is emptied).
    void Append(const TGrepResult &hit);
    void Append(std::vector<TGrepResult> &batch);

    // The hit at index (0 <= index < Size()).
    TGrepResult At(qsizetype index) const;
    const QString &FileNameAt(qsizetype index) const;

    // The largest line index and column held, and each character code of
    // the files held, once: what the list's number and code columns must fit.
    qint64 LargestLine() const { return MaxLine; }
    qint64 LargestColumn() const { return MaxColumn; }
    const std::vector<qint32> &CodeIds() const { return Codes; }

    // Drops every hit and gives the memory back to the system.
    void Clear();

    // The bytes the hits take: their entries, texts and names. (The blocks
    // are allocated whole, but the system provides their pages as they are
    // written.)
    qsizetype BytesUsed() const;

private:
    struct TEntry
    {
        qint64 Line;
        qint64 Column;
        qint64 HitLength;
        qint64 TextLength;    // TextFromHit's size
        qint64 LineOffset;    // where the line begins in the file, -1 not known
        quint32 Block;        // the text block
        quint32 Offset;       // where BeforeText begins in it
        quint32 File;         // index into Files
        quint8 BeforeLength;  // BeforeText's size
        quint8 Flags;
    };
    struct TFile
    {
        QString Name;
        qint32 CodeId;
        qint32 ArchiveEnd; // see TGrepResult
    };
    struct TTextBlock
    {
        std::unique_ptr<char[]> Bytes;
        qsizetype Capacity = 0;
        qsizetype Used = 0;
    };
    // The line piece the last texts were written to; a following hit on
    // the same line whose texts overlap it extends it instead.
    struct TOpenPiece
    {
        bool Valid = false;
        quint32 File = 0;
        qint64 Line = 0;
        qint64 LineOffset = 0; // where the piece begins in the line (0-based)
        qsizetype Length = 0;
        quint32 Block = 0;
        qsizetype Offset = 0;
    };

    static constexpr qsizetype EntriesPerBlock = 1 << 16;
    static constexpr qsizetype TextBlockSize = 1 << 20;
    enum : quint8 { AtLineStartFlag = 1, AtLineEndFlag = 2 };

    const TEntry &EntryAt(qsizetype index) const;
    quint32 FileIndexFor(const TGrepResult &hit);
    // Stores the hit's two texts; fills in the entry's Block and Offset.
    void StoreTexts(const TGrepResult &hit, quint32 file, TEntry &entry);
    bool ExtendOpenPiece(const TGrepResult &hit, quint32 file, qint64 pieceStart, TEntry &entry);
    // Room for length more bytes at the end of the last text block.
    TTextBlock &BlockWithRoom(qsizetype length);

    std::vector<std::unique_ptr<TEntry[]>> EntryBlocks;
    std::vector<TTextBlock> TextBlocks;
    std::vector<TFile> Files;
    TOpenPiece Piece;
    qsizetype Count = 0;
    qint64 MaxLine = 0;
    qint64 MaxColumn = 0;
    std::vector<qint32> Codes;
};
