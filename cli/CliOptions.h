#pragma once
// The command line of kestu-grep.

#include <QString>
#include <QStringList>

class TCliOptions
{
public:
    bool Recursive = false;
    int DepthLimit = 0;
    bool NoCase = false;
    bool UseRegExp = false;
    int CodeChoice = 0;
    QString FilterList = QStringLiteral("*");
    bool Json = false;
    bool Help = false;
    bool Version = false;
    QString FindText;
    QString TargetPath;

    // Parses the arguments after the program name; on failure returns false
    // and puts the reason in error.
    bool Parse(const QStringList &arguments, QString &error);

    static QString Usage();
    static QString HelpText();
};
