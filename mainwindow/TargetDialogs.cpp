#include "TargetDialogs.h"

#include <QFileDialog>

QString TTargetDialogs::OpenFile(QWidget *owner, const QString &initialFile, const QString &initialFolder)
{
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::AnyFile); // a typed name that does not exist is taken too
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QStringLiteral("全てのファイル(*.*) (*)"));
    if (!initialFolder.isEmpty())
        dialog.setDirectory(initialFolder);
    if (!initialFile.isEmpty())
        dialog.selectFile(initialFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString TTargetDialogs::BrowseForFolder(const QString &title, const QString &initialFolder, QWidget *owner)
{
    return QFileDialog::getExistingDirectory(owner, title, initialFolder, QFileDialog::ShowDirsOnly);
}
