// TForm1: choosing the target — the file and folder dialogs, drops — and the
// filter box's state that follows it.

#include "MainWindow.h"

#include "PathText.h"
#include "TargetDialogs.h"
#include "FileKind.h"
#include "NativePath.h"

#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

bool TForm1::SetTargetFromPath(const QString &path)
{
    const std::optional<QString> target = TStartArguments::TargetOf(path);
    if (target)
        SetTargetText(*target);
    return target.has_value();
}

void TForm1::SetTargetText(const QString &path)
{
    TargetBehindText = TNativePath::HasRawBytes(path) ? path : QString();
    ComboBoxTarget->setEditText(ShownPath(path));
}

QString TForm1::TargetPath() const
{
    const QString text = ComboBoxTarget->currentText();
    if (!TargetBehindText.isEmpty() && text == ShownPath(TargetBehindText))
        return TargetBehindText;
    // A history entry picked from the list (or completed while typing)
    // stands for the bytes it keeps.
    for (int i = 0; i < ComboBoxTarget->count(); ++i) {
        const QVariant bytes = ComboBoxTarget->itemData(i);
        if (bytes.isValid() && ComboBoxTarget->itemText(i) == text)
            return bytes.toString();
    }
    return text;
}

void TForm1::UpdateFilterState()
{
    const bool folder = TFileKind::IsFolder(TargetPath());
    ComboBoxFilter->setEnabled(folder);
    LabelFilter->setEnabled(folder);
}

void TForm1::SetTargetDialogs(std::unique_ptr<TTargetDialogs> dialogs)
{
    Dialogs = std::move(dialogs);
}

void TForm1::ActionFileOpenFileExecute()
{
    const QString target = TargetPath();
    QString file, folder;
    if (TFileKind::IsFile(target))
        file = target;
    if (TFileKind::IsFolder(target))
        folder = FolderPartOf(target); // the folder itself with a trailing "/", else its parent
    const QString chosen = Dialogs->OpenFile(this, file, folder);
    if (chosen.isEmpty())
        return;
    SetTargetText(chosen);
    UpdateFilterState();
}

void TForm1::ActionFileOpenDirectoryExecute()
{
    const QString target = TargetPath();
    QString initial;
    if (TFileKind::IsFile(target))
        initial = FolderPartOf(QFileInfo(target).absoluteFilePath());
    if (TFileKind::IsFolder(target))
        initial = target;
    const QString chosen = Dialogs->BrowseForFolder(QStringLiteral("ディレクトリ選択"), initial, this);
    if (chosen.isEmpty() || !TFileKind::IsFolder(chosen))
        return;
    SetTargetText(chosen.endsWith(u'/') ? chosen : chosen + u'/');
    UpdateFilterState();
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    DropData(*event->mimeData());
}

void TForm1::DropData(const QMimeData &data)
{
    // The address list as it came: QUrl loses the bytes of a name that is
    // not UTF-8.
    const QByteArray uriList = data.data(QStringLiteral("text/uri-list"));
    QList<QByteArray> uris;
    for (const QByteArray &line : uriList.split('\n'))
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            uris << line.trimmed();
    if (!uris.isEmpty())
        DropFiles(uris);
    else
        DropFiles(data.urls());
}

void TForm1::DropFiles(const QList<QUrl> &items)
{
    QList<QByteArray> uris;
    for (const QUrl &url : items)
        uris << url.toEncoded();
    DropFiles(uris);
}

void TForm1::DropFiles(const QList<QByteArray> &items)
{
    // Only the first item counts; one that is neither a file nor a folder
    // (a link to a web page, say) leaves the target as it was.
    const QString path = items.isEmpty() ? QString() : TNativePath::LocalFileOfUri(items.first());
    if (!path.isEmpty())
        SetTargetFromPath(path);
    UpdateFilterState();
    ForceForeground();
}
