// 検索結果を保存: every hit of the list to a file, in one of three forms.

#include "MainWindow.h"

#include "ResultExport.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace {

const QStringList &ExportFilters()
{
    // In the order of TResultExport::Format.
    static const QStringList filters{QStringLiteral("テキスト (*.txt)"), QStringLiteral("TSV (*.tsv)"),
                                     QStringLiteral("JSON Lines (*.jsonl)")};
    return filters;
}

} // namespace

void TForm1::CreateExportCommand(QMenu *fileMenu)
{
    ActionFileSaveResult = new QAction(QStringLiteral("検索結果を保存(&A)..."), this);
    ActionFileSaveResult->setObjectName(QStringLiteral("ActionFileSaveResult"));
    ActionFileSaveResult->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(ActionFileSaveResult);
    fileMenu->addAction(ActionFileSaveResult);
    connect(ActionFileSaveResult, &QAction::triggered, this, &TForm1::ActionFileSaveResultExecute);
}

void TForm1::ActionFileSaveResultExecute()
{
    QString filter = ExportFilters().first();
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("検索結果を保存"), QString(),
                                                      ExportFilters().join(QStringLiteral(";;")), &filter);
    if (path.isEmpty())
        return; // cancelled
    const auto format = static_cast<TResultExport::Format>(qMax(0, int(ExportFilters().indexOf(filter))));
    SaveResultList(path, format);
}

bool TForm1::SaveResultList(const QString &path, TResultExport::Format format)
{
    QString error;
    if (TResultExport::Save(path, HitList, format, error))
        return true;
    QMessageBox::warning(this, QStringLiteral("kestu"),
                         QStringLiteral("%1 を保存できませんでした。\n%2").arg(path, error));
    return false;
}
