#pragma once
// The settings dialog "環境設定": the external tools (add, edit, delete,
// reorder), the shortcuts of the main window's commands and the folders a
// search leaves out. Every button acts at once on the host's data; there is
// no OK or Cancel, and closing keeps everything, the excluded folders as
// they stand in their field included. Created anew, shown modally and
// destroyed on each use.

#include "FileLimits.h"

#include <QDialog>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabBar;
class QTreeView;
class TSettingsHost;
class TToolRowsModel;
class TWKSpeedEdit;

class TForm3 : public QDialog
{
    Q_OBJECT
public:
    enum : int { ToolsTab = 0, ShortcutsTab = 1, SearchTab = 2 };

    explicit TForm3(TSettingsHost &host, QWidget *parent = nullptr);
    ~TForm3() override;

    // The shortcut code of a key pressed in the shortcut field: the
    // modifiers held, then the key; a lone Shift, Ctrl or Alt gives 0.
    // nativeScanCode lets Shift with a main-row digit count as that digit
    // whatever character the layout puts on it (0: not known).
    static quint16 CodeOfKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode = 0);

    // Controls and actions, named as in the dialog.
    QTabBar *TabControlBase = nullptr;
    QTreeView *ListViewTool = nullptr;
    QLabel *LabelCaption, *LabelFilePath, *LabelParam, *LabelShortCut, *LabelFilter;
    QLineEdit *EditCaption = nullptr;
    TWKSpeedEdit *EditFilePath = nullptr, *EditParam = nullptr, *EditShortCut = nullptr;
    QComboBox *EditFilter = nullptr;
    // The search tab: the excluded folder-name patterns and a hint.
    QWidget *SheetSearch = nullptr;
    QLabel *LabelExcludeDirs = nullptr, *LabelExcludeDirsHint = nullptr;
    QLineEdit *EditExcludeDirs = nullptr;
    // ...and the size and date filters, each with its on/off box; a value
    // field is enabled while its box is on.
    QLabel *LabelSizeFilter = nullptr, *LabelDateFilter = nullptr, *LabelFilterHint = nullptr;
    QCheckBox *CheckMinSize = nullptr, *CheckMaxSize = nullptr, *CheckNewer = nullptr, *CheckOlder = nullptr;
    QSpinBox *EditMinSize = nullptr, *EditMaxSize = nullptr;
    QComboBox *ComboMinSizeUnit = nullptr, *ComboMaxSizeUnit = nullptr; // バイト, KB, MB, GB
    QDateTimeEdit *EditNewer = nullptr, *EditOlder = nullptr;
    QPushButton *ButtonEditUp, *ButtonEditDown, *ButtonEditAdd, *ButtonEditEdit, *ButtonEditDelete;
    QAction *ActionEditAdd, *ActionEditEdit, *ActionEditDelete, *ActionEditUp, *ActionEditDown;
    QMenu *PopupMenuTool = nullptr;
    QMenu *PopupMenuParam = nullptr;

    // The row whose fields were changed but not applied; -1 for none.
    int EditingIndex = -1;

    void TabControlBaseChange();
    void UpdateEditFields();
    void ActionEditAddExecute();
    void ActionEditEditExecute();
    void ActionEditDeleteExecute();
    void ActionEditUpExecute();
    void ActionEditDownExecute();
    void EditFilePathButtonClick();
    void EditParamButtonClick();
    void EditShortCutButtonClick();
    // Puts the placeholder of the entry's tag in place of EditParam's
    // selection.
    void MenuParamClick(QAction *entry);
    // The text of one cell of the list.
    QString ListViewToolData(int row, int column) const;
    // The one selected row, or -1 when none or several are selected.
    int SelectedRow() const;
    void SelectRow(int row);

    // The file chooser (tests answer it): the chosen path, empty on cancel.
    std::function<QString(QWidget *parent, const QString &preset)> ChooseFile;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *MakeAction(const QString &caption, QPushButton *button, void (TForm3::*handler)());
    void EditChange();
    void EditShortCutKeyDown(QKeyEvent *event);
    bool ToolsTabActive() const;
    bool SearchTabActive() const;
    // Hands an edited exclusion list to the host, each pattern trimmed and
    // empty ones dropped; an untouched field leaves the host's text as is.
    void ApplyExcludeDirs();
    // The filters' rows, filled from the host, and what they stand for.
    void MakeFileLimitRows(int top);
    TFileLimitChoice FileLimitsShown() const;
    // Hands the filters to the host when they differ from its own.
    void ApplyFileLimits();
    void SwapWith(int offset);
    // The shortcut codes of every command the dialog lists: the window's
    // commands, then the tools.
    QList<quint16> ShortcutCodesOfCommands() const;
    // The name of the command at that index of ShortcutCodesOfCommands.
    QString CommandName(int command) const;
    // Whether the command at that index (-1: a tool being added) may take
    // the key: true when no other command holds it, or when the user lets
    // the two swap (the holder gets `previous`). Refused, the shortcut field
    // shows `previous` again.
    bool ClaimShortcut(quint16 code, int command, quint16 previous);

    TSettingsHost &Host;
    // The fields' values when filled: a value is taken over once edited.
    qint64 MinSizeAsFilled = 0, MaxSizeAsFilled = 0, NewerAsFilled = 0, OlderAsFilled = 0;
    TToolRowsModel *Rows = nullptr;
    bool Closed = false;
};
