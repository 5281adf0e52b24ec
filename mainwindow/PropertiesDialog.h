#pragma once
// A file's properties when no file manager shows them: name, folder, size,
// last change, permissions, owner and the character code detected from its
// contents.

#include <QDialog>

class TPropertiesDialog : public QDialog
{
    Q_OBJECT
public:
    TPropertiesDialog(const QString &path, QWidget *parent = nullptr);
};
