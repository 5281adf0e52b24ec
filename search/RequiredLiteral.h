#pragma once
// Finds a piece of plain text that every match of a regular expression must
// contain within its line, so that lines without it need not be handed to
// the library at all. Conservative: whenever the pattern holds something
// this reader does not fully understand, the answer is empty (no shortcut).

#include <QByteArray>
#include <QByteArrayView>

class TRequiredLiteral
{
public:
    // The longest run of literal characters that stands outside every group,
    // class and quantifier in a pattern without top-level alternatives.
    // Trailing blanks are left off (a match may use the blank appended
    // after each line). Shift-JIS aware: a double-byte character is one.
    // With noCase only a pure ASCII run is returned, lower-cased.
    static QByteArray Find(QByteArrayView pattern, bool noCase);
};
