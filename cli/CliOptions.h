#pragma once
// The command line of kestu-grep.

#include "SearchOptions.h"

#include <QString>
#include <QStringList>

class TCliOptions
{
public:
    TCliOptions() { Search.FilterList = QStringLiteral("*"); }

    TSearchOptions Search;
    int Workers = 0; // 0: one per hardware thread
    bool Json = false;
    // --color=auto|always|never: auto colours the hits on a terminal unless
    // NO_COLOR is set to a non-empty value.
    enum class ColourWhen { Auto, Always, Never };
    ColourWhen Colour = ColourWhen::Auto;
    // -A, -B, -C: lines around each hit; -1 where not given. -A and -B
    // win over -C whatever their order.
    int After = -1;
    int Before = -1;
    int Context = -1;
    bool Count = false;            // --count: path:count per file with hits
    bool FilesWithMatches = false; // --files-with-matches: paths only
    bool Help = false;
    bool Version = false;

    // Parses the arguments after the program name; on failure returns false
    // and puts the reason in error.
    bool Parse(const QStringList &arguments, QString &error);

    // Whether hits are printed in colour, from --color, whether standard
    // output is a terminal and whether NO_COLOR is set. JSON is never coloured.
    bool ColourWanted(bool outputIsTerminal, bool noColourSet) const;

    bool ContextWanted() const { return After >= 0 || Before >= 0 || Context >= 0; }
    int LinesAfter() const { return After >= 0 ? After : qMax(Context, 0); }
    int LinesBefore() const { return Before >= 0 ? Before : qMax(Context, 0); }

    static QString Usage();
    static QString HelpText();
};
