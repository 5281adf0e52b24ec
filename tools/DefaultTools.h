#pragma once
// The tools a first start offers: one per editor on this machine that can
// open a file at a line, with that editor's line syntax, so that a double
// click on a hit opens the editor at the hit's line without any set-up.

#include "ToolList.h"

#include <QString>

#include <functional>

class TDefaultTools
{
public:
    // Looks a program name up and gives its full path, or empty text.
    using TFindProgram = std::function<QString(const QString &name)>;

    // One tool per known editor that findProgram finds, in the table's order
    // of preference; FilePath is the full path found.
    static TToolList Build(const TFindProgram &findProgram);
    // The same over the programs on PATH.
    static TToolList Build();
};
