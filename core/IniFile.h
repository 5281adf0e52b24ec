#pragma once
// The settings file held in memory. Loading keeps every section and every
// line of a section in order; reads look values up in that copy, writes
// change only the copy, and Text() gives the whole file back.
//
// Text form (UTF-8, lines ending in CR LF when written; CR LF or LF read;
// files in UTF-16 or CP932 are read too, see DecodeText):
//  - "[name]" (first character "[", last "]") opens a section;
//  - empty lines, lines starting with ";" and lines before the first section
//    are skipped when reading and therefore gone after the next save;
//  - in a section, a line's key is the text before its first "=", exactly
//    as it stands (no blanks trimmed), its value everything after it; a line
//    without "=" is kept in its section but never matches a key.
// Section and key names match without regard to letter case; when a name
// occurs twice, the first occurrence is the one read and replaced.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class TIniFile
{
public:
    TIniFile() = default;

    // Replaces the copy by the sections of a settings text. A leading UTF-8
    // byte-order mark is skipped.
    void SetText(QByteArrayView utf8);
    void SetDecoded(const QString &text);
    // The text of a settings file as it was written: UTF-16 by its mark,
    // UTF-8 (with or without mark) when it is valid UTF-8, else CP932.
    // Nothing when the bytes are none of these faithfully.
    static std::optional<QString> DecodeText(QByteArrayView bytes);
    // The whole copy as a settings text: per section "[name]", its lines and
    // one empty line.
    QByteArray Text() const;

    // Reads a file into the copy (its code found by DecodeText). A missing
    // file gives an empty copy and counts as success; a file that exists but
    // cannot be read, or read faithfully, and anything that is not a regular
    // file (never opened) give an empty copy, false and the reason.
    bool LoadFromFile(const QString &path, QString *reason = nullptr);
    // Writes the copy (UTF-8) over a file atomically, only onto a regular
    // file (TRegularFileWriter). False and the reason when the file cannot
    // be written; the file on disk is then left as it was.
    bool SaveToFile(const QString &path, QString *reason = nullptr) const;

    bool SectionExists(QStringView section) const;
    bool ValueExists(QStringView section, QStringView key) const;
    // Section names in file order, each name once.
    QStringList ReadSections() const;
    // Keys of a section in file order, each key once.
    QStringList ReadSection(QStringView section) const;

    QString ReadString(QStringView section, QStringView key, const QString &defaultValue) const;
    // A value that is no integer (see ParseInteger) gives the default.
    int ReadInteger(QStringView section, QStringView key, int defaultValue) const;
    // Read as an integer with the default as 1 or 0; any non-zero value is true.
    bool ReadBool(QStringView section, QStringView key, bool defaultValue) const;

    // An existing key's line is replaced in place, spelled as given here; a
    // new key goes to the end of its section, a new section to the end of the
    // file. A line break inside a value would split the line on the next load
    // and turn the rest into a line of its own, so CR and LF are stored as
    // blanks.
    void WriteString(QStringView section, QStringView key, const QString &value);
    void WriteInteger(QStringView section, QStringView key, int value);
    void WriteBool(QStringView section, QStringView key, bool value);

    // Removes every section of that name with all its lines.
    void EraseSection(QStringView section);
    // Removes every line of the key from the section that reads see.
    void DeleteKey(QStringView section, QStringView key);

    // The integer form of a value: leading blanks skipped, an optional "+" or
    // "-", then decimal digits, or hexadecimal digits after "$", "0x", "0X",
    // "x" or "X". Decimal numbers must fit in 32 bits signed; hexadecimal ones
    // in 32 bits unsigned and are taken as their 32-bit pattern ("$FFFFFFFF"
    // is -1). Anything else, trailing characters included, gives nothing.
    static std::optional<int> ParseInteger(QStringView text);

private:
    struct TLine
    {
        QString Key;   // the whole line when HasValue is false
        QString Value;
        bool HasValue = false;
    };
    struct TSection
    {
        QString Name;
        QList<TLine> Lines;
    };

    const TSection *FindSection(QStringView name) const;
    TSection *FindSection(QStringView name);
    static qsizetype FindLine(const TSection &section, QStringView key);

    QList<TSection> Sections;
};
