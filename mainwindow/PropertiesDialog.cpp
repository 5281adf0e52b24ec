#include "PropertiesDialog.h"

#include "CodePage.h"
#include "PathText.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>

namespace {

QString PermissionText(QFile::Permissions p)
{
    QString text;
    const QFile::Permission bits[] = {QFile::ReadOwner, QFile::WriteOwner, QFile::ExeOwner,
                                      QFile::ReadGroup, QFile::WriteGroup, QFile::ExeGroup,
                                      QFile::ReadOther, QFile::WriteOther, QFile::ExeOther};
    const char letters[] = "rwx";
    for (int i = 0; i < 9; ++i)
        text += (p & bits[i]) ? QChar::fromLatin1(letters[i % 3]) : u'-';
    return text;
}

QString CodeOfFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return CodeDisplayName(DetectFileCode(file.readAll()));
}

} // namespace

TPropertiesDialog::TPropertiesDialog(const QString &path, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    const QFileInfo info(path);
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
    row(QStringLiteral("サイズ:"), QLocale(QLocale::Japanese).toString(info.size()) + QStringLiteral(" バイト"), "Size");
    row(QStringLiteral("更新日時:"), info.lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), "Modified");
    row(QStringLiteral("アクセス権:"), PermissionText(info.permissions()), "Permissions");
    row(QStringLiteral("所有者:"), info.owner() + u':' + info.group(), "Owner");
    row(QStringLiteral("文字コード:"), CodeOfFile(path), "Code");
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    form->addRow(buttons);
}
