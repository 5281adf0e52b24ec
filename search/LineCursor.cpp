#include "LineCursor.h"

#include <cstring>

TLineCursor::TLineCursor(QByteArrayView text) : Text(text) {}

qsizetype TLineCursor::FindFrom(char c, qsizetype from, qsizetype &cache) const
{
    // memchr is fast, but on a file without CR asking it again for every
    // line would rescan the whole rest; remember where the next one is.
    if (cache >= from)
        return cache;
    const void *hit = memchr(Text.data() + from, c, size_t(Text.size() - from));
    cache = hit ? static_cast<const char *>(hit) - Text.data() : Text.size();
    return cache;
}

qsizetype TLineCursor::LineEnd()
{
    if (End < 0) {
        if (Start >= Text.size())
            End = Text.size();
        else
            End = qMin(FindFrom('\r', Start, NextCr), FindFrom('\n', Start, NextLf));
    }
    return End;
}

void TLineCursor::Next()
{
    const qsizetype end = LineEnd();
    if (end >= Text.size())
        Start = Text.size();
    else if (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n')
        Start = end + 2; // CR LF is one line end
    else
        Start = end + 1;
    End = -1;
    ++LineIndex;
}

void TLineCursor::MoveTo(qsizetype offset)
{
    while (!AtEnd() && offset >= LineEnd() && LineEnd() < Text.size())
        Next();
}
