// The commands on the selected hit: the result list's context menu, its
// seven commands, and what a double click or Enter on a hit does.

#include "MainWindow.h"

#include "StatusBar.h"

#include "ClipboardText.h"
#include "DesktopShell.h"
#include "FileKind.h"
#include "HitRow.h"
#include "Cp932.h"
#include "MemberCopies.h"
#include "PathText.h"
#include "PropertiesDialog.h"
#include "ResultListView.h"
#include "ShortcutMenu.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>

std::optional<TGrepResult> TForm1::SelectedHit() const
{
    const int row = ListViewResult->SelectedRow();
    if (row < 0 || row >= HitList.Size())
        return std::nullopt;
    return HitList.At(row);
}

std::optional<TGrepResult> TForm1::SelectedHitOnDisk()
{
    std::optional<TGrepResult> hit = SelectedHit();
    if (!hit || hit->ArchiveEnd <= 0)
        return hit;
    if (!MemberCopies)
        MemberCopies = std::make_unique<TMemberCopies>();
    QString reason;
    const QString copy = MemberCopies->CopyOf(hit->FileName, hit->ArchiveEnd, &reason);
    if (copy.isEmpty()) {
        StatusBar1->SetPanelText(2, QStringLiteral("取り出せませんでした: %1 (%2)").arg(ShownPath(hit->FileName), reason));
        return std::nullopt;
    }
    hit->FileName = copy;
    hit->ArchiveEnd = 0;
    return hit;
}

QString TForm1::TreeFileOf(const TGrepResult &hit)
{
    return hit.ArchiveEnd > 0 ? hit.FileName.left(hit.ArchiveEnd) : hit.FileName;
}

void TForm1::CreateResultCommands()
{
    connect(ActionToolsShellExecute, &QAction::triggered, this, &TForm1::ActionToolsShellExecuteExecute);
    connect(ActionToolsDirectory, &QAction::triggered, this, &TForm1::ActionToolsDirectoryExecute);
    connect(ActionToolsProperty, &QAction::triggered, this, &TForm1::ActionToolsPropertyExecute);
    connect(ActionToolsResultFileFile, &QAction::triggered, this, &TForm1::ActionToolsResultFileFileExecute);
    connect(ActionToolsResultFileDirectory, &QAction::triggered, this,
            &TForm1::ActionToolsResultFileDirectoryExecute);
    connect(ActionToolsResultFilePath, &QAction::triggered, this, &TForm1::ActionToolsResultFilePathExecute);
    connect(ActionToolsResultTarget, &QAction::triggered, this, &TForm1::ActionToolsResultTargetExecute);

    // The entries are their own, so that the menu can disable them while
    // the actions (and their shortcuts) stay enabled.
    MenuToolsShellExecute = FollowingEntry(PopupMenuResult, ActionToolsShellExecute, QStringLiteral("MenuToolsShellExecute"), false);
    MenuToolsDirectory = FollowingEntry(PopupMenuResult, ActionToolsDirectory, QStringLiteral("MenuToolsDirectory"), false);
    MenuToolsSendTo = new TShortcutMenu(QStringLiteral("送る(&N)"), PopupMenuResult);
    MenuToolsSendTo->setObjectName(QStringLiteral("MenuToolsSendTo"));
    PopupMenuResult->addMenu(MenuToolsSendTo);
    PopupMenuResult->addSeparator();
    MenuToolsResult = new TShortcutMenu(QStringLiteral("検索結果(&R)"), PopupMenuResult);
    MenuToolsResult->setObjectName(QStringLiteral("MenuToolsResult"));
    FollowingEntry(MenuToolsResult, ActionToolsResultFileFile, QStringLiteral("MenuToolsResultFile"), false);
    FollowingEntry(MenuToolsResult, ActionToolsResultFileDirectory, QStringLiteral("MenuToolsResultDirectory"), false);
    MenuToolsResult->addSeparator();
    FollowingEntry(MenuToolsResult, ActionToolsResultFilePath, QStringLiteral("MenuToolsResultFilePath"), false);
    FollowingEntry(MenuToolsResult, ActionToolsResultTarget, QStringLiteral("MenuToolsResultTarget"), false);
    PopupMenuResult->addMenu(MenuToolsResult);
    // The copy command's key belongs to the list alone (ListViewResultKeyPress
    // handles it), so that Ctrl+C in a text box still copies its text.
    removeAction(ActionToolsResultCopyRow);
    ActionToolsResultCopyRow->setShortcutContext(Qt::WidgetShortcut);
    connect(ActionToolsResultCopyRow, &QAction::triggered, this, &TForm1::CopySelectedRow);
    MenuToolsResultCopyRow = FollowingEntry(PopupMenuResult, ActionToolsResultCopyRow,
                                            QStringLiteral("MenuToolsResultCopyRow"), false);
    MenuToolsProperty = FollowingEntry(PopupMenuResult, ActionToolsProperty, QStringLiteral("MenuToolsProperty"), false);
    PopupMenuResult->addSeparator();
    // The tool entries follow (BuildToolActions).

    connect(PopupMenuResult, &QMenu::aboutToShow, this, &TForm1::PopupMenuResultPopup);
}

void TForm1::PopupMenuResultPopup()
{
    const bool selected = ListViewResult->SelectedRow() >= 0;
    for (QAction *entry : {MenuToolsShellExecute, MenuToolsDirectory, MenuToolsProperty,
                           MenuToolsResult->menuAction(), MenuToolsResultCopyRow})
        entry->setEnabled(selected);
    MenuToolsSendTo->menuAction()->setEnabled(selected && !SendToList.isEmpty());
}

void TForm1::ActionToolsShellExecuteExecute()
{
    const auto hit = SelectedHitOnDisk();
    if (hit && TFileKind::IsFile(hit->FileName))
        ReportOpenFailure(Shell->OpenDefault(hit->FileName), hit->FileName);
}

void TForm1::ReportOpenFailure(const QString &reason, const QString &path)
{
    // The desktop's answer is not a box; but when nothing opened, the user
    // hears why instead of nothing.
    if (!reason.isEmpty())
        StatusBar1->SetPanelText(2, QStringLiteral("%1: %2").arg(reason, ShownPath(path)));
}

void TForm1::ActionToolsDirectoryExecute()
{
    const auto hit = SelectedHit();
    if (!hit)
        return;
    const QString folder = FolderPartOf(TreeFileOf(*hit));
    if (TFileKind::IsFolder(folder))
        ReportOpenFailure(Shell->OpenDefault(folder), folder);
}

void TForm1::ActionToolsPropertyExecute()
{
    const auto hit = SelectedHitOnDisk();
    if (!hit || !TFileKind::IsFile(hit->FileName))
        return;
    // Without a file manager that shows properties, the window shows its own.
    if (!Shell->ShowProperties(hit->FileName))
        TPropertiesDialog(hit->FileName, this).exec();
}

void TForm1::ActionToolsResultFileFileExecute()
{
    if (const auto hit = SelectedHit())
        SetTargetText(TreeFileOf(*hit));
}

void TForm1::ActionToolsResultFileDirectoryExecute()
{
    if (const auto hit = SelectedHit())
        SetTargetText(FolderPartOf(TreeFileOf(*hit)));
}

void TForm1::ActionToolsResultFilePathExecute()
{
    if (const auto hit = SelectedHit())
        QApplication::clipboard()->setMimeData(ClipboardDataFor(ShownPath(hit->FileName), hit->FileName));
}

void TForm1::ActionToolsResultTargetExecute()
{
    if (const auto hit = SelectedHit())
        QApplication::clipboard()->setText(TCp932::ToQString(hit->HitText()));
}

void TForm1::CopySelectedRow()
{
    if (const auto hit = SelectedHit())
        QApplication::clipboard()->setMimeData(ClipboardDataFor(THitRow::Text(*hit), hit->FileName));
}

void TForm1::ListViewResultDblClick()
{
    if (ToolList.IsEmpty() || HitList.IsEmpty() || ListViewResult->SelectedRow() < 0)
        return;
    int n = 0;
    if (const auto hit = SelectedHit()) {
        // A member goes by its own name, the last part inside the braces.
        const QString name = hit->ArchiveEnd > 0 ? hit->FileName.mid(hit->FileName.lastIndexOf(u'{') + 1).chopped(1)
                                                 : hit->FileName;
        n = ToolList.FindToolForExtension(ExtensionOf(FileNameOf(name)));
    }
    if (n < 0)
        n = 0; // no filter fits: the first tool
    if (n < ActionListTools.size())
        ActionToolsExecute(ActionListTools[n]);
}

bool TForm1::ListViewResultKeyPress(QKeyEvent *event)
{
    const QKeySequence pressed(event->keyCombination());
    if (ActionToolsResultCopyRow->shortcuts().contains(pressed)) {
        CopySelectedRow(); // instead of the list's own copy of a cell
        return true;
    }
    // With the copy command on another key, Ctrl+C copies nothing here: the
    // list's own copy of one cell's text would be a command nobody chose.
    if (event->matches(QKeySequence::Copy))
        return true;
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false; // a combination belongs to the shortcuts
    ListViewResultDblClick();
    return true;
}
