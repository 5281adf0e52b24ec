#include "SystemShell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

// glib's headers use "signals" as a name.
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace {

QUrl UrlOf(const QString &target)
{
    // A path that exists, or anything without a scheme, is a local file;
    // "https://..." and the like are addresses.
    if (QFileInfo::exists(target) || !target.contains(u':'))
        return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    return QUrl(target);
}

} // namespace

void TSystemShell::OpenDefault(const QString &target)
{
    if (!target.isEmpty())
        QDesktopServices::openUrl(UrlOf(target)); // the answer is not examined
}

void TSystemShell::StartProgram(const QString &program, const QStringList &arguments)
{
    QProcess::startDetached(program, arguments);
}

void TSystemShell::LaunchDesktopEntry(const QString &entry, const QStringList &files)
{
    GDesktopAppInfo *info = g_desktop_app_info_new_from_filename(QFile::encodeName(entry).constData());
    if (!info)
        return;
    GList *list = nullptr;
    for (const QString &file : files)
        if (!file.isEmpty())
            list = g_list_append(list, g_file_new_for_path(QFile::encodeName(file).constData()));
    g_app_info_launch(G_APP_INFO(info), list, nullptr, nullptr); // the answer is not examined
    g_list_free_full(list, g_object_unref);
    g_object_unref(info);
}

bool TSystemShell::ShowProperties(const QString &path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Without a file manager the bus answers at once with an error.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
