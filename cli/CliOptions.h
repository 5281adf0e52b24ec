#pragma once
// The command line of kestu-grep.

#include "SearchOptions.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class TCliOptions
{
public:
    TCliOptions() { Search.FilterList = QStringLiteral("*"); }

    TSearchOptions Search;
    // Files and folders to search, in the order given; "-" stands for
    // standard input. Empty: standard input (when it is not a terminal).
    QStringList Targets;
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
    bool WordRegexp = false;       // -w: no ASCII word character beside a hit
    bool OnlyMatching = false;     // -o: the hit's text only
    int MaxCount = -1;             // -m N: at most N hits per file; -1: all
    bool Quiet = false;            // -q: no output, success at the first hit
    bool NoMessages = false;       // -s: no line for a file that cannot be read
    bool NullAfterPath = false;    // --null: NUL after each path of -l/--count
    bool NoFileName = false;       // --no-filename (-H: the default, names shown)
    // --output-encoding: the iconv name of the code paths and texts are
    // written in; empty for UTF-8 (the default).
    QByteArray OutputCode;
    // --hyperlink=auto|always|never: OSC 8 links to the files; auto links
    // on a terminal. Off by default.
    ColourWhen Hyperlink = ColourWhen::Never;
    bool HyperlinksWanted(bool outputIsTerminal) const;
    // The moment relative times ("7d") count back from.
    QDateTime Now = QDateTime::currentDateTime();
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
