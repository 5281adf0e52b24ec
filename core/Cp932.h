#pragma once
// The one place where CP932 working text meets QString: everything shown on
// screen, put on the clipboard or printed is converted here.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class TCp932
{
public:
    // CP932 bytes to text; a byte sequence that is not CP932 becomes U+FFFD.
    static QString ToQString(QByteArrayView bytes);
    // CP932 bytes to UTF-8 bytes (the same rules as ToQString).
    static QByteArray ToUtf8(QByteArrayView bytes);
    // Text to CP932 bytes. Returns false (and leaves out the characters it
    // cannot hold) when some character has no CP932 form.
    static bool FromQString(const QString &text, QByteArray &out);
    // Whether the converter for CP932 is available at all.
    static bool Available();
};
