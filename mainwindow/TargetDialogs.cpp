#include "TargetDialogs.h"

#include "FolderBrowser.h"

// Both go through the program's own browser: the desktop's dialogs leave out
// the names that are not UTF-8, which are the very names of old archives.
QString TTargetDialogs::OpenFile(QWidget *owner, const QString &initialFile, const QString &initialFolder)
{
    return TFolderBrowser::Choose(QString(), TFolderBrowser::TMode::Files,
                                  initialFile.isEmpty() ? initialFolder : initialFile, owner);
}

QString TTargetDialogs::BrowseForFolder(const QString &title, const QString &initialFolder, QWidget *owner)
{
    return TFolderBrowser::Choose(title, TFolderBrowser::TMode::Folders, initialFolder, owner);
}
