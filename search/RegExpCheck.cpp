#include "RegExpCheck.h"

#include "BRegExp.h"
#include "Cp932.h"
#include "SjisText.h"

#include <vector>

namespace {

// Patterns longer than this are not cut down to find the fault: each cut
// is one more compile.
constexpr qsizetype kMaxCuts = 2000;

struct Description {
    const char *english; // the start of the library's message
    const char *japanese;
};

const Description kDescriptions[] = {
    {"end pattern with unmatched parenthesis", "閉じていない括弧 \"(\" があります"},
    {"end pattern in group", "グループが閉じないまま終わっています"},
    {"unmatched close parenthesis", "対応する \"(\" のない \")\" があります"},
    {"premature end of char-class", "閉じていない文字クラス \"[\" があります"},
    {"end pattern at left bracket", "閉じていない文字クラス \"[\" があります"},
    {"empty char-class", "空の文字クラスがあります"},
    {"empty range in char class", "文字クラスの範囲の始めが終わりより後ろにあります"},
    {"end pattern at escape", "パターンが \"\\\" で終わっています"},
    {"end pattern at left brace", "\"{\" が閉じないまま終わっています"},
    {"end pattern at meta", "パターンが途中で終わっています"},
    {"end pattern at control", "パターンが途中で終わっています"},
    {"target of repeat operator is not specified", "繰り返しの対象がありません"},
    {"target of repeat operator is invalid", "繰り返せないものを繰り返しています"},
    {"nested repeat operator", "繰り返しが重なっています"},
    {"invalid repeat range", "繰り返し回数の指定が正しくありません"},
    {"too big number for repeat range", "繰り返し回数が大きすぎます"},
    {"upper is smaller than lower", "繰り返し回数の上限が下限より小さくなっています"},
    {"undefined group option", "知らないグループの指定があります"},
    {"invalid POSIX bracket type", "知らない POSIX 文字クラスがあります"},
    {"invalid pattern in look-behind", "後読みに使えないパターンがあります"},
    {"invalid backref number", "ない括弧を後方参照しています"},
    {"numbered backref/call is not allowed", "名前付きグループがあるので番号で参照できません"},
    {"undefined name", "定義されていない名前を参照しています"},
    {"undefined group", "ないグループを参照しています"},
    {"invalid group name", "グループの名前が正しくありません"},
    {"multiplex defined name", "同じ名前のグループが複数あります"},
    {"invalid code point value", "文字コードの値が正しくありません"},
    {"too big wide-char value", "文字コードの値が大きすぎます"},
    {"too long wide-char value", "文字コードの値が長すぎます"},
    {"too big number", "数値が大きすぎます"},
    {"never ending recursion", "終わらない再帰があります"},
    {"invalid character property name", "知らない文字プロパティがあります"},
    {"invalid char in group name", "グループの名前に使えない文字があります"},
    {"too short multi-byte string", "文字が途中で切れています"},
    {"invalid escape", "知らないエスケープがあります"},
};

// Offsets just after each character of a Shift-JIS text, the last one its end.
std::vector<qsizetype> CharacterEnds(QByteArrayView text)
{
    std::vector<qsizetype> ends;
    for (qsizetype i = 0; i < text.size();) {
        i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        ends.push_back(i);
    }
    return ends;
}

} // namespace

QString TRegExpCheck::Describe(const QString &libraryText)
{
    for (const Description &d : kDescriptions)
        if (libraryText.startsWith(QLatin1StringView(d.english), Qt::CaseInsensitive))
            return QString::fromUtf8(d.japanese);
    return {};
}

QString TRegExpCheck::Message(const QString &libraryText, qsizetype position)
{
    QString text = QStringLiteral("正規表現に誤りがあります");
    if (position > 0)
        text += QStringLiteral(" (%1 文字目)").arg(position);
    if (const QString japanese = Describe(libraryText); !japanese.isEmpty())
        text += QStringLiteral(": ") + japanese;
    if (!libraryText.isEmpty())
        text += QStringLiteral(" [") + libraryText + u']';
    return text;
}

QString TRegExpCheck::Problem(QByteArrayView pattern, bool noCase, const QString &library)
{
    TBRegExp adapter(nullptr, library);
    if (!adapter.Loaded())
        return {};
    adapter.NoCase = noCase;
    QString libraryText;
    if (adapter.Try(pattern, libraryText) != BREGEXP_ERR_PATTERN)
        return {};
    // The fault shows at the character after the longest start of the
    // pattern that still compiles: "(a)(" compiles up to "(a)", so the
    // second "(" is the one left open.
    qsizetype position = 0;
    const std::vector<qsizetype> ends = CharacterEnds(pattern);
    if (qsizetype(ends.size()) <= kMaxCuts) {
        QString ignored;
        position = 1;
        for (qsizetype n = qsizetype(ends.size()) - 1; n >= 1; --n) {
            if (adapter.Try(pattern.first(ends[size_t(n - 1)]), ignored) != BREGEXP_ERR_PATTERN) {
                position = n + 1;
                break;
            }
        }
    }
    return Message(libraryText, position);
}
