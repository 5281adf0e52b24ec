#pragma once
// Character-code ids and their detection from a file's bytes.

#include <QByteArrayView>
#include <QString>

namespace CodeId {
constexpr qint32 ShiftJis = 932;
constexpr qint32 EucJp = 51932;
constexpr qint32 Iso2022Jp = 50220;
constexpr qint32 Utf7 = 65000;
constexpr qint32 Utf8 = 65001;       // with the mark EF BB BF
constexpr qint32 Utf8N = -65001;     // without mark
constexpr qint32 Utf16Le = 1200;
constexpr qint32 Utf16Be = 1201;
constexpr qint32 Utf16LeN = -1200;
constexpr qint32 Utf16BeN = -1201;
constexpr qint32 Unicode = 0;
constexpr qint32 Utf5 = -2;
constexpr qint32 Utf5Alphabet = -20; // only 0-9 and A-V
}

// The code id of a file whose bytes up to (not including) the first zero
// byte are given. Never fails.
qint32 DetectCodePage(QByteArrayView bytes);

// Length (1 to 6) of the UTF-8 sequence that b would begin; 1 when b is no
// lead byte.
int Utf8SequenceLength(unsigned char b);

// The display name of a code id; "---" for an unknown id.
QString CodeDisplayName(qint32 id);

// The code id that a choice of the character-code box stands for;
// choice 0 (automatic) and anything out of range detect from the bytes.
qint32 CodeIdForChoice(int choice, QByteArrayView bytes);

// True for the choices that name a code (1 to 6); the others detect it.
bool ChoiceForcesCode(int choice);

// UTF-16 with its mark: Utf16Le for a file starting FF FE, Utf16Be for
// FE FF, 0 otherwise. Looked at before the cut at the first zero byte,
// since UTF-16 text is full of zero bytes.
qint32 Utf16ByMark(QByteArrayView fileStart);

// The bytes of a UTF-16 text (mark left off) before its first zero code
// unit; a trailing half code unit stays.
QByteArrayView Utf16TextPart(QByteArrayView text);

// The code id that automatic detection gives a whole file: UTF-16 by its
// mark, otherwise DetectCodePage on the bytes before the first zero byte.
qint32 DetectFileCode(QByteArrayView content);
