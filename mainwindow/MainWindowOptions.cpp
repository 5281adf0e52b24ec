// The commands of the view, option and help menus that act beyond the
// layout: going up from the target, the settings dialog, the read-me and
// the manual.

#include "MainWindow.h"

#include "BundledDocument.h"
#include "Form3.h"
#include "ShortcutCodes.h"
#include "FileKind.h"
#include "TargetParent.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

void TForm1::ConnectOptionCommands()
{
    OpenDocument = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    connect(ActionViewTargetParent, &QAction::triggered, this, &TForm1::ActionViewTargetParentExecute);
    connect(ActionOptionTool, &QAction::triggered, this, &TForm1::ActionOptionToolExecute);
    connect(ActionHelpReadme, &QAction::triggered, this, &TForm1::ActionHelpReadmeExecute);
    connect(ActionHelpOnlineHelp, &QAction::triggered, this, &TForm1::ActionHelpOnlineHelpExecute);
}

void TForm1::ActionViewTargetParentExecute()
{
    const QString target = TargetPath();
    if (TTargetParent::StaysAsItIs(target))
        return; // the filter box's state is not looked at again either
    const bool folder = TFileKind::IsFolder(target);
    if (!folder && ActionOptionAutoFilter->isChecked()) {
        const int entry = TTargetParent::FilterFor(target, ItemsOf(ComboBoxFilter));
        if (entry >= 0)
            ComboBoxFilter->setEditText(ComboBoxFilter->itemText(entry));
    }
    SetTargetText(TTargetParent::ParentOf(target, folder));
    // The text may come out unchanged (a missing folder with its "/"), so
    // the filter box's state is brought in line here, not by the change.
    UpdateFilterState();
}

QString TForm1::OnlineHelpAddress()
{
    return QUrl::fromLocalFile(TBundledDocument::Path(QStringLiteral("manual.html"))).toString();
}

void TForm1::ActionHelpReadmeExecute()
{
    // Whether the file is there is the desktop's concern; its answer is not
    // looked at.
    OpenDocument(QUrl::fromLocalFile(TBundledDocument::Path(QStringLiteral("readme.txt"))));
}

void TForm1::ActionHelpOnlineHelpExecute()
{
    const QString address = OnlineHelpAddress();
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("online Help"), address,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (box.exec() == QMessageBox::Ok)
        OpenDocument(QUrl(address));
}

void TForm1::ActionOptionToolExecute()
{
    // Made anew each time, so it always opens on its first tab; it applies
    // its changes itself.
    TForm3 dialog(*this, this);
    Form3 = &dialog;
    dialog.exec();
    Form3 = nullptr;
}

QStringList TForm1::FilterItems() const
{
    return ItemsOf(ComboBoxFilter);
}

quint16 TForm1::ShortcutOf(const QAction *action) const
{
    // The settings keep the code, also one the keyboard table cannot show.
    return Settings.ShortcutOf(action->objectName());
}

void TForm1::SetShortcut(QAction *action, quint16 code)
{
    Settings.SetShortcut(action->objectName(), code);
    action->setShortcuts(TShortcutCodes::ToKeySequences(code));
}
