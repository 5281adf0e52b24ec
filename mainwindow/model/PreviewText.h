#pragma once
// What the preview pane shows for one hit: the lines around it as text, with
// their numbers, where the hit lies in its line, and a note when the file has
// gone or changed since the search. Built from what TPreviewReader read;
// nothing here needs a widget.

#include "GrepResult.h"
#include "PreviewReader.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TPreviewText
{
public:
    enum class TStatus {
        Shown,      // the hit is where the search found it
        Updated,    // it still is, but the file was written after the search began
        Changed,    // the line no longer holds the hit
        Missing,    // the file has gone
        Unreadable, // it cannot be opened
    };
    struct TShownLine
    {
        qint64 Number = 0;       // 1-based, as the list shows it
        QString Text;            // the line, shortened around the hit when long
        qsizetype HitStart = -1; // position of the hit in Text, -1 on other lines
        qsizetype HitLength = 0;
    };

    // Lines shown before and after the hit's line.
    static constexpr int ContextLines = 10;
    // Working-text bytes shown of a line; a longer one is shortened, around
    // the hit on the hit's line.
    static constexpr qsizetype ShownBytes = 2000;

    // The first and last line (0-based) to read for a hit.
    static qint64 FirstLine(const TGrepResult &hit) { return qMax<qint64>(0, hit.Line - ContextLines); }
    static qint64 LastLine(const TGrepResult &hit) { return hit.Line + ContextLines; }

    // searchStart: when the search that found the hit began (invalid: not known).
    static TPreviewText Make(const TGrepResult &hit, const TPreviewReader::TResult &read,
                             const QDateTime &searchStart);

    TStatus Status = TStatus::Missing;
    QString Note;                  // empty when the hit is shown as found
    std::vector<TShownLine> Lines;
    int HitRow = -1;               // index into Lines of the hit's line, -1 when not there

private:
    static TShownLine ShowLine(qint64 index, QByteArrayView text, bool cut);
    static TShownLine ShowHitLine(qint64 index, QByteArrayView text, bool cut, qsizetype hitStart,
                                  qsizetype hitLength);
};
