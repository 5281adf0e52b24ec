// TForm1: the start-up after construction, the command-line arguments and
// the single-instance lock.

#include "MainWindow.h"

#include "ResultListView.h"
#include "SingleInstance.h"
#include "WKSpinEdit.h"

#include <QComboBox>

void TForm1::Start(const QStringList &arguments)
{
    LoadSettingsFile();
    ApplyStartArguments(TStartArguments::Parse(arguments));
    UpdateFilterState();
    ClearComboSelections(false);
    UpdateSingleInstance();
    BuildToolActions();
    BuildSendToMenu();
    Display.ComputeInverses();
    Display.MeasureHeadWidth(ListViewResult->fontMetrics());
    SizeAtMoveStart = size();
    AfterArguments();
    FinishSettings();
}

void TForm1::ApplyArgument(const QString &text)
{
    ApplyStartArguments(TStartArguments::Parse({text}));
}

void TForm1::ApplyStartArguments(const TStartArguments &arguments)
{
    if (arguments.Target)
        SetTargetText(*arguments.Target);
    if (arguments.Filter)
        ComboBoxFilter->setEditText(*arguments.Filter);
    if (arguments.Grep)
        ComboBoxGrep->setEditText(*arguments.Grep);
    const std::pair<const std::optional<bool> &, QAction *> switches[] = {
        {arguments.RegExpr, ActionOptionRegExpr},
        {arguments.SubDirectory, ActionOptionSubDirectory},
        {arguments.IgnoreCase, ActionOptionIgnoreCase},
        {arguments.IgnoreWidth, ActionOptionIgnoreWidth},
        {arguments.IgnoreKana, ActionOptionIgnoreKana},
        {arguments.SearchArchives, ActionOptionSearchArchives},
        {arguments.Detail, ActionViewDetail},
    };
    for (const auto &[value, action] : switches) {
        if (value)
            action->setChecked(*value);
    }
    if (arguments.CodePage)
        ComboBoxCode->setCurrentIndex(*arguments.CodePage);
    if (arguments.SubLimit)
        EditSubLimit->SetFValue(*arguments.SubLimit);
    if (arguments.Restore)
        ForceForeground();
}

void TForm1::AfterArguments()
{
    UpdateFilterState();
    UpdateDetailLayout();
    ActionOptionSubDirectoryExecute();
}

void TForm1::UpdateSingleInstance()
{
    if (!SingleInstance) {
        SingleInstance = new TSingleInstance(
            SingleInstanceName.isEmpty() ? TSingleInstance::DefaultName() : SingleInstanceName, this);
        connect(SingleInstance, &TSingleInstance::ArgumentReceived, this, [this](const QString &argument) {
            ApplyArgument(argument);
            // After a hand-over the window shows the new target's state at
            // once, as after start-up.
            if (argument == QLatin1String("-restore"))
                AfterArguments();
        });
    }
    if (ActionOptionMutex->isChecked()) {
        if (!SingleInstance->Acquire())
            Message(QStringLiteral("[ERROR] : CreateMutex"));
    } else {
        SingleInstance->Release();
    }
}

void TForm1::ForceForeground()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}
