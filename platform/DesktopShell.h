#pragma once
// Every request the program hands to the desktop goes through this
// interface; tests put a double in its place. No request reports whether
// the desktop could carry it out, except ShowProperties, whose caller has a
// properties view of its own to fall back to, and the start of a program or
// of a file's default program, which the user is told about when it fails.

#include <QString>
#include <QStringList>

class TDesktopShell
{
public:
    virtual ~TDesktopShell() = default;

    // A file, folder or address with its default application. Empty when
    // it was handed over, else why not (no program registered for it).
    virtual QString OpenDefault(const QString &target) = 0;
    // A program with its arguments, detached, never through a shell. Empty
    // when it started, else why not (a command line over the system's
    // limit, a program that cannot be executed).
    virtual QString StartProgram(const QString &program, const QStringList &arguments) = 0;
    // A .desktop launcher with files handed to it.
    virtual void LaunchDesktopEntry(const QString &entry, const QStringList &files) = 0;
    // Asks the file manager to show a file's properties; false when no file
    // manager took the request.
    virtual bool ShowProperties(const QString &path) = 0;

    // "Open this program text with these arguments", as TOpenDecision
    // decides it. Empty, or why a program could not be started.
    QString OpenProgram(const QString &programText, const QStringList &arguments);
};
