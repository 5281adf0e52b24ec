#pragma once
// Saves every hit of a list to a file: text ("path:line:column: text" per
// hit), TSV with a header row, or JSON Lines in kestu-grep --json's form.
// The file is replaced as a whole or not at all.

#include "GrepResult.h"

#include <QString>
#include <vector>

class TResultExport
{
public:
    enum class Format { Text, Tsv, JsonLines };

    // False on failure, with the reason in error.
    static bool Save(const QString &path, const std::vector<TGrepResult> &hits, Format format, QString &error);
    static QByteArray Encode(const std::vector<TGrepResult> &hits, Format format);

    static const char *TsvHeader() { return "file\tline\tcolumn\tlength\tcode\ttext\n"; }
    // A TSV field: backslash, tab, CR and LF written as \\, \t, \r and \n.
    static QByteArray TsvField(const QByteArray &utf8);
};
