#pragma once
// What the settings dialog edits in place: the main window's tools, the
// shortcuts of its commands, the folders a search leaves out and the files
// it takes by size and date. The main
// window implements this; the dialog keeps no copy of anything.

#include "FileLimits.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QAction;
class QWidget;
class TToolList;

class TSettingsHost
{
public:
    virtual ~TSettingsHost() = default;

    virtual TToolList &Tools() = 0;
    // The commands whose shortcuts the dialog lists, in the window's order.
    virtual QList<QAction *> ShortcutActions() const = 0;
    // The entries of the window's filter box.
    virtual QStringList FilterItems() const = 0;
    // A command's shortcut code, and setting it (menus follow at once).
    virtual quint16 ShortcutOf(const QAction *action) const = 0;
    virtual void SetShortcut(QAction *action, quint16 code) = 0;
    // The dialog is closing after editing the tools: the tool commands are
    // to be brought in line with them.
    virtual void ToolsChanged() = 0;
    // The folder-name patterns a search does not enter, comma-separated as
    // the settings file keeps them, and setting them.
    virtual QString ExcludeDirs() const = 0;
    virtual void SetExcludeDirs(const QString &list) = 0;
    // The size and date filters of a search, each with its on/off box.
    virtual TFileLimitChoice FileLimits() const = 0;
    virtual void SetFileLimits(const TFileLimitChoice &limits) = 0;
};
