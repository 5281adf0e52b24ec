#pragma once
// Archives made by the tests from generated content: ZIP and LZH by hand
// (TestZip.h), everything else through libarchive's writers.

#include "TestZip.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <archive.h>
#include <archive_entry.h>

namespace TestArchives {

// An archive written by libarchive: format "tar", "cpio", "7zip", "iso9660",
// "zip" or "raw" (one entry: a compressed file); filter "none", "gzip",
// "bzip2", "xz" or "zstd".
inline QByteArray Written(const char *format, const char *filter, const QList<TEntry> &entries)
{
    QByteArray out;
    archive *a = archive_write_new();
    const QByteArray f(format), z(filter);
    if (f == "tar")
        archive_write_set_format_pax_restricted(a);
    else if (f == "cpio")
        archive_write_set_format_cpio_newc(a);
    else if (f == "7zip")
        archive_write_set_format_7zip(a);
    else if (f == "iso9660")
        archive_write_set_format_iso9660(a);
    else if (f == "zip")
        archive_write_set_format_zip(a);
    else
        archive_write_set_format_raw(a);
    if (z == "gzip")
        archive_write_add_filter_gzip(a);
    else if (z == "bzip2")
        archive_write_add_filter_bzip2(a);
    else if (z == "xz")
        archive_write_add_filter_xz(a);
    else if (z == "zstd")
        archive_write_add_filter_zstd(a);
    archive_write_set_bytes_in_last_block(a, 1);
    archive_write_open(
        a, &out, nullptr,
        [](archive *, void *client, const void *buffer, size_t length) -> la_ssize_t {
            static_cast<QByteArray *>(client)->append(static_cast<const char *>(buffer), qsizetype(length));
            return la_ssize_t(length);
        },
        nullptr);
    for (const TEntry &e : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_copy_pathname(entry, e.Name.constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, e.Data.size());
        archive_entry_set_mtime(entry, 1700000000, 0);
        archive_write_header(a, entry);
        for (qsizetype at = 0; at < e.Data.size(); at += 1 << 20)
            archive_write_data(a, e.Data.constData() + at, size_t(qMin<qsizetype>(1 << 20, e.Data.size() - at)));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return out;
}

} // namespace TestArchives
