#pragma once

#include <QString>

// The folder for this user's sockets (the single-instance name).
//
// $XDG_RUNTIME_DIR is made for this: per user, mode 0700, set up by the
// session. Where it is not set, a folder "kestu-<user id>" inside the
// temporary folder stands in: created with mode 0700, and used only while
// it is a real folder (no link) of this user that nobody else may enter.
// Another user can create that name first (the temporary folder is shared);
// then the stand-in is a folder "kestu-runtime" in this user's cache folder
// ($XDG_CACHE_HOME, else ~/.cache), which nobody else can take, under the
// same rules. Only when that fails too does the caller go without.
class TRuntimeFolder
{
public:
    // The folder for this process; empty when there is none to use (reason
    // says why).
    static QString ForThisUser(QString *reason = nullptr);

    // The rule with its inputs given: runtimeDir is the variable's value
    // (empty: not set; a relative value counts as not set), temp the folder
    // in which the first stand-in is made, cache the user's cache folder for
    // the second one, uid the user they belong to.
    static QString Resolve(const QString &runtimeDir, const QString &temp, const QString &cache, uint uid,
                           QString *reason = nullptr);
};
