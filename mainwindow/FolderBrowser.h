#pragma once
// A folder browser of the program's own, over the file system's bytes:
// names that are not UTF-8 (Shift-JIS names from Windows archives) are shown
// decoded, as the result list shows them, and kept as the bytes they are, so
// they can be opened and chosen. Qt's dialogs leave such names out.
//
// In folder mode it chooses a folder: the selected one, or the one shown.
// In file mode it lists files too and chooses a file.
//
// Keys: Enter opens the selected folder (or chooses the selected file),
// Backspace and Alt+Up go to the parent folder, and a path typed into the
// field above the list and confirmed with Enter is shown.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

class TFolderBrowser : public QDialog
{
    Q_OBJECT

public:
    enum class TMode { Folders, Files };

    TFolderBrowser(const QString &title, TMode mode, QWidget *parent = nullptr);

    // Shows a folder (a path with its bytes); false when it cannot be read,
    // and then the folder shown before stays.
    bool ShowFolder(const QString &folder);
    // Selects the entry of that name in the folder shown.
    void SelectName(const QString &name);
    // The folder shown, ending in "/".
    const QString &Folder() const { return Current; }
    // What OK chooses now: a folder ending in "/" or a file; empty when
    // nothing can be chosen (file mode without a file selected).
    QString Chosen() const;

    // Shows the browser modally from `start` (a folder, or a file whose
    // folder opens with it selected). Empty when cancelled.
    static QString Choose(const QString &title, TMode mode, const QString &start, QWidget *parent);

    QListWidget *List() const { return Entries; }
    QLineEdit *PathField() const { return PathEdit; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void GoUp();
    void OpenItem(QListWidgetItem *item);
    void GoToTyped();
    void AcceptChoice();
    void UpdateButtons();

    TMode Mode;
    QString Current;
    QLabel *Title;
    QLineEdit *PathEdit;
    QToolButton *UpButton;
    QListWidget *Entries;
    QLabel *Problem;
    QPushButton *OkButton;
};
