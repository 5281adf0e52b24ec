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
    fileMenu->addAction(ActionFileSaveResult);
    connect(ActionFileSaveResult, &QAction::triggered, this, &TForm1::ActionFileSaveResultExecute);
}

void TForm1::ActionFileSaveResultExecute()
{
    // A name typed without an extension gets the chosen form's; the dialog
    // asks before it replaces a file under the name with the extension.
    static const QStringList suffixes{QStringLiteral("txt"), QStringLiteral("tsv"), QStringLiteral("jsonl")};
    QFileDialog dialog(this, QStringLiteral("検索結果を保存"));
    dialog.setObjectName(QStringLiteral("SaveResultDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(ExportFilters());
    dialog.setDefaultSuffix(suffixes.first());
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(suffixes.value(qMax(0, int(ExportFilters().indexOf(filter)))));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return; // cancelled
    const auto format =
        static_cast<TResultExport::Format>(qMax(0, int(ExportFilters().indexOf(dialog.selectedNameFilter()))));
    SaveResultList(dialog.selectedFiles().first(), format);
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
