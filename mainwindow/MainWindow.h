#pragma once
// The main window: the input panel, the result list, the status bar, the
// menus and actions, and the window's side of a search. One class; its
// member functions live in one source file per feature:
//   MainWindow.cpp          construction
//   MainWindowLayout.cpp    setup and result panels, status bar, anchors
//   MainWindowActions.cpp   actions and menus (from TActionTable)
//   MainWindowSearch.cpp    start, cancel, exit, the search's reports
//   MainWindowStartup.cpp   start-up arguments, single instance
//   MainWindowSettings.cpp  reading, capturing and writing the settings
//   MainWindowTarget.cpp    target dialogs, drops, the filter box's state
//   MainWindowView.cpp      view and option commands on the list and panel
//   MainWindowOptions.cpp   going up from the target, help commands
//   MainWindowPreview.cpp   the preview pane below the result list

#include "ActionTable.h"
#include "GrepReporter.h"
#include "GrepResult.h"
#include "GrepSettings.h"
#include "HitStore.h"
#include "ResultDisplay.h"
#include "ResultExport.h"
#include "StartArguments.h"
#include "SettingsHost.h"
#include "ToolList.h"

#include <QAction>
#include <QDateTime>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class THistory;
class TMemberCopies;
class QSplitter;
class QFrame;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;
class QTimer;
class QUrl;
class QToolButton;
class TAnchors;
class TIniFile;
class TGrepThread;
class TResultListView;
class TSingleInstance;
class TStatusBar;
class TTargetDialogs;
class TForm3;
class TWKSpinEdit;
class TDesktopShell;
class TPreviewPane;
class TPreviewReader;
class TPreviewLoader;
class QKeyEvent;

class TForm1 : public QMainWindow, public TGrepReporter, public TSettingsHost
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Designed sizes of the layout (the placement is in TWindowDefaults).
    static constexpr int MinimumWidth = 450;
    static constexpr int SetupHeightWithDetail = 193;
    static constexpr int SetupHeightWithoutDetail = 169;

    // Controls, named as on the window.
    QFrame *PanelSetup = nullptr;
    QFrame *PanelResult = nullptr;
    TStatusBar *StatusBar1 = nullptr;
    QLabel *LabelTarget = nullptr;
    QComboBox *ComboBoxTarget = nullptr;
    QString TargetBehindText; // the path the target field's text stands for (SetTargetText)
    QToolButton *SpeedButtonTarget = nullptr;
    QLabel *LabelFilter = nullptr;
    QComboBox *ComboBoxFilter = nullptr;
    QLabel *LabelFind = nullptr;
    QComboBox *ComboBoxGrep = nullptr;
    QLabel *LabelCode = nullptr;
    QComboBox *ComboBoxCode = nullptr;
    QLabel *LabelSubLimit = nullptr;
    TWKSpinEdit *EditSubLimit = nullptr;
    QToolButton *SpeedButtonDetail = nullptr;
    QCheckBox *CheckBoxRegExpr = nullptr;
    QCheckBox *CheckBoxSubDirectory = nullptr;
    QCheckBox *CheckBoxIgnoreCase = nullptr;
    QCheckBox *CheckBoxIgnoreWidth = nullptr;
    QCheckBox *CheckBoxIgnoreKana = nullptr;
    QPushButton *ButtonCancel = nullptr;
    QPushButton *ButtonGrep = nullptr;
    QToolButton *SpeedButtonAlignL = nullptr;
    QToolButton *SpeedButtonAlignC = nullptr;
    QToolButton *SpeedButtonAlignR = nullptr;
    TResultListView *ListViewResult = nullptr;
    QMenu *PopupMenuRefer = nullptr;
    QMenu *PopupMenuResult = nullptr;

    // Actions of ActionListMain, in list order.
    QList<QAction *> ActionListMain;
    QAction *ActionFileOpenFile, *ActionFileOpenDirectory, *ActionFileGrep, *ActionFileCancel,
        *ActionFileExit, *ActionViewDetail, *ActionViewTargetParent, *ActionViewFType0,
        *ActionViewFType1, *ActionViewFType2, *ActionViewAlignL, *ActionViewAlignC, *ActionViewAlignR,
        *ActionOptionTool, *ActionOptionSubDirectory, *ActionOptionRegExpr, *ActionOptionIgnoreCase,
        *ActionOptionMutex, *ActionOptionAutoFilter, *ActionOptionAutoColumn, *ActionHelpReadme,
        *ActionHelpOnlineHelp, *ActionToolsShellExecute, *ActionToolsDirectory, *ActionToolsProperty,
        *ActionToolsResultFileFile, *ActionToolsResultFileDirectory, *ActionToolsResultFilePath,
        *ActionToolsResultTarget;

    // External tools and Send To: the tools, the commands made from them
    // (only ever added; those beyond the lists are hidden and disabled), the
    // Send To launchers.
    TToolList ToolList;
    QList<QAction *> ActionListTools;
    QList<QAction *> ActionListSendTo;
    QStringList SendToList;
    QMenu *MenuToolsSendTo = nullptr;
    QMenu *MenuToolsResult = nullptr;
    QAction *MenuToolsShellExecute = nullptr, *MenuToolsDirectory = nullptr, *MenuToolsProperty = nullptr;
    QAction *ActionFileSaveResult = nullptr; // 検索結果を保存(&A)..., Ctrl+S
    QAction *ActionToolsResultCopyRow = nullptr; // 行をコピー; its key works in the list only
    QAction *ActionOptionIgnoreWidth = nullptr; // 全角と半角を区別しない(&W)
    QAction *ActionOptionIgnoreKana = nullptr;  // ひらがなとカタカナを区別しない(&K)
    QAction *ActionOptionSearchArchives = nullptr; // アーカイブの中も検索(&Z)
    QAction *MenuToolsResultCopyRow = nullptr;  // its entry in the list's menu
    // Without a settings file the tools start as the editors found.
    void LoadTools(const TIniFile &file, bool fileExists);
    void SaveTools(TIniFile &file) const;
    void BuildToolActions();
    void SettleShortcutClashes();
    void ActionToolsExecute(QAction *sender);
    void ListSendToLinks();
    void BuildSendToMenu();
    void ActionToolsSendToExecute(QAction *sender);
    // The desktop's requests (tests put a double here).
    std::unique_ptr<TDesktopShell> Shell;
    // Commands on the selected hit.
    std::optional<TGrepResult> SelectedHit() const;
    // The selected hit with a file of its own: a hit inside an archive
    // names a copy of its member (made once, in a private folder); none
    // when the copy cannot be made (the status bar says why).
    std::optional<TGrepResult> SelectedHitOnDisk();
    // The file in the file tree a hit lies in: itself, or its archive.
    static QString TreeFileOf(const TGrepResult &hit);
    std::unique_ptr<TMemberCopies> MemberCopies;
    void PopupMenuResultPopup();
    void ActionToolsShellExecuteExecute();
    void ActionToolsDirectoryExecute();
    void ActionToolsPropertyExecute();
    void ActionToolsResultFileFileExecute();
    void ActionToolsResultFileDirectoryExecute();
    void ActionToolsResultFilePathExecute();
    void ActionToolsResultTargetExecute();
    void ListViewResultDblClick();
    // Enter runs the double click's tool; true when the key was taken.
    bool ListViewResultKeyPress(QKeyEvent *event);
    void CopySelectedRow();
    void CreateExportCommand(QMenu *fileMenu);
    void ActionFileSaveResultExecute();
    // Saves every hit; a failure is shown with the file and the reason.
    bool SaveResultList(const QString &path, TResultExport::Format format);

    // The preview pane: off by default; while on it shows the current hit's
    // file around the hit and follows the current row.
    QAction *ActionViewPreview = nullptr; // プレビュー(&W)
    QSplitter *SplitterResult = nullptr;  // the result list above, the pane below
    TPreviewPane *PreviewPane = nullptr;
    std::unique_ptr<TPreviewReader> PreviewReader;
    // Files above this size are read for the pane on the loader's thread.
    static constexpr qint64 AsidePreviewSize = qint64(8) << 20;
    TPreviewLoader *PreviewLoader = nullptr;
    quint64 PreviewTicket = 0;
    std::optional<TGrepResult> PendingPreview; // the hit the loader reads for
    // When the search of the listed hits began: a file written later has
    // changed since the search.
    QDateTime SearchStartTime;
    void CreatePreviewCommand(QMenu *viewMenu);
    void CreatePreviewPane();
    void ActionViewPreviewExecute();
    // Shows the current row's hit in the pane (nothing while it is hidden).
    void UpdatePreview();
    // Gives the pane its remembered height.
    void FitPreviewHeight();

    // Search state.
    // The listed hits, and the batch the search hands over before it joins them.
    THitStore HitList;
    std::vector<TGrepResult> HitInbox;
    TGrepThread *GrepThread = nullptr;
    int TargetBaseLength = 0;
    TResultDisplay Display;
    // The regular-expression library a search loads (a test may point it elsewhere).
    QString RegExpLibrary;

    // Commands.
    void ActionFileGrepExecute();
    void ActionFileCancelExecute();
    void ActionFileExitExecute();
    void ActionViewDetailExecute();
    void ActionViewFTypeExecute(QAction *sender);
    void ActionViewAlignExecute(QAction *sender);
    void ActionOptionSubDirectoryExecute();
    void ActionOptionAutoColumnExecute();
    // Goes up one folder level from the target's text; from a file, with
    // the automatic filter choice on, the filter follows its extension.
    void ActionViewTargetParentExecute();
    // Opens readme.txt with the desktop's program for it.
    void ActionHelpReadmeExecute();
    // Shows the manual's address and, on OK, opens it.
    void ActionHelpOnlineHelpExecute();
    // The file URL of the manual.
    static QString OnlineHelpAddress();
    // Opens the settings dialog modally; it edits the tools, the shortcuts
    // and the excluded folders.
    void ActionOptionToolExecute();
    // The settings dialog while it is open.
    TForm3 *Form3 = nullptr;

    // What the settings dialog edits.
    TToolList &Tools() override { return ToolList; }
    QList<QAction *> ShortcutActions() const override { return ActionListMain; }
    QStringList FilterItems() const override;
    quint16 ShortcutOf(const QAction *action) const override;
    // Sets the shortcut the menus show and the settings file keeps.
    void SetShortcut(QAction *action, quint16 code) override;
    void ToolsChanged() override
    {
        BuildToolActions();
        emit ToolListEdited();
    }
    // The next search and the settings file take the list from Settings.
    QString ExcludeDirs() const override { return Settings.ExcludeDirs; }
    void SetExcludeDirs(const QString &list) override { Settings.ExcludeDirs = list; }
    TFileLimitChoice FileLimits() const override { return Settings.FileLimits; }
    void SetFileLimits(const TFileLimitChoice &limits) override { Settings.FileLimits = limits; }

    // Hands a file or address to the desktop (tests see what is asked).
    std::function<void(const QUrl &)> OpenDocument;
    // One command-line or handed-over argument (see TStartArguments).
    void ApplyArgument(const QString &text);
    void ApplyStartArguments(const TStartArguments &arguments);
    void ActionFileOpenFileExecute();
    void ActionFileOpenDirectoryExecute();
    // The filter box (and its label) is enabled exactly while the target
    // names an existing folder.
    void UpdateFilterState();
    // Brings the window to the front, restored if minimised.
    void ForceForeground();
    // Collapses the selections of the three input boxes; with
    // unfocusedOnly a box that has the focus keeps its selection.
    void ClearComboSelections(bool unfocusedOnly);
    // Sets the target from a dropped or handed-over path: a file as it is,
    // a folder with a trailing "/"; false when it is neither.
    bool SetTargetFromPath(const QString &path);
    // The target field shows a name that is not UTF-8 decoded (ShownPath);
    // the path it stands for is kept beside it, and is the target as long
    // as the field still shows exactly that name.
    void SetTargetText(const QString &path);
    QString TargetPath() const;
    // Says in the status bar why a file or folder did not open (no word
    // when reason is empty).
    void ReportOpenFailure(const QString &reason, const QString &path);
    // The text a box stands for: the target box's path with its bytes.
    QString BoxText(const QComboBox *box) const;
    void ShowHistory(QComboBox *box, const THistory &history, const QString &text);
    // The drop handler: the first dropped item becomes the target.
    void DropFiles(const QList<QUrl> &items);
    // The same for addresses as the text/uri-list gives them.
    void DropFiles(const QList<QByteArray> &items);
    // What a drop brings: its address list, else its URLs.
    void DropData(const QMimeData &data);
    // Replaces the dialogs (tests answer them).
    void SetTargetDialogs(std::unique_ptr<TTargetDialogs> dialogs);
    // Puts a box's text at the top of its history.
    void AddHistory(QComboBox *box);
    // The history a box keeps (THistory::TargetBox, ...); -1 for a box
    // without one.
    int HistoryTagOf(const QComboBox *box) const;
    // Whether a search runs (the search command is disabled meanwhile).
    bool Searching() const { return !ActionFileGrep->isEnabled(); }

    // The search's reports.
    void UpdateStatus(const QString &targets, const QString &hits, const QString &state) override;
    void ShowHitCount(qsizetype count) override;
    // Up to this many rows the list grows with every batch of hits.
    static constexpr qsizetype FewRows = 1000;
    void SearchDone() override;
    void ShowMessage(const QString &text, bool warning) override;
    // Counted; the end of the search says how many and names the first.
    void FileNotRead(const QString &path, const QString &reason) override;
    // The status text that ends a search in which count files or folders
    // could not be searched, the first being path (for reason).
    static QString NotSearchedNote(qsizetype count, const QString &path, const QString &reason);

    // The settings file: empty for none (tests); main() sets the file
    // beside the executable.
    QString SettingsPath;
    // What the settings file holds; kept from start-up to close so that
    // values without an exact control (system colours, shortcut codes the
    // keyboard map cannot show) are written back as they were read.
    TGrepSettings Settings;
    // The reading pass up to the command-line arguments, and its last two
    // steps (window state, file form and alignment) after them.
    void ReadSettings(const TIniFile &file);
    void FinishSettings();
    // Takes what the window shows into Settings (all but the colours, marks
    // and shortcuts, which only the settings change).
    void CaptureSettings();
    // The writing pass into a copy of the file as it stands.
    void WriteSettings(TIniFile &file);
    // Reads the settings file (when there is one).
    void LoadSettingsFile();
    // Writes the settings file; on failure tells the user which file and why.
    // A file that is there but cannot be read is left alone: writing it
    // would lose the sections the window does not own.
    bool SaveSettingsFile();
    // Closes as the close command does, for a termination signal: nobody
    // may be there to answer a box, so a failure to save the settings is
    // written to standard error instead and ExitStatus() becomes 1.
    void CloseForSignal();
    // What the program returns at its end: 0, or 1 after a close for a
    // signal that could not save the settings.
    int ExitStatus() const { return SignalCloseFailed ? 1 : 0; }
    // An exit signal came (CloseForSignal), during the start-up too: the
    // program ends instead of showing its window.
    bool EndedBySignal() const { return ClosingForSignal; }

    // The start-up after construction: the settings file, the command-line
    // arguments, the single-instance lock, and the states that depend on
    // them, in that order.
    void Start(const QStringList &arguments);
    // Takes or releases the single-instance name as the option says.
    void UpdateSingleInstance();
    // The name to hold (tests use their own).
    QString SingleInstanceName;
    TSingleInstance *SingleInstance = nullptr;
    bool ClosingForSignal = false;
    bool SignalCloseFailed = false;

    // Brings the layout and the enabled states in line with what the
    // command-line arguments set.
    void AfterArguments();
    // Lays the detail rows out as ActionViewDetail says.
    void UpdateDetailLayout();
    // Puts the alignment buttons into status panel 3.
    void PlaceAlignButtons();

signals:
    // The settings dialog has closed after editing ToolList; the tool
    // commands follow it.
    void ToolListEdited();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *MakeAction(const TActionTable::TEntry &entry);
    void CreateActions();
    void ConnectActions();
    void CreateMenus();
    void CreateSetupPanel();
    void CreateTextRows();
    void CreateDetailRow();
    void CreateOptionRows();
    void CreateAlignButtons();
    QLabel *MakeLabel(const QString &caption, int x, int y);
    QComboBox *MakeCombo(bool editable, const QString &hint, const QRect &box, int sides);
    void SetTabOrder();
    void CreateResultPanel();
    TResultListView *NewListViewResult();
    void ConnectListViewResult();
    void RenewListViewResult();
    void CreateStatusBar();
    void BindCheckBox(QCheckBox *box, QAction *action);
    void ConnectOptionCommands();
    void StartSizeMoveWatch();
    // Stops and releases the worker; false when that has to wait until the
    // worker's current call has returned (the worker is asked to stop).
    bool StopSearch();
    void ListViewResultSelectItem(int row, bool selected);
    void CreateResultCommands();
    // A menu entry that shows an action and runs it; with followEnabled it
    // also takes the action's enabled state.
    QAction *FollowingEntry(QMenu *menu, QAction *action, const QString &name, bool followEnabled);
    void Message(const QString &text);
    static QStringList ItemsOf(const QComboBox *box);
    // The title of the window and of its message boxes.
    static QString AppCaption();

    TAnchors *SetupAnchors = nullptr;
    bool CloseWhenDone = false; // a close came while the worker's call ran
    // Files and folders the running search could not search, and the first.
    qsizetype NotSearched = 0;
    QString FirstNotSearched;
    QString FirstNotSearchedReason;
    std::unique_ptr<TTargetDialogs> Dialogs;
    QSize SizeAtMoveStart;
    QTimer *SizeMoveEnd = nullptr; // fires when the user has stopped sizing
    // The rows of hits that arrived are shown at the latest when it fires.
    QTimer *RowsDue = nullptr;
    // Lists every hit that has arrived.
    void ShowArrivedRows();
};
