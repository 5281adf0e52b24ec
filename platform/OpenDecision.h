#pragma once
// How the desktop opens "this program text with these arguments": an
// executable file (a path, or a bare name found on PATH) is started with the
// arguments; a .desktop launcher is launched with the arguments as its
// files; anything else (a document, a folder, an address) goes to its
// default application, and the arguments are dropped.

#include <QString>

#include <functional>

class TOpenDecision
{
public:
    enum TKind { Start, Launch, OpenDefault, Nothing };
    struct TChoice
    {
        TKind Kind = Nothing;
        QString Target; // the program's full path, the launcher, or what to open
        friend bool operator==(const TChoice &, const TChoice &) = default;
    };
    using TFindProgram = std::function<QString(const QString &name)>;

    // An empty text gives Nothing.
    static TChoice Decide(const QString &programText, const TFindProgram &findProgram);
    // The same with the programs on PATH.
    static TChoice Decide(const QString &programText);
};
