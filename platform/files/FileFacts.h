#pragma once
// What the file system records about a file (links followed), read through
// its exact name bytes, so that a name that is not UTF-8 gets its own facts.

#include <QDateTime>
#include <QString>

#include <optional>

struct TFileFacts
{
    qint64 Size = 0;
    QDateTime Modified;
    unsigned Mode = 0; // the permission bits, as in st_mode & 0777
    QString Owner;     // the user's name, or the number where it has none
    QString Group;

    // Nothing when the path cannot be looked at.
    static std::optional<TFileFacts> Of(const QString &path);
};
