// TForm1: starting, cancelling and ending a search, and the search's reports.

#include "MainWindow.h"

#include "Cp932.h"
#include "FreeMemory.h"
#include "GrepThread.h"
#include "SearchOptions.h"
#include "ResultListView.h"
#include "StatusBar.h"
#include "FileKind.h"
#include "PathText.h"

#include <QCloseEvent>
#include <algorithm>
#include <QTimer>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

#include "WKSpinEdit.h"

namespace {
// A list that held more rows than this is replaced, not emptied, when the
// next search starts (RenewListViewResult): below it, the few megabytes the
// view keeps are not worth a new widget.
constexpr int RenewListRows = 100'000;
}

void TForm1::ActionFileGrepExecute()
{
    TSearchOptions options;
    options.Recursive = ActionOptionSubDirectory->isChecked();
    options.NoCase = ActionOptionIgnoreCase->isChecked();
    options.IgnoreWidth = ActionOptionIgnoreWidth->isChecked();
    options.IgnoreKana = ActionOptionIgnoreKana->isChecked();
    options.SearchArchives = ActionOptionSearchArchives->isChecked();
    options.ArchiveLimits.MaxMemberBytes = Settings.ArchiveMemberLimit;
    options.ArchiveLimits.MaxRatio = Settings.ArchiveRatioLimit;
    options.UseRegExp = ActionOptionRegExpr->isChecked();
    options.DepthLimit = EditSubLimit->Value();
    options.CodeChoice = ComboBoxCode->currentIndex();
    options.FindText = ComboBoxGrep->currentText();
    options.TargetPath = TargetPath();
    options.FilterList = ComboBoxFilter->currentText();
    options.ExcludeDirs = PatternListOf(Settings.ExcludeDirs);
    options.FollowLinks = Settings.FollowLinks;
    options.Limits = Settings.FileLimits.Limits();
    options.RegExpLibrary = RegExpLibrary;
    QByteArray findText;
    if (const QString refusal = options.Check(findText); !refusal.isEmpty()) {
        Message(refusal);
        return;
    }
    const QString target = options.TargetPath;
    const bool isFolder = TFileKind::IsFolder(target);
    ListViewResult->ListViewResultResize();
    // An old worker is stopped before the list is emptied, so nothing it
    // still hands over can land among the new search's rows.
    if (!StopSearch())
        return;
    if (ListViewResult->RowCount() > RenewListRows) {
        RenewListViewResult();
    } else {
        if (ListViewResult->RowCount() > 0)
            ListViewResult->scrollToTop();
        ListViewResult->ClearRows();
    }
    std::vector<TGrepResult>().swap(HitInbox); // its room goes back too
    HitList.Clear();
    SearchStartTime = QDateTime::currentDateTime();
    NotSearched = 0;
    FirstNotSearched.clear();
    FirstNotSearchedReason.clear();
    StatusBar1->setToolTip(QString());
    ListViewResult->viewport()->update();

    AddHistory(ComboBoxGrep);
    AddHistory(ComboBoxFilter);
    AddHistory(ComboBoxTarget);

    ActionFileGrep->setEnabled(false);
    ActionFileCancel->setEnabled(true);
    TargetBaseLength = 0;
    if (isFolder)
        TargetBaseLength = int(target.endsWith(u'/') ? target.size() : target.size() + 1);
    Display.TargetBaseLength = TargetBaseLength;

    GrepThread = new TGrepThread(HitInbox, *this);
    options.ApplyTo(*GrepThread, findText);
    GrepThread->RegExpLibrary = RegExpLibrary;
    GrepThread->RegExpTimeLimit = (unsigned long)Settings.RegExpTimeLimit;
    GrepThread->Resume();
    if (isVisible())
        ListViewResult->setFocus();
}

bool TForm1::StopSearch()
{
    if (!GrepThread)
        return true;
    GrepThread->Terminate();
    if (!GrepThread->WaitFor())
        return false;
    delete GrepThread;
    GrepThread = nullptr;
    return true;
}

void TForm1::ActionFileCancelExecute()
{
    if (ActionFileGrep->isEnabled())
        return;
    if (GrepThread) {
        GrepThread->Terminate();
        GrepThread->WaitFor(); // inside a worker's own call the stop request is all we can do
    }
}

void TForm1::ActionFileExitExecute()
{
    close();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!StopSearch()) {
        // The close arrived inside one of the worker's calls (the event loop
        // of a message box it shows): the worker has been asked to stop and
        // the window closes as soon as the search is done.
        CloseWhenDone = true;
        event->ignore();
        return;
    }
    SaveSettingsFile(); // a failure has been reported; the window still closes
    QMainWindow::closeEvent(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == ListViewResult && ListViewResultKeyPress(key))
            return true;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        bool inBox = false;
        for (const QComboBox *box : {ComboBoxTarget, ComboBoxFilter, ComboBoxGrep})
            inBox = inBox || watched == box || watched == box->lineEdit();
        // ComboBoxEnterKeyPress: Enter in one of the three text boxes starts
        // a search, but only while none runs.
        if (enter && inBox && ActionFileGrep->isEnabled()) {
            ActionFileGrepExecute();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Message(const QString &text)
{
    // Once the program is asked to end, no box may hold it up (nobody
    // would answer it), at start-up no more than later.
    if (ClosingForSignal)
        return;
    QMessageBox box(QMessageBox::NoIcon, AppCaption(), text, QMessageBox::Ok, this);
    box.exec();
}

void TForm1::UpdateStatus(const QString &targets, const QString &hits, const QString &state)
{
    StatusBar1->SetPanelText(0, targets);
    StatusBar1->SetPanelText(1, hits);
    StatusBar1->SetPanelText(2, state);
}

void TForm1::ShowHitCount(qsizetype)
{
    // The worker's batch joins the compact list; the inbox keeps its room
    // for the next batch.
    HitList.Append(HitInbox);
    // Each time rows are added the tree view lays out all its rows again,
    // so a list of more than a few rows grows by an eighth at a time, or once the hits have
    // waited a while, the longer the more rows there are (a fifth of a
    // second for each 100,000 rows, at most five seconds): the layouts then
    // cost the same share of the time however long the list grows. The
    // count in the status bar goes on meanwhile. 7 million hits took 12.5 s
    // to list with a layout for each batch.
    const qsizetype shown = ListViewResult->RowCount();
    if (shown < FewRows || HitList.Size() - shown >= shown / 8) {
        ShowArrivedRows();
    } else if (!RowsDue->isActive()) {
        RowsDue->start(int(std::clamp<qsizetype>(200 * (shown / 100000), 200, 5000)));
    }
}

void TForm1::ShowArrivedRows()
{
    RowsDue->stop();
    ListViewResult->SetRowCount(HitList.Size());
}

void TForm1::SearchDone()
{
    ShowArrivedRows();
    // The hit records the worker handed over are gone now that the list
    // holds their compact form; give their pages back.
    ReleaseFreeMemory();
    ActionFileGrep->setEnabled(true);
    ActionFileCancel->setEnabled(false);
    if (NotSearched > 0) {
        const QString note = NotSearchedNote(NotSearched, FirstNotSearched, FirstNotSearchedReason);
        StatusBar1->SetPanelText(2, note);
        StatusBar1->setToolTip(note); // the whole of it, where the panel cuts it
    }
    if (CloseWhenDone)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TForm1::ShowMessage(const QString &text, bool warning)
{
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Critical, AppCaption(), text,
                    QMessageBox::Ok, this);
    box.exec();
}

void TForm1::FileNotRead(const QString &path, const QString &reason)
{
    if (NotSearched++ == 0) {
        FirstNotSearched = path;
        FirstNotSearchedReason = reason;
    }
}

QString TForm1::NotSearchedNote(qsizetype count, const QString &path, const QString &reason)
{
    // The count comes first: a narrow panel shows the start of the text.
    return QStringLiteral("検索終了 - %1 件のファイル・フォルダを検索できませんでした (最初: %2: %3)")
        .arg(QString::number(count), ShownPath(path), reason);
}
