#pragma once
// Qt's own Japanese texts (standard buttons, the file dialog, the edit
// boxes' context menus), so that nothing Qt draws reads English in the
// Japanese window. They come from the system's Qt translation files.

#include <QString>

class QTranslator;

class TQtTranslations
{
public:
    // Loads "qtbase_ja" from Qt's translation folder and installs it in the
    // application; returns the installed translator (owned by the
    // application), or nullptr when the file is not there.
    static QTranslator *Install();
    // Where the translation files are looked for.
    static QString Folder();
};
