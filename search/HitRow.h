#pragma once
// One hit as a line of text, "path:line:column: text", the text being the
// context the hit recorded, decoded. Copying a row and saving the list as
// text both write this form.

#include "GrepResult.h"

#include <QString>

class THitRow
{
public:
    static QString Text(const TGrepResult &hit);
};
