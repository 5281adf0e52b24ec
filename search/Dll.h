#pragma once
// Holds one shared library loaded at run time by name.

#include <QFunctionPointer>
#include <QLibrary>
#include <QString>

class TDll
{
public:
    // A bare file name is looked for beside the executable first, then in
    // ../lib/kestu/ from there (the installed layout), then where the system
    // looks for libraries; a path is taken as it is.
    explicit TDll(const QString &name);
    ~TDll();
    TDll(const TDll &) = delete;
    TDll &operator=(const TDll &) = delete;

    bool Loaded() const { return Library.isLoaded(); }
    QFunctionPointer Resolve(const char *entry);
    QString ErrorString() const { return Library.errorString(); }

private:
    QLibrary Library;
};
