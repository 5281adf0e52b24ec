// TForm1: the actions of ActionListMain, built from TActionTable, and the menus.

#include "MainWindow.h"

#include "ShortcutCodes.h"
#include "ShortcutMenu.h"

#include <QActionGroup>
#include <QMenuBar>

namespace {

// The members that name the actions, in table order.
QAction *TForm1::*const ActionMembers[TActionTable::Count] = {
    &TForm1::ActionFileOpenFile, &TForm1::ActionFileOpenDirectory, &TForm1::ActionFileGrep,
    &TForm1::ActionFileCancel, &TForm1::ActionFileExit, &TForm1::ActionViewDetail,
    &TForm1::ActionViewTargetParent, &TForm1::ActionViewFType0, &TForm1::ActionViewFType1,
    &TForm1::ActionViewFType2, &TForm1::ActionViewAlignL, &TForm1::ActionViewAlignC,
    &TForm1::ActionViewAlignR, &TForm1::ActionOptionTool, &TForm1::ActionOptionSubDirectory,
    &TForm1::ActionOptionRegExpr, &TForm1::ActionOptionIgnoreCase, &TForm1::ActionOptionMutex,
    &TForm1::ActionOptionAutoFilter, &TForm1::ActionOptionAutoColumn, &TForm1::ActionHelpReadme,
    &TForm1::ActionHelpOnlineHelp, &TForm1::ActionToolsShellExecute, &TForm1::ActionToolsDirectory,
    &TForm1::ActionToolsProperty, &TForm1::ActionToolsResultFileFile,
    &TForm1::ActionToolsResultFileDirectory, &TForm1::ActionToolsResultFilePath,
    &TForm1::ActionToolsResultTarget, &TForm1::ActionFileSaveResult, &TForm1::ActionViewPreview,
    &TForm1::ActionToolsResultCopyRow, &TForm1::ActionOptionIgnoreWidth, &TForm1::ActionOptionIgnoreKana,
    &TForm1::ActionOptionSearchArchives,
};

} // namespace

QAction *TForm1::MakeAction(const TActionTable::TEntry &entry)
{
    auto *action = new QAction(entry.CaptionText(), this);
    action->setObjectName(entry.NameText());
    action->setProperty("category", entry.CategoryText());
    action->setShortcuts(TShortcutCodes::ToKeySequences(entry.KeyCode));
    action->setCheckable(entry.Checkable);
    if (entry.Group != TActionTable::TGroup::None)
        action->setData(entry.Tag);
    addAction(action); // shortcuts work wherever the focus is in the window
    ActionListMain.append(action);
    return action;
}

void TForm1::CreateActions()
{
    QActionGroup *fileForms = new QActionGroup(this);
    QActionGroup *alignments = new QActionGroup(this);
    for (int i = 0; i < TActionTable::Count; ++i) {
        const TActionTable::TEntry &entry = TActionTable::Entries()[size_t(i)];
        QAction *action = MakeAction(entry);
        this->*ActionMembers[i] = action;
        if (entry.Group == TActionTable::TGroup::FileForm)
            fileForms->addAction(action);
        else if (entry.Group == TActionTable::TGroup::Alignment)
            alignments->addAction(action);
    }
    ActionFileCancel->setEnabled(false);
    ActionViewFType0->setChecked(true);
    ActionViewAlignC->setChecked(true);
    ConnectActions();
}

void TForm1::ConnectActions()
{
    connect(ActionFileOpenFile, &QAction::triggered, this, &TForm1::ActionFileOpenFileExecute);
    connect(ActionFileOpenDirectory, &QAction::triggered, this, &TForm1::ActionFileOpenDirectoryExecute);
    connect(ActionFileGrep, &QAction::triggered, this, &TForm1::ActionFileGrepExecute);
    connect(ActionFileCancel, &QAction::triggered, this, &TForm1::ActionFileCancelExecute);
    connect(ActionFileExit, &QAction::triggered, this, &TForm1::ActionFileExitExecute);
    connect(ActionViewDetail, &QAction::triggered, this, &TForm1::ActionViewDetailExecute);
    for (QAction *a : {ActionViewFType0, ActionViewFType1, ActionViewFType2})
        connect(a, &QAction::triggered, this, [this, a] { ActionViewFTypeExecute(a); });
    for (QAction *a : {ActionViewAlignL, ActionViewAlignC, ActionViewAlignR})
        connect(a, &QAction::triggered, this, [this, a] { ActionViewAlignExecute(a); });
    connect(ActionOptionSubDirectory, &QAction::triggered, this, &TForm1::ActionOptionSubDirectoryExecute);
    connect(ActionOptionAutoColumn, &QAction::triggered, this, &TForm1::ActionOptionAutoColumnExecute);
    connect(ActionOptionMutex, &QAction::triggered, this, &TForm1::UpdateSingleInstance);
}

void TForm1::CreateMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Menus show shortcuts in the program's own text form.
    auto addMenu = [](QWidget *owner, const QString &title) {
        auto *menu = new TShortcutMenu(title, owner);
        if (auto *menuBar = qobject_cast<QMenuBar *>(owner))
            menuBar->addMenu(menu);
        else
            static_cast<QMenu *>(owner)->addMenu(menu);
        return menu;
    };
    QMenu *file = addMenu(bar, QStringLiteral("ファイル(&F)"));
    file->addAction(ActionFileOpenFile);
    file->addAction(ActionFileOpenDirectory);
    file->addSeparator();
    file->addAction(ActionFileGrep);
    file->addAction(ActionFileCancel);
    file->addSeparator();
    CreateExportCommand(file);
    file->addSeparator();
    file->addAction(ActionFileExit);

    QMenu *view = addMenu(bar, QStringLiteral("表示(&V)"));
    view->addAction(ActionViewDetail);
    view->addSeparator();
    view->addAction(ActionViewTargetParent);
    view->addSeparator();
    QMenu *fileForm = addMenu(view, QStringLiteral("ファイル(&F)"));
    fileForm->setObjectName(QStringLiteral("MenuViewFType"));
    fileForm->addActions({ActionViewFType0, ActionViewFType1, ActionViewFType2});
    QMenu *align = addMenu(view, QStringLiteral("位置(&A)"));
    align->setObjectName(QStringLiteral("MenuViewAlign"));
    align->addActions({ActionViewAlignL, ActionViewAlignC, ActionViewAlignR});
    view->addSeparator();
    CreatePreviewCommand(view);

    QMenu *option = addMenu(bar, QStringLiteral("オプション(&O)"));
    option->addAction(ActionOptionTool);
    option->addSeparator();
    option->addActions({ActionOptionRegExpr, ActionOptionSubDirectory, ActionOptionIgnoreCase,
                        ActionOptionIgnoreWidth, ActionOptionIgnoreKana});
    option->addAction(ActionOptionSearchArchives);
    option->addSeparator();
    option->addAction(ActionOptionMutex);
    option->addSeparator();
    option->addActions({ActionOptionAutoFilter, ActionOptionAutoColumn});

    QMenu *help = addMenu(bar, QStringLiteral("ヘルプ(&H)"));
    help->addActions({ActionHelpReadme, ActionHelpOnlineHelp});
    help->addSeparator();
    QAction *version = help->addAction(QStringLiteral("Version 0.04 (kestu %1)").arg(QStringLiteral(KESTU_VERSION)));
    version->setObjectName(QStringLiteral("MenuHelpVersion"));
    version->setEnabled(false);

    PopupMenuRefer = new TShortcutMenu(this);
    PopupMenuRefer->setObjectName(QStringLiteral("PopupMenuRefer"));
    PopupMenuRefer->addActions({ActionFileOpenFile, ActionFileOpenDirectory});
    PopupMenuResult = new TShortcutMenu(this);
    PopupMenuResult->setObjectName(QStringLiteral("PopupMenuResult"));
}
