#pragma once
// The launchers of the Send To folder: every *.desktop file (suffix in any
// letter case) directly in the folder, in the order the file system lists
// them; folders, also ones named like a launcher, are skipped.

#include <QString>
#include <QStringList>

class TSendToLinks
{
public:
    // Full paths of the launchers in folder; empty when folder is empty or
    // no existing folder.
    static QStringList List(const QString &folder);
    // The menu caption of a launcher: its file name without folder and
    // without the ".desktop" suffix.
    static QString CaptionOf(const QString &path);
};
