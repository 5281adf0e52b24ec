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
    bool Help = false;
    bool Version = false;

    // Parses the arguments after the program name; on failure returns false
    // and puts the reason in error.
    bool Parse(const QStringList &arguments, QString &error);

    // Whether hits are printed in colour, from --color, whether standard
    // output is a terminal and whether NO_COLOR is set. JSON is never coloured.
    bool ColourWanted(bool outputIsTerminal, bool noColourSet) const;

    static QString Usage();
    static QString HelpText();
};
