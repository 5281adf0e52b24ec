#include "SourceLines.h"

#include "CodePage.h"

int TSourceLines::ChoiceForCode(qint32 codeId)
{
    switch (codeId) {
    case CodeId::EucJp: return 2;
    case CodeId::Iso2022Jp: return 3;
    case CodeId::Utf7: return 4;
    case CodeId::Utf8: return 5;
    case CodeId::Utf8N: return 6;
    // No choice names UTF-16; automatic detection finds it by its mark.
    case CodeId::Utf16Le:
    case CodeId::Utf16Be: return 0;
    default: return 1;
    }
}

bool TSourceLines::Open(const QString &path, qint32 codeId)
{
    Cursor.reset();
    Decoded = TDecodedText();
    Spans.clear();
    OpenPath = path;
    if (!Reader.Read(path))
        return false;
    Decoded = TTextDecoder().DecodeFile(Reader.Content(), ChoiceForCode(codeId));
    Cursor = std::make_unique<TLineCursor>(Decoded.Text);
    return true;
}

std::vector<TSourceLines::TLine> TSourceLines::Lines(qint64 first, qint64 last)
{
    std::vector<TLine> lines;
    first = qMax<qint64>(first, 0);
    if (!Cursor || last < first)
        return lines;
    while (!Cursor->AtEnd() && qint64(Spans.size()) <= last) {
        Spans.emplace_back(Cursor->LineStart(), Cursor->LineEnd());
        Cursor->Next();
    }
    for (qint64 i = first; i <= last && i < qint64(Spans.size()); ++i) {
        const auto [start, end] = Spans[size_t(i)];
        lines.push_back({i, Decoded.Text.sliced(start, end - start).toByteArray()});
    }
    return lines;
}
