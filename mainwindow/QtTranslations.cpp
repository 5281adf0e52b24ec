#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString TQtTranslations::Folder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QTranslator *TQtTranslations::Install()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"), Folder())) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
