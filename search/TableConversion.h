#pragma once
// CP932 for UTF-8, UTF-16 and EUC-JP text from tables of every character,
// asked of iconv once: the candidate lines of a file are converted one by
// one, and iconv's set-up and steps for each cost more than the lookups.

#include "IconvConverter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <vector>

namespace TableConversion {

// The CP932 form of text; false where the tables cannot answer for all of
// it (a sequence that is not well formed, a character outside the BMP, a
// surrogate, one that CP932 lacks): iconv then converts the text, and
// decides what each bad spot becomes.
bool FromUtf8(QByteArrayView utf8, QByteArray &out);
bool FromUtf16(QByteArrayView utf16, bool bigEndian, QByteArray &out);
bool FromEucJp(QByteArrayView euc, QByteArray &out);

// The CP932 of each source character, all converted in one call: each is
// followed by a line feed (which only a line feed converts to, and which is
// never part of a double-byte character), so the output splits back into
// one result per source, then an empty one. A character CP932 lacks gives
// an empty result.
QList<QByteArray> ConvertEach(const char *sourceName, TIconvConverter::SkipRule skip,
                              const std::vector<QByteArray> &sources);

} // namespace TableConversion
