#pragma once
// The two dialogs that choose a search target. The window asks through this
// interface so that tests can answer in place of a person.

#include <QString>

class QWidget;

class TTargetDialogs
{
public:
    virtual ~TTargetDialogs() = default;
    // A file-open dialog for any file; initialFile preselects a file,
    // initialFolder is where it opens. Empty when cancelled.
    virtual QString OpenFile(QWidget *owner, const QString &initialFile, const QString &initialFolder);
    // A folder browser with the title above it, the initial folder selected.
    // Empty when cancelled.
    virtual QString BrowseForFolder(const QString &title, const QString &initialFolder, QWidget *owner);
};
