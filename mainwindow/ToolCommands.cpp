// The external tools and the Send To menu on the window: their commands,
// their menu entries, and their part of the settings passes.

#include "MainWindow.h"

#include "DefaultTools.h"
#include "DesktopPaths.h"
#include "DesktopShell.h"
#include "IniFile.h"
#include "SendToLinks.h"
#include "ShortcutClaims.h"
#include "ShortcutCodes.h"
#include "StatusBar.h"
#include "ToolCommandLine.h"

#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

void TForm1::LoadTools(const TIniFile &file, bool fileExists)
{
    ToolList.Clear();
    // A first start, without any settings file, offers the editors found.
    if (!fileExists)
        ToolList = TDefaultTools::Build();
    else
        ToolList.LoadTools(file);
}

void TForm1::SaveTools(TIniFile &file) const
{
    ToolList.SaveTools(file);
}

QAction *TForm1::FollowingEntry(QMenu *menu, QAction *action, const QString &name, bool followEnabled)
{
    // The entry shows the action's caption and shortcut text and runs the
    // action; the shortcut itself stays with the action.
    auto *entry = new QAction(menu);
    entry->setObjectName(name);
    entry->setShortcutContext(Qt::WidgetShortcut);
    const auto follow = [entry, action, followEnabled] {
        entry->setText(action->text());
        entry->setShortcuts(action->shortcuts());
        entry->setVisible(action->isVisible());
        if (followEnabled)
            entry->setEnabled(action->isEnabled());
    };
    follow();
    connect(action, &QAction::changed, entry, follow);
    connect(entry, &QAction::triggered, action, [action] { action->trigger(); });
    menu->addAction(entry);
    return entry;
}

void TForm1::SettleShortcutClashes()
{
    // A key given to two commands would run neither: the first command, in
    // the order of the dialog's lists (the window's commands, then the
    // tools), keeps it and the later ones lose it.
    QList<quint16> codes;
    for (const QAction *a : ActionListMain)
        codes << Settings.ShortcutOf(a->objectName());
    for (int n = 0; n < ToolList.Count(); ++n)
        codes << ToolList.At(n)->ShortCut;
    const QList<quint16> settled = TShortcutClaims::FirstKeeps(codes);
    for (qsizetype i = 0; i < settled.size(); ++i) {
        if (settled[i] == codes[i])
            continue;
        if (i < ActionListMain.size())
            SetShortcut(ActionListMain[i], 0);
        else
            ToolList.At(int(i - ActionListMain.size()))->ShortCut = 0;
    }
}

void TForm1::BuildToolActions()
{
    SettleShortcutClashes();
    while (ActionListTools.size() < ToolList.Count()) {
        const qsizetype n = ActionListTools.size();
        auto *action = new QAction(this);
        action->setObjectName(QStringLiteral("ActionTools") + QString::number(n));
        action->setData(int(n));
        connect(action, &QAction::triggered, this, [this, action] { ActionToolsExecute(action); });
        addAction(action); // its shortcut works anywhere in the window
        ActionListTools << action;
        QAction *entry = FollowingEntry(PopupMenuResult, action, QStringLiteral("MenuTools") + QString::number(n), true);
        if (n == 0) {
            PopupMenuResult->setDefaultAction(entry);
            QFont bold = entry->font();
            bold.setBold(true);
            entry->setFont(bold);
        }
    }
    for (qsizetype n = 0; n < ActionListTools.size(); ++n) {
        QAction *action = ActionListTools[n];
        if (const TToolItems *tool = ToolList.At(int(n))) {
            action->setText(tool->Caption);
            action->setShortcuts(TShortcutCodes::ToKeySequences(tool->ShortCut));
            action->setVisible(true);
            action->setEnabled(true);
        } else {
            action->setVisible(false);
            action->setEnabled(false);
        }
    }
}

void TForm1::ActionToolsExecute(QAction *sender)
{
    const TToolItems *tool = sender ? ToolList.At(sender->data().toInt()) : nullptr;
    const std::optional<TGrepResult> hit = SelectedHitOnDisk();
    if (!hit && SelectedHit())
        return; // the member could not be taken out: the status bar says why
    const TToolCommandLine::TLaunch launch =
        TToolCommandLine::Build(tool, TToolCommandLine::ValuesOf(hit ? &*hit : nullptr));
    // A template without a program names a document, often the hit's own
    // file: it goes to its default program, even when it is executable (any
    // file on a FAT stick is), and a launcher among the results is not run.
    if (launch.Document) {
        ReportOpenFailure(Shell->OpenDefault(launch.Program), launch.Program);
        return;
    }
    if (const QString reason = Shell->OpenProgram(launch.Program, launch.Arguments); !reason.isEmpty())
        StatusBar1->SetPanelText(2, QStringLiteral("ツールを起動できませんでした: %1 (%2)").arg(reason, launch.Program));
}

void TForm1::ListSendToLinks()
{
    SendToList = TSendToLinks::List(TDesktopPaths::SendToFolder());
}

void TForm1::BuildSendToMenu()
{
    ListSendToLinks();
    while (ActionListSendTo.size() < SendToList.size()) {
        const qsizetype n = ActionListSendTo.size();
        auto *action = new QAction(this);
        action->setObjectName(QStringLiteral("ActionToolsSendTo") + QString::number(n));
        action->setData(int(n));
        connect(action, &QAction::triggered, this, [this, action] { ActionToolsSendToExecute(action); });
        ActionListSendTo << action;
        FollowingEntry(MenuToolsSendTo, action, QStringLiteral("MenuToolsSendTo") + QString::number(n), true);
    }
    for (qsizetype n = 0; n < ActionListSendTo.size(); ++n) {
        QAction *action = ActionListSendTo[n];
        const bool used = n < SendToList.size();
        if (used)
            action->setText(TSendToLinks::CaptionOf(SendToList[n]));
        action->setVisible(used);
        action->setEnabled(used);
    }
}

void TForm1::ActionToolsSendToExecute(QAction *sender)
{
    const int n = sender ? sender->data().toInt() : -1;
    const QString link = n >= 0 && n < SendToList.size() ? SendToList[n] : QString();
    if (!QFileInfo(link).isFile()) {
        Message(QStringLiteral("ファイルがありません。\n[%1]").arg(link));
        return;
    }
    QStringList files;
    if (const auto hit = SelectedHitOnDisk())
        files << TDesktopPaths::ShortPath(hit->FileName);
    else if (SelectedHit())
        return;
    Shell->LaunchDesktopEntry(link, files);
}
