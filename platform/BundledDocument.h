#pragma once
// Where a document that comes with the program lies: the read-me and the
// manual sit beside the executable in a build tree or a portable copy, and
// under share/doc/kestu/ in an installed tree (bin/kestu beside share/).

#include <QString>

class TBundledDocument
{
public:
    // The first of <programFolder>/<name> and
    // <programFolder>/../share/doc/kestu/<name> that is a file. When neither
    // is, the path beside the executable, so a caller that opens it without
    // checking names the place where the document belongs. name may hold a
    // subfolder ("manual/index.html").
    static QString Path(const QString &name, const QString &programFolder);
    // The same for the running program's folder.
    static QString Path(const QString &name);
};
