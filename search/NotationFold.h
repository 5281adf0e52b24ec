#pragma once
// Folds the notations one Japanese word is written in: full-width and
// half-width forms, hiragana and katakana, and letter case. Text and search
// text folded alike compare equal where a reader would call them the same
// word (ﾃﾞｰﾀ, データ and でーた; ＡＢＣ, ABC and abc).
//
// Works on CP932 working text. The tables are worked out once from Unicode's
// own rules over every CP932 character: width from the compatibility
// normalisation (NFKC) of the characters Unicode marks as wide or narrow
// forms, kana from the fixed distance between the hiragana and katakana
// blocks. A mapping is kept only when its result is again a CP932
// character. Every folded character is a fixed point: folding twice gives
// what folding once gave.

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

class TNotationFold
{
public:
    enum : unsigned {
        Width = 1, // full-width and half-width forms
        Kana = 2,  // hiragana and katakana
        Case = 4,  // capital and small letters (as LowerCaseCp932)
    };

    explicit TNotationFold(unsigned flags = 0);

    unsigned Flags() const { return FlagSet; }
    bool Active() const { return FlagSet != 0; }

    // Folds text into out. When sourceAt is given it gets, for every byte of
    // out, the offset in text where the character it comes from begins, and
    // one entry more: text.size(). A half-width katakana and the voiced or
    // semi-voiced mark after it fold together into one character when a
    // full-width one stands for the pair.
    void Fold(QByteArrayView text, QByteArray &out, std::vector<qsizetype> *sourceAt = nullptr) const;
    QByteArray Fold(QByteArrayView text) const;

    // Every way of writing one folded character in working text: the
    // characters (or half-width pairs) that fold to it.
    std::vector<QByteArray> Forms(QByteArrayView foldedChar) const;
    // Whether the character is only ever written as itself.
    bool IsFixed(QByteArrayView foldedChar) const;

    // The longest stretch of a folded text whose every character is fixed:
    // every stretch of working text that folds to the text holds these very
    // bytes. Empty when no character is fixed.
    QByteArray FixedRun(QByteArrayView folded) const;

    // The forms of the character of a folded text that is best looked for
    // in the raw text to find the lines that can hold it: the one whose
    // forms are longest and fewest. Empty for an empty text.
    std::vector<QByteArray> RarestForms(QByteArrayView folded) const;

    // A regular expression (Perl syntax, Shift-JIS) for folded text: every
    // literal character folded, a character that folds to an ASCII sign
    // escaped, and each character class given the folded form of each of
    // its members, ranges included. Escapes are kept as written.
    QByteArray FoldPattern(QByteArrayView pattern) const;

    struct TTables;

private:
    qsizetype FoldClass(QByteArrayView pattern, qsizetype at, QByteArray &out) const;

    unsigned FlagSet;
    const TTables *Tables;
};
