#pragma once
// Saves every hit of a list to a file: text ("path:line:column: text" per
// hit), TSV with a header row, or JSON Lines in kestu-grep --json's form.
// The file is replaced as a whole or not at all.

#include "GrepResult.h"
#include "HitStore.h"

#include <QString>

class TResultExport
{
public:
    enum class Format { Text, Tsv, JsonLines };

    // False on failure, with the reason in error.
    static bool Save(const QString &path, const THitStore &hits, Format format, QString &error);
    // One hit's line (TSV: without the header).
    static QByteArray Encode(const TGrepResult &hit, Format format);

    static const char *TsvHeader() { return "file\tline\tcolumn\tlength\tcode\ttext\n"; }
    // A TSV field: backslash, tab, CR and LF written as \\, \t, \r and \n.
    static QByteArray TsvField(const QByteArray &utf8);
};
