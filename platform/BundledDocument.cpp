#include "BundledDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString TBundledDocument::Path(const QString &name, const QString &programFolder)
{
    const QString beside = QDir::cleanPath(programFolder + u'/' + name);
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../share/doc/kestu/") + name);
    for (const QString &candidate : {beside, installed})
        if (QFileInfo(candidate).isFile())
            return candidate;
    return beside;
}

QString TBundledDocument::Path(const QString &name)
{
    return Path(name, QCoreApplication::applicationDirPath());
}
