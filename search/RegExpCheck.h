#pragma once
// The check a regular expression passes before any file is searched: the
// library compiles it once, and a pattern it refuses is reported with a
// Japanese description, the character where the fault shows and the
// library's own words.

#include <QByteArrayView>
#include <QString>

class TRegExpCheck
{
public:
    // Empty when the pattern compiles, or when the library cannot be loaded
    // (the search itself reports that). pattern is Shift-JIS.
    static QString Problem(QByteArrayView pattern, bool noCase, const QString &library);

    // The message for a pattern the library refused with libraryText; position
    // is the 1-based character where the fault shows (0: not known).
    static QString Message(const QString &libraryText, qsizetype position);

    // A Japanese description of the library's English message; empty for a
    // message it does not know.
    static QString Describe(const QString &libraryText);
};
