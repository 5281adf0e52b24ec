#pragma once
// Walks the lines of a working text without copying them. A line ends at
// CR, at LF, or at the pair CR LF; a line end at the very end of the text
// adds no empty line.

#include <QByteArrayView>

class TLineCursor
{
public:
    explicit TLineCursor(QByteArrayView text);

    bool AtEnd() const { return Start >= Text.size(); }
    qint64 Index() const { return LineIndex; }
    qsizetype LineStart() const { return Start; }
    // Offset of the current line's end (its CR or LF, or the text's end).
    qsizetype LineEnd();
    QByteArrayView Line() { return Text.sliced(Start, LineEnd() - Start); }
    // Moves to the next line.
    void Next();
    // Moves forward to the line that holds the offset (offset >= LineStart()).
    void MoveTo(qsizetype offset);

    // The number of line ends in a text (CR LF counts once; a CR as the
    // text's last byte counts as one).
    static qint64 CountLineEnds(QByteArrayView text);
    // The number of lines a cursor walks through in a text; last: the text
    // ends the file, so a final line without line end counts too.
    static qint64 CountLines(QByteArrayView text, bool last);

private:
    qsizetype FindFrom(char c, qsizetype from, qsizetype &cache) const;

    QByteArrayView Text;
    qsizetype Start = 0;
    qint64 LineIndex = 0;
    qsizetype End = -1;     // cached end of the current line, -1 when unknown
    qsizetype NextCr = -1;  // cached positions of the next CR and LF
    qsizetype NextLf = -1;
};
