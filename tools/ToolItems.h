#pragma once
// One external tool: what is opened on a hit and how its command line is
// filled. A plain record; TToolList owns the records.

#include <QString>
#include <QtGlobal>

class TToolItems
{
public:
    QString Caption;   // menu caption; "&" marks the access key
    QString FilePath;  // the program (or document) opened; may be empty
    QString Param;     // argument template with %F %D %R %L %N %B
    QString Filter;    // extension patterns ("*.txt,*.htm"); empty: never picked by extension
    quint16 ShortCut = 0; // shortcut code, 0 for none

    friend bool operator==(const TToolItems &, const TToolItems &) = default;
};
