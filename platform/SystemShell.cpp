#include "SystemShell.h"

#include "FileKind.h"
#include "NativePath.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include <vector>

// glib's headers use "signals" as a name.
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace {

// A file address that keeps the path's own bytes, also those that are not
// UTF-8 (QUrl::fromLocalFile would change them).
QByteArray FileUriOf(const QString &path)
{
    return TNativePath::FileUri(path.startsWith(u'/') ? path : QDir::current().absoluteFilePath(path));
}

bool IsLocal(const QString &target)
{
    // A path that exists, or anything without a scheme, is a local file;
    // "https://..." and the like are addresses.
    return TFileKind::Of(target) != TFileKind::Missing || !target.contains(u':');
}

} // namespace

QString TSystemShell::OpenDefault(const QString &target)
{
    if (target.isEmpty())
        return {};
    if (!IsLocal(target)) {
        QDesktopServices::openUrl(QUrl(target)); // an address: its answer is not examined
        return {};
    }
    // Every local name takes the same road, whatever its bytes: GIO takes
    // the address with them as they are (QUrl would lose those that are not
    // UTF-8), and it says when no program is registered for the file.
    GError *error = nullptr;
    if (g_app_info_launch_default_for_uri(FileUriOf(target).constData(), nullptr, &error))
        return {};
    const QString reason = error->domain == G_IO_ERROR && error->code == G_IO_ERROR_NOT_SUPPORTED
                               ? QStringLiteral("関連付けられたプログラムがありません")
                               : QString::fromUtf8(error->message);
    g_error_free(error);
    return reason;
}

QString TSystemShell::StartProgram(const QString &program, const QStringList &arguments)
{
    // The program gets the exact bytes of every name; GLib reaps it.
    std::vector<QByteArray> bytes;
    bytes.push_back(TNativePath::Encode(program));
    for (const QString &argument : arguments)
        bytes.push_back(TNativePath::Encode(argument));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    GError *error = nullptr;
    if (g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error))
        return {};
    const QString reason = error->domain == G_SPAWN_ERROR && error->code == G_SPAWN_ERROR_TOO_BIG
                               ? QStringLiteral("コマンドラインがシステムの上限を超えています")
                               : QString::fromUtf8(error->message);
    g_error_free(error);
    return reason;
}

void TSystemShell::LaunchDesktopEntry(const QString &entry, const QStringList &files)
{
    GDesktopAppInfo *info = g_desktop_app_info_new_from_filename(TNativePath::Encode(entry).constData());
    if (!info)
        return;
    GList *list = nullptr;
    for (const QString &file : files)
        if (!file.isEmpty())
            list = g_list_append(list, g_file_new_for_path(TNativePath::Encode(file).constData()));
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
    call << QStringList{QString::fromLatin1(FileUriOf(path))} << QString();
    // Without a file manager the bus answers at once with an error.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
