#include "PropertiesDialog.h"

#include "CodeDetector.h"
#include "CodePage.h"
#include "FileFacts.h"
#include "PathText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// What a title bar takes besides its text: icon, buttons and margins.
constexpr int TitleBarExtra = 160;

QString PermissionText(unsigned mode)
{
    QString text;
    for (int i = 0; i < 9; ++i)
        text += (mode & (0400u >> i)) ? QChar::fromLatin1("rwx"[i % 3]) : u'-';
    return text;
}

} // namespace

TPropertiesDialog::TPropertiesDialog(const QString &path, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    // A file gone since the search shows its name and empty facts.
    const TFileFacts facts = TFileFacts::Of(path).value_or(TFileFacts());
    const std::optional<qint32> code = DetectCodeOfFile(path);
    setWindowTitle(ShownPath(FileNameOf(path)) + QStringLiteral("のプロパティ"));
    auto *form = new QFormLayout(this);
    const auto row = [&](const QString &label, const QString &value, const char *name) {
        auto *text = new QLabel(value, this);
        text->setObjectName(QLatin1String(name));
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, text);
    };
    row(QStringLiteral("名前:"), ShownPath(FileNameOf(path)), "Name");
    row(QStringLiteral("場所:"), ShownPath(FolderPartOf(path)), "Folder");
    row(QStringLiteral("サイズ:"), QLocale(QLocale::Japanese).toString(facts.Size) + QStringLiteral(" バイト"), "Size");
    row(QStringLiteral("更新日時:"), facts.Modified.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), "Modified");
    row(QStringLiteral("アクセス権:"), PermissionText(facts.Mode), "Permissions");
    row(QStringLiteral("所有者:"), facts.Owner + u':' + facts.Group, "Owner");
    row(QStringLiteral("文字コード:"), code ? CodeDisplayName(*code) : QString(), "Code");
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    form->addRow(buttons);
    // Wide enough for its title (the window manager's buttons and margins
    // take about as much again as the icon and a few letters), up to most
    // of the screen.
    const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(windowTitle());
    int widest = 1200;
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        widest = screen->availableGeometry().width() * 4 / 5;
    setMinimumWidth(std::min(widest, std::max(minimumSizeHint().width(), titleWidth + TitleBarExtra)));
}
