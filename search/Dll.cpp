#include "Dll.h"

#include <QCoreApplication>
#include <QFileInfo>

TDll::TDll(const QString &name)
{
    QString path = name;
    if (!name.contains(u'/') && QCoreApplication::instance()) {
        // Beside the executable (a build tree, a portable copy), then the
        // installed layout: bin/kestu with lib/kestu/ beside bin/.
        const QString programFolder = QCoreApplication::applicationDirPath();
        for (const QString &folder : {programFolder, programFolder + QStringLiteral("/../lib/kestu")}) {
            const QString candidate = folder + u'/' + name;
            if (QFileInfo::exists(candidate)) {
                path = candidate;
                break;
            }
        }
    }
    Library.setFileName(path);
    // Once loaded the library stays for the life of the process. Workers of
    // a search each load it, and unloading it as the first of them ended
    // pulled it from the others; its compiled-pattern cache (kept for
    // threads that still search while the process exits) then also looked
    // like a leak to LeakSanitizer.
    Library.setLoadHints(QLibrary::PreventUnloadHint);
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
