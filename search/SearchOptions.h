#pragma once
// What a front end asks of one search, as typed in the window or given on
// the command line, and the checks every search passes before it starts.

#include "FileLimits.h"
#include "ArchiveWalker.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TGrepThread;

class TSearchOptions
{
public:
    bool Recursive = false;
    bool NoCase = false;
    bool UseRegExp = false;
    int DepthLimit = 0;
    int CodeChoice = 0;
    QString FindText;
    QString TargetPath;
    QString FilterList;
    QStringList ExcludeDirs;
    bool FollowLinks = false;
    // Files taken only within these sizes and times (all off by default).
    TFileLimits Limits;
    // Full-width and half-width forms, and hiragana and katakana, match
    // each other.
    bool IgnoreWidth = false;
    bool IgnoreKana = false;
    // Archives and compressed files are searched member by member.
    bool SearchArchives = false;
    TArchiveLimits ArchiveLimits;
    // TNotationFold flags for the two above.
    unsigned Notation() const;
    // The regular-expression library the search loads.
    QString RegExpLibrary = QStringLiteral("libbregexp.so");

    // The reason the search cannot start, to be shown as it is: the target
    // is neither a file nor a folder, the search text is empty, or it holds
    // a character Shift-JIS cannot represent, or the regular expression
    // does not compile (nothing has been read yet). Empty when the search may
    // start; findText then holds the search text in Shift-JIS, and is
    // empty otherwise.
    QString Check(QByteArray &findText) const;
    // The checks of the search text alone, which need no file.
    QString CheckText(QByteArray &findText) const;
    // Hands these options, with the search text as Check produced it, to a
    // worker that has not started yet.
    void ApplyTo(TGrepThread &worker, const QByteArray &findText) const;
};
