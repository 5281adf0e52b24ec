#include "FolderBrowser.h"

#include "FileKind.h"
#include "FolderReader.h"
#include "NativePath.h"
#include "PathText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

enum : int { NameRole = Qt::UserRole, FolderRole };

QString WithSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString ParentOf(const QString &folder)
{
    QString path = folder;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash + 1);
}

} // namespace

TFolderBrowser::TFolderBrowser(const QString &title, TMode mode, QWidget *parent)
    : QDialog(parent), Mode(mode)
{
    setObjectName(QStringLiteral("FolderBrowser"));
    setWindowTitle(mode == TMode::Folders ? QStringLiteral("フォルダの参照") : QStringLiteral("ファイルを開く"));
    auto *layout = new QVBoxLayout(this);
    Title = new QLabel(title, this);
    Title->setVisible(!title.isEmpty());
    layout->addWidget(Title);

    auto *row = new QHBoxLayout;
    PathEdit = new QLineEdit(this);
    PathEdit->setObjectName(QStringLiteral("FolderBrowserPath"));
    UpButton = new QToolButton(this);
    UpButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    UpButton->setToolTip(QStringLiteral("一つ上のフォルダへ (Alt+Up)"));
    row->addWidget(PathEdit, 1);
    row->addWidget(UpButton);
    layout->addLayout(row);

    Entries = new QListWidget(this);
    Entries->setObjectName(QStringLiteral("FolderBrowserList"));
    Entries->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(Entries, 1);
    Problem = new QLabel(this);
    Problem->setVisible(false);
    layout->addWidget(Problem);

    auto *buttons = new QDialogButtonBox(this);
    OkButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(UpButton, &QToolButton::clicked, this, &TFolderBrowser::GoUp);
    connect(Entries, &QListWidget::itemActivated, this, &TFolderBrowser::OpenItem);
    connect(Entries, &QListWidget::currentItemChanged, this, &TFolderBrowser::UpdateButtons);
    connect(PathEdit, &QLineEdit::returnPressed, this, &TFolderBrowser::GoToTyped);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFolderBrowser::AcceptChoice);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 420);
}

bool TFolderBrowser::ShowFolder(const QString &folder)
{
    const QString path = WithSlash(folder);
    TFolderReader reader(path);
    if (!reader.IsOpen()) {
        Problem->setText(QStringLiteral("フォルダを開けません: %1 %2").arg(ShownPath(path), reader.Failure()));
        Problem->setVisible(true);
        return false;
    }
    struct TEntry
    {
        QString Shown, Name;
        bool Folder;
    };
    std::vector<TEntry> found;
    while (reader.Next()) {
        const char *name = reader.Name();
        if (name[0] == '.')
            continue; // hidden, as in the desktop's own dialogs; a typed path reaches them
        const TFileKind::Kind kind = reader.Kind();
        const bool isFolder = kind == TFileKind::Folder;
        if (!isFolder && (Mode == TMode::Folders || kind != TFileKind::File))
            continue;
        const QString raw = TNativePath::Decode(QByteArrayView(name));
        found.push_back({ShownPath(raw), raw, isFolder});
    }
    std::sort(found.begin(), found.end(), [](const TEntry &a, const TEntry &b) {
        if (a.Folder != b.Folder)
            return a.Folder;
        return a.Shown.compare(b.Shown, Qt::CaseInsensitive) < 0;
    });
    Current = path;
    Problem->setVisible(false);
    Entries->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const TEntry &e : found) {
        auto *item = new QListWidgetItem(e.Folder ? folderIcon : fileIcon, e.Shown, Entries);
        item->setData(NameRole, e.Name);
        item->setData(FolderRole, e.Folder);
    }
    PathEdit->setText(ShownPath(Current));
    UpButton->setEnabled(Current != QStringLiteral("/"));
    UpdateButtons();
    return true;
}

void TFolderBrowser::SelectName(const QString &name)
{
    for (int i = 0; i < Entries->count(); ++i) {
        if (Entries->item(i)->data(NameRole).toString() == name) {
            Entries->setCurrentRow(i);
            Entries->scrollToItem(Entries->item(i));
            return;
        }
    }
}

QString TFolderBrowser::Chosen() const
{
    const QListWidgetItem *item = Entries->currentItem();
    const bool selected = item && item->isSelected();
    if (Mode == TMode::Folders) {
        if (selected && item->data(FolderRole).toBool())
            return Current + item->data(NameRole).toString() + u'/';
        return Current;
    }
    if (selected && !item->data(FolderRole).toBool())
        return Current + item->data(NameRole).toString();
    return {};
}

void TFolderBrowser::GoUp()
{
    const QString from = Current;
    if (ShowFolder(ParentOf(Current))) {
        QString name = from;
        name.chop(1);
        SelectName(name.mid(name.lastIndexOf(u'/') + 1));
    }
}

void TFolderBrowser::OpenItem(QListWidgetItem *item)
{
    if (!item)
        return;
    if (item->data(FolderRole).toBool())
        ShowFolder(Current + item->data(NameRole).toString() + u'/');
    else
        AcceptChoice();
}

void TFolderBrowser::GoToTyped()
{
    const QString typed = PathEdit->text();
    // The field shows names decoded; unchanged, it stands for the bytes.
    if (typed == ShownPath(Current))
        return;
    const QString path = QDir::isAbsolutePath(typed) ? typed : Current + typed;
    if (TFileKind::IsFolder(path)) {
        ShowFolder(path);
    } else if (Mode == TMode::Files && TFileKind::IsFile(path)) {
        const qsizetype slash = path.lastIndexOf(u'/');
        if (ShowFolder(path.left(slash + 1)))
            SelectName(path.mid(slash + 1));
    } else {
        Problem->setText(QStringLiteral("見つかりません: %1").arg(typed));
        Problem->setVisible(true);
    }
}

void TFolderBrowser::AcceptChoice()
{
    const QListWidgetItem *item = Entries->currentItem();
    // In file mode, OK on a folder opens it rather than ending the dialog.
    if (Mode == TMode::Files && item && item->isSelected() && item->data(FolderRole).toBool()) {
        OpenItem(Entries->currentItem());
        return;
    }
    if (!Chosen().isEmpty())
        accept();
}

void TFolderBrowser::UpdateButtons()
{
    const QListWidgetItem *item = Entries->currentItem();
    OkButton->setEnabled(Mode == TMode::Folders || (item && item->isSelected()));
}

void TFolderBrowser::keyPressEvent(QKeyEvent *event)
{
    const bool up = event->key() == Qt::Key_Up && event->modifiers() == Qt::AltModifier;
    const bool back = event->key() == Qt::Key_Backspace && !PathEdit->hasFocus();
    if (up || back) {
        GoUp();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && PathEdit->hasFocus())
        return; // the field's own returnPressed has it
    QDialog::keyPressEvent(event);
}

QString TFolderBrowser::Choose(const QString &title, TMode mode, const QString &start, QWidget *parent)
{
    TFolderBrowser browser(title, mode, parent);
    QString folder = start.isEmpty() ? QDir::homePath() : start;
    QString select;
    if (TFileKind::IsFile(folder)) {
        const qsizetype slash = folder.lastIndexOf(u'/');
        select = folder.mid(slash + 1);
        folder = slash >= 0 ? folder.left(slash + 1) : QDir::currentPath();
    }
    if (!QDir::isAbsolutePath(folder))
        folder = QDir::currentPath() + u'/' + folder;
    // A folder that cannot be shown gives way to the nearest one that can.
    while (!browser.ShowFolder(folder) && folder != QStringLiteral("/"))
        folder = ParentOf(folder);
    if (!select.isEmpty())
        browser.SelectName(select);
    // Arrows, Enter and Backspace work at once; the path field is a Tab away.
    browser.List()->setFocus();
    if (browser.exec() != QDialog::Accepted)
        return {};
    return browser.Chosen();
}
