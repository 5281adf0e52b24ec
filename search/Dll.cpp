#include "Dll.h"

#include <QCoreApplication>
#include <QFileInfo>

TDll::TDll(const QString &name)
{
    QString path = name;
    if (!name.contains(u'/') && QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + u'/' + name;
        if (QFileInfo::exists(beside))
            path = beside;
    }
    Library.setFileName(path);
    Library.load();
}

TDll::~TDll()
{
    if (Library.isLoaded())
        Library.unload();
}

QFunctionPointer TDll::Resolve(const char *entry)
{
    return Library.isLoaded() ? Library.resolve(entry) : nullptr;
}
