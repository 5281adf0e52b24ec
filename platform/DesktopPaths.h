#pragma once
// Places and path forms the desktop provides.

#include <QString>

class TDesktopPaths
{
public:
    // The path form handed to tools and Send To entries. Paths here have no
    // short form; the full path stands in for it. Like a short form it exists
    // only for something on disk: a path that names nothing gives empty text.
    static QString ShortPath(const QString &path);

    // The folder whose launchers (*.desktop) make up the Send To menu:
    // $XDG_DATA_HOME/kestu/SendTo, by default ~/.local/share/kestu/SendTo,
    // with a trailing "/". Empty when no data folder is known.
    static QString SendToFolder();
};
