#pragma once
// Shift-JIS (code page 932) working text: every position and length counts
// bytes, and a double-byte character (lead byte 0x81-0x9F or 0xE0-0xFC plus
// the byte after it) is never split.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// True for the lead bytes of a double-byte character.
inline bool IsLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// True when the byte at the 0-based index is the second byte of a
// double-byte character, judged by walking the text from its first byte.
// The walk may begin at from, any 0-based index known to start a character
// at or before index (the first byte of a line always does).
bool IsTrailByteAt(QByteArrayView text, qsizetype index, qsizetype from = 0);

// Lower-cases CP932 text in place the way the desktop's locale does it:
// ASCII A-Z, and the double-byte full-width Latin, Greek and Cyrillic
// capitals to their small forms. The byte length never changes. A lead byte
// directly before CR or LF stands alone, as it does at the end of a line.
void LowerCaseCp932InPlace(char *data, qsizetype size);
QByteArray LowerCaseCp932(QByteArrayView text);

// The same case table applied to a QString (used for names and extension
// lists, which live as QString in the program).
QString LowerCaseLikeCp932(const QString &text);

// 1-based position of the first occurrence of pattern in text at or after
// the 1-based start, or 0. The scan starts at start and steps over whole
// characters, so a hit never begins on a second byte; start is expected to
// lie on a character boundary.
qsizetype FindFrom(QByteArrayView text, qsizetype start, QByteArrayView pattern);

// A piece of the line from the 1-based start, at most length bytes, moved
// and widened so that it neither begins nor ends inside a character.
// Sets (never clears) touchesStart when the piece begins at the first byte
// and touchesEnd when it reaches the last byte of the line. knownBoundary
// is a 0-based index known to start a character at or before start - 1; it
// keeps the character walk short on very long lines.
QByteArray Excerpt(QByteArrayView line, qsizetype start, qsizetype length,
                   bool &touchesStart, bool &touchesEnd, qsizetype knownBoundary = 0);
