#pragma once
// How a path is kept in the settings file, which is UTF-8 text of one line
// per value. A path of UTF-8 characters is stored as it is, as it always was.
// One that would not survive that way (bytes that are not UTF-8, such as a
// Shift-JIS name from a Windows archive; a line break) is stored as a file
// address, "file:///..." with every such byte percent-encoded: plain ASCII,
// one line, and to an older version merely an odd path that names nothing.
// A relative path takes the form "file:" + its percent-encoded bytes.
//
// So that no text is read back as something else, a UTF-8 path that itself
// begins with "file:" is stored as an address too.

#include <QString>

class TStoredPath
{
public:
    static QString ToStored(const QString &path);
    // The path a stored value stands for; a value that is no well-formed
    // address comes back as it stands.
    static QString FromStored(const QString &stored);
};
