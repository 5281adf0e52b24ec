#pragma once
// CP932 for UTF-8, UTF-16 and EUC-JP text from tables of every character,
// asked of iconv once: the candidate lines of a file are converted one by
// one, and iconv's set-up and steps for each cost more than the lookups.

#include <QByteArray>
#include <QByteArrayView>

namespace TableConversion {

// The CP932 form of text; false where the tables cannot answer for all of
// it (a sequence that is not well formed, a character outside the BMP, a
// surrogate, one that CP932 lacks): iconv then converts the text, and
// decides what each bad spot becomes.
bool FromUtf8(QByteArrayView utf8, QByteArray &out);
bool FromUtf16(QByteArrayView utf16, bool bigEndian, QByteArray &out);
bool FromEucJp(QByteArrayView euc, QByteArray &out);

} // namespace TableConversion
