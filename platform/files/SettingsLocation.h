#pragma once
// Where kestu.ini lives. Beside the executable, named after it, when the
// executable's folder is writable (a build tree, a portable copy); otherwise,
// as for an installed program, in $XDG_CONFIG_HOME/kestu/ (by default
// ~/.config/kestu/). Reading and writing use the same place.

#include <QString>

class TSettingsLocation
{
public:
    // The rule itself. executablePath is the program's full path; an empty,
    // relative xdgConfigHome is ignored as the XDG rules say.
    static QString Path(const QString &executablePath, bool folderWritable, const QString &xdgConfigHome,
                        const QString &home);
    // The place for the running program, from its environment. The folder
    // of a per-user file is made when missing, so the close can write there.
    static QString ForThisProgram();
};
