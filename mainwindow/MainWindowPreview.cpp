// TForm1: the preview pane below the result list, and its command in the
// view menu.

#include "MainWindow.h"

#include "PreviewLoader.h"
#include "PreviewPane.h"
#include "PreviewReader.h"
#include "PreviewText.h"
#include "ReadOnlyFile.h"
#include "ResultListView.h"

#include <QMenu>
#include <QSplitter>
#include <QTimer>

void TForm1::CreatePreviewCommand(QMenu *viewMenu)
{
    viewMenu->addAction(ActionViewPreview);
    // toggled, not triggered: the settings set the check too.
    connect(ActionViewPreview, &QAction::toggled, this, &TForm1::ActionViewPreviewExecute);
}

void TForm1::CreatePreviewPane()
{
    PreviewReader = std::make_unique<TPreviewReader>();
    PreviewLoader = new TPreviewLoader(this);
    connect(PreviewLoader, &TPreviewLoader::Loaded, this, [this](quint64 ticket, const TPreviewReader::TResult &read) {
        if (ticket == PreviewTicket && PendingPreview && ActionViewPreview->isChecked())
            PreviewPane->ShowPreview(PendingPreview->FileName, TPreviewText::Make(*PendingPreview, read, SearchStartTime),
                                     Display.FindColor);
    });
    PreviewPane = new TPreviewPane(SplitterResult);
    PreviewPane->setObjectName(QStringLiteral("PreviewPane"));
    PreviewPane->setFont(ListViewResult->font());
    PreviewPane->hide();
    SplitterResult->addWidget(PreviewPane);
    SplitterResult->setCollapsible(0, false);
    SplitterResult->setCollapsible(1, false);
    connect(SplitterResult, &QSplitter::splitterMoved, this, [this] { Settings.PreviewHeight = PreviewPane->height(); });
}

void TForm1::ActionViewPreviewExecute()
{
    if (!PreviewPane)
        return;
    const bool on = ActionViewPreview->isChecked();
    PreviewPane->setVisible(on);
    if (!on) {
        ++PreviewTicket;
        PreviewLoader->Cancel();
        PreviewPane->ClearPreview();
        return;
    }
    FitPreviewHeight();
    // Before the window is first shown the splitter has no size yet.
    if (!isVisible())
        QTimer::singleShot(0, this, &TForm1::FitPreviewHeight);
    UpdatePreview();
}

void TForm1::FitPreviewHeight()
{
    if (PreviewPane->isHidden())
        return;
    const int total = SplitterResult->height() - SplitterResult->handleWidth();
    const int height = Settings.PreviewHeight > 0 ? qMin(Settings.PreviewHeight, total * 3 / 4) : total / 3;
    SplitterResult->setSizes({total - height, height});
}

void TForm1::UpdatePreview()
{
    if (!PreviewPane || !ActionViewPreview->isChecked())
        return;
    const std::optional<TGrepResult> hit = SelectedHitOnDisk();
    ++PreviewTicket; // whatever is still being read is no longer wanted
    PendingPreview.reset();
    if (!hit) {
        PreviewLoader->Cancel();
        PreviewPane->ClearPreview();
        return;
    }
    const TGrepResult &record = *hit;
    const qint64 first = TPreviewText::FirstLine(record);
    const qint64 last = TPreviewText::LastLine(record);
    // A big file may have to be read a long way to its line: that is done
    // aside while the pane says so, and the list goes on taking keys.
    // Where the search saw the hit's line begin lets a read start right
    // there, whatever the file's size.
    TPreviewReader::TKnownLine known{record.Line, record.LineOffset};
    TReadOnlyFile probe;
    if (probe.Open(record.FileName) && probe.Size() > AsidePreviewSize) {
        if (known.Offset >= 0) {
            TPreviewReader::TKnownLine near = known;
            near.Only = true;
            const TPreviewReader::TResult read = PreviewReader->Read(record.FileName, record.CodeId, first, last, near);
            if (read.State != TPreviewReader::TState::Far) {
                PreviewLoader->Cancel();
                PreviewPane->ShowPreview(record.FileName, TPreviewText::Make(record, read, SearchStartTime),
                                         Display.FindColor);
                return;
            }
        }
        PendingPreview = record;
        PreviewPane->ShowLoading(record.FileName);
        PreviewLoader->Request(PreviewTicket, record.FileName, record.CodeId, first, last, known);
        return;
    }
    PreviewLoader->Cancel();
    const TPreviewReader::TResult read = PreviewReader->Read(record.FileName, record.CodeId, first, last, known);
    PreviewPane->ShowPreview(record.FileName, TPreviewText::Make(record, read, SearchStartTime), Display.FindColor);
}
