#pragma once
// The desktop itself: QDesktopServices for default applications, QProcess
// for programs, GIO for launchers, the file manager's D-Bus interface for
// properties.

#include "DesktopShell.h"

class TSystemShell : public TDesktopShell
{
public:
    QString OpenDefault(const QString &target) override;
    QString StartProgram(const QString &program, const QStringList &arguments) override;
    void LaunchDesktopEntry(const QString &entry, const QStringList &files) override;
    bool ShowProperties(const QString &path) override;
};
