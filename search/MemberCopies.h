#pragma once
// Copies of archive members on disk, for the programs a hit is handed to
// (its default program, the tools, Send To) and for the preview: each
// member is unpacked once, into a private folder (0700) that is removed
// with this object, and the copy is used again after that.

#include "ArchiveWalker.h"

#include <QString>
#include <map>

class TMemberCopies
{
public:
    // Copies go to a new folder under parent (default: $XDG_RUNTIME_DIR,
    // else the temporary folder), made when the first copy is.
    explicit TMemberCopies(const QString &parent = QString());
    ~TMemberCopies();
    TMemberCopies(const TMemberCopies &) = delete;
    TMemberCopies &operator=(const TMemberCopies &) = delete;

    // The copy of the member a hit names (fileName "ARCHIVE{MEMBER}", the
    // archive's path its first archiveEnd characters). Empty, with the
    // reason, when it cannot be made. The copy has the member's own name
    // and the archive's time of change.
    QString CopyOf(const QString &fileName, qint32 archiveEnd, QString *reason = nullptr);

    // The folder the copies are in; empty before the first copy.
    const QString &Folder() const { return Root; }

private:
    bool MakeRoot(QString *reason);

    QString Parent;
    QString Root;
    int Made = 0;
    std::map<QString, QString> Copies; // hit file name -> copy
};
