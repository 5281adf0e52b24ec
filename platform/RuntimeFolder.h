#pragma once

#include <QString>

// The folder for this user's sockets (the single-instance name).
//
// $XDG_RUNTIME_DIR is made for this: per user, mode 0700, set up by the
// session. Where it is not set, a folder "kestu-<user id>" inside the
// temporary folder stands in: created with mode 0700, and used only while
// it is a real folder (no link) of this user that nobody else may enter.
// Another user who creates that name first cannot take the place over: the
// folder is refused, and the caller goes without.
class TRuntimeFolder
{
public:
    // The folder for this process; empty when there is none to use (reason
    // says why).
    static QString ForThisUser(QString *reason = nullptr);

    // The rule with its inputs given: runtimeDir is the variable's value
    // (empty: not set; a relative value counts as not set), temp the folder
    // in which the stand-in is made, uid the user it belongs to.
    static QString Resolve(const QString &runtimeDir, const QString &temp, uint uid, QString *reason = nullptr);
};
