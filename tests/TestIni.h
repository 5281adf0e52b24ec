#pragma once
// A settings file held in memory, from the text a test writes.

#include "IniFile.h"

#include <QByteArray>

inline TIniFile IniFrom(const QByteArray &text)
{
    TIniFile ini;
    ini.SetText(text);
    return ini;
}
