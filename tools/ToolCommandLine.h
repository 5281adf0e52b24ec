#pragma once
// Fills a tool's argument template from a hit. The template is split into
// arguments first (blanks separate them, double quotes group them), and the
// placeholders are filled inside each argument, so a path or hit text with
// blanks, quotes or shell characters stays exactly one argument and never
// meets a shell.
//
// Placeholders (letter case ignored): %F the file's path, %D its folder
// with a trailing "/", %R the hit text, %L the line counted from 1, %N the
// byte column, %B the hit's length in bytes. The template is read once, left
// to right; what a placeholder inserts is never read again, so a file named
// "%E6%B4.txt" reaches the tool as it is. Any other "%" stays as written.

#include <QString>
#include <QStringList>

class TGrepResult;
class TToolItems;

class TToolCommandLine
{
public:
    struct TValues
    {
        QString F, D, R, L, N, B;
    };
    struct TLaunch
    {
        QString Program;
        QStringList Arguments;
        // Program came from the filled template, not from a program file the
        // user chose: it names a document (usually the hit's own file), which
        // is opened with the desktop's default program and never run.
        bool Document = false;
        friend bool operator==(const TLaunch &, const TLaunch &) = default;
    };

    // The values of a hit; all empty without one. F and D are empty when the
    // hit's file no longer exists.
    static TValues ValuesOf(const TGrepResult *hit);

    // One argument with its placeholders filled.
    static QString Fill(const QString &argument, const TValues &values);

    // The program and its arguments for a tool (nullptr: no tool, nothing
    // but empty texts). An argument that only held placeholders with empty
    // values is left out. A tool without FilePath opens its filled template
    // instead, the arguments joined by blanks, as a document (Document).
    static TLaunch Build(const TToolItems *tool, const TValues &values);
};
