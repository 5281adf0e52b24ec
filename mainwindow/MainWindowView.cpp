// TForm1: the view and option commands, and what the status bar shows of
// the selected row.

#include "MainWindow.h"

#include "PathText.h"
#include "ResultListView.h"
#include "StatusBar.h"
#include "WKSpinEdit.h"

#include <QLabel>
#include <QToolButton>

void TForm1::ActionViewDetailExecute()
{
    // The action flips itself when triggered; the layout follows it.
    UpdateDetailLayout();
}

void TForm1::ActionViewFTypeExecute(QAction *sender)
{
    if (!sender)
        return;
    sender->setChecked(true); // the group unchecks the other two
    Display.FType = sender->data().toInt();
    ListViewResult->viewport()->update();
}

void TForm1::ActionViewAlignExecute(QAction *sender)
{
    if (!sender)
        return;
    sender->setChecked(true);
    Display.PAlign = sender->data().toInt();
    SpeedButtonAlignL->setChecked(ActionViewAlignL->isChecked());
    SpeedButtonAlignC->setChecked(ActionViewAlignC->isChecked());
    SpeedButtonAlignR->setChecked(ActionViewAlignR->isChecked());
    ListViewResult->viewport()->update();
}

void TForm1::ActionOptionSubDirectoryExecute()
{
    // The depth limit only means something while subfolders are searched.
    LabelSubLimit->setEnabled(ActionOptionSubDirectory->isChecked());
    EditSubLimit->setEnabled(ActionOptionSubDirectory->isChecked());
}

void TForm1::ActionOptionAutoColumnExecute()
{
    Display.AutoColumn = ActionOptionAutoColumn->isChecked();
    ListViewResult->ListViewResultResize();
}

void TForm1::ListViewResultSelectItem(int row, bool selected)
{
    if (Searching())
        return; // the search owns panel 2 meanwhile
    const std::optional<TGrepResult> record = selected ? ListViewResult->Record(row) : std::nullopt;
    StatusBar1->SetPanelText(2, record ? ShownPath(record->FileName) : QString());
}
