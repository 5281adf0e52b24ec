#include "CliOptions.h"

#include <climits>
#include <iterator>

namespace {

bool ParseNumber(const QString &text, int low, int high, bool clamp, int &out)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    if (!ok)
        return false;
    if (value < low || value > high) {
        if (!clamp)
            return false;
        out = value < low ? low : high;
        return true;
    }
    out = int(value);
    return true;
}

// Enough for any use; keeps the line arithmetic far from overflow.
constexpr int MaxContextLines = 1000000;

// The character codes -c takes by name, in the order of their numbers.
const char *const CodeNames[] = {"auto", "sjis", "euc-jp", "iso-2022-jp", "utf-7", "utf-8", "utf-8n"};

bool ParseCode(const QString &value, int &out)
{
    for (int i = 0; i < int(std::size(CodeNames)); ++i) {
        if (value.compare(QLatin1String(CodeNames[i]), Qt::CaseInsensitive) == 0) {
            out = i;
            return true;
        }
    }
    return ParseNumber(value, 0, 6, false, out);
}

bool ParseLines(const QString &value, int &out, const QString &name, QString &error)
{
    if (ParseNumber(value, 0, MaxContextLines, false, out))
        return true;
    error = QStringLiteral("%1 needs a number from 0 to %2: ").arg(name).arg(MaxContextLines) + value;
    return false;
}

// auto (also for no value), always or never.
bool ParseWhen(const QString &v, TCliOptions::ColourWhen &out, const QString &name, QString &error)
{
    if (v.isEmpty() || v == QLatin1String("auto"))
        out = TCliOptions::ColourWhen::Auto;
    else if (v == QLatin1String("always"))
        out = TCliOptions::ColourWhen::Always;
    else if (v == QLatin1String("never"))
        out = TCliOptions::ColourWhen::Never;
    else {
        error = name + QStringLiteral(" needs auto, always or never: ") + v;
        return false;
    }
    return true;
}

bool ParseSizeBound(const QString &v, std::optional<qint64> &out, const QString &name, QString &error)
{
    out = TFileLimits::ParseSize(v);
    if (out)
        return true;
    error = name + QStringLiteral(" needs a size such as 500K, 20M or 1G: ") + v;
    return false;
}

bool ParseTimeBound(const QString &v, const QDateTime &now, std::optional<qint64> &out, const QString &name,
                    QString &error)
{
    out = TFileLimits::ParseTime(v, now);
    if (out)
        return true;
    error = name + QStringLiteral(" needs a date such as 2003-04-12, \"2003-04-12 10:00\" or 7d, 12h, 30m: ") + v;
    return false;
}

// One option: its letter (or none), its long name (or none), whether it
// takes a value, and what it does. name is the form the user typed, for
// the messages. A new option is one more row.
enum class TValue { None, Needed, Optional };
struct TOptionRow
{
    char Short;
    const char *Long;
    TValue Value;
    bool (*Apply)(TCliOptions &o, const QString &value, const QString &name, QString &error);
};

const TOptionRow OptionTable[] = {
    {'b', "recursive", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.Recursive = true; }},
    {'l', "max-depth", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         if (ParseNumber(v, 0, 64, true, o.Search.DepthLimit))
             return true;
         error = name + QStringLiteral(" needs a number: ") + v;
         return false;
     }},
    {'i', "ignore-case", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.NoCase = true; }},
    {'W', "ignore-width", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.IgnoreWidth = true; }},
    {'K', "ignore-kana", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.IgnoreKana = true; }},
    {'z', "search-archives", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.SearchArchives = true; }},
    {'r', "regex", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.UseRegExp = true; }},
    {'c', "code", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         if (ParseCode(v, o.Search.CodeChoice))
             return true;
         error = name + QStringLiteral(" needs a number from 0 to 6 or auto, sjis, euc-jp, iso-2022-jp, utf-7, utf-8, utf-8n: ") + v;
         return false;
     }},
    {'f', "filter", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &, QString &) {
         o.Search.FilterList = v;
         return true;
     }},
    {0, "exclude-dir", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &, QString &) {
         if (!v.isEmpty())
             o.Search.ExcludeDirs.append(v);
         return true;
     }},
    {'L', "follow", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Search.FollowLinks = true; }},
    {'j', "jobs", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         if (ParseNumber(v, 1, 256, false, o.Workers))
             return true;
         error = name + QStringLiteral(" needs a number from 1 to 256: ") + v;
         return false;
     }},
    {'A', "after-context", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) { return ParseLines(v, o.After, name, error); }},
    {'B', "before-context", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) { return ParseLines(v, o.Before, name, error); }},
    {'C', "context", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) { return ParseLines(v, o.Context, name, error); }},
    {'w', "word-regexp", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.WordRegexp = true; }},
    {'o', "only-matching", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.OnlyMatching = true; }},
    {'m', "max-count", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         if (ParseNumber(v, 0, INT_MAX, false, o.MaxCount))
             return true;
         error = name + QStringLiteral(" needs a number from 0: ") + v;
         return false;
     }},
    {'q', "quiet", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Quiet = true; }},
    {0, "silent", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Quiet = true; }},
    {'s', "no-messages", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.NoMessages = true; }},
    {0, "null", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.NullAfterPath = true; }},
    {'H', "with-filename", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) {
         o.NoFileName = false;
         return true;
     }},
    {0, "no-filename", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.NoFileName = true; }},
    {0, "count", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Count = true; }},
    {0, "files-with-matches", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.FilesWithMatches = true; }},
    {0, "json", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Json = true; }},
    {0, "color", TValue::Optional, [](TCliOptions &o, const QString &v, const QString &, QString &error) {
         return ParseWhen(v, o.Colour, QStringLiteral("--color"), error);
     }},
    {0, "output-encoding", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         const QString code = v.toLower();
         if (code == QLatin1String("utf-8") || code == QLatin1String("utf8"))
             o.OutputCode.clear();
         else if (code == QLatin1String("sjis") || code == QLatin1String("shift-jis") || code == QLatin1String("cp932"))
             o.OutputCode = "CP932";
         else if (code == QLatin1String("euc-jp") || code == QLatin1String("eucjp"))
             o.OutputCode = "EUC-JP";
         else {
             error = name + QStringLiteral(" needs utf-8, sjis or euc-jp: ") + v;
             return false;
         }
         return true;
     }},
    {0, "hyperlink", TValue::Optional, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         return ParseWhen(v, o.Hyperlink, name, error);
     }},
    {0, "max-filesize", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         return ParseSizeBound(v, o.Search.Limits.MaxSize, name, error);
     }},
    {0, "min-filesize", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         return ParseSizeBound(v, o.Search.Limits.MinSize, name, error);
     }},
    {0, "newer", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         return ParseTimeBound(v, o.Now, o.Search.Limits.Newer, name, error);
     }},
    {0, "older", TValue::Needed, [](TCliOptions &o, const QString &v, const QString &name, QString &error) {
         return ParseTimeBound(v, o.Now, o.Search.Limits.Older, name, error);
     }},
    {'h', "help", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Help = true; }},
    {0, "version", TValue::None, [](TCliOptions &o, const QString &, const QString &, QString &) { return o.Version = true; }},
};

const TOptionRow *ShortOption(QChar c)
{
    for (const TOptionRow &row : OptionTable)
        if (row.Short && c == QLatin1Char(row.Short))
            return &row;
    return nullptr;
}

const TOptionRow *LongOption(QStringView name)
{
    if (name == u"colour")
        name = u"color";
    for (const TOptionRow &row : OptionTable)
        if (row.Long && name == QLatin1String(row.Long))
            return &row;
    return nullptr;
}

} // namespace

QString TCliOptions::Usage()
{
    return QStringLiteral("usage: kestu-grep [-b] [-l N] [-i] [-W] [-K] [-z] [-r] [-c N] [-f LIST] [--exclude-dir GLOB] [-L] [-j N] [-A N] [-B N] [-C N] [--count] [--files-with-matches] [--json] [--color=WHEN] [-w] [-o] [-m N] [-q] [-s] [--null] [-H] [--no-filename] [--output-encoding=CODE] [--hyperlink=WHEN] [--min-filesize SIZE] [--max-filesize SIZE] [--newer DATE] [--older DATE] TEXT [TARGET...]");
}

QString TCliOptions::HelpText()
{
    return Usage() + QStringLiteral(R"HELP(

ファイルまたはフォルダの中から TEXT を検索し、該当箇所を一行ずつ表示します。
各ファイルの文字コード (Shift-JIS, EUC-JP, ISO-2022-JP, UTF-7, UTF-8, UTF-16) を判定して検索します。
Searches each TARGET (a file or a folder) for TEXT and prints every hit, one per line.
Each file's character code is detected (or taken from -c) before searching.
TARGET が無いときや "-" のときは標準入力を検索します (名前は "(standard input)")。
With no TARGET, or with "-", standard input is searched.

  -b, --recursive       サブフォルダも検索する / walk subfolders
  -l, --max-depth N     サブフォルダの深さの上限 (0 = 無制限, 0..64) / depth limit (0 = none)
  -i, --ignore-case     大文字と小文字を区別しない / ignore letter case
  -W, --ignore-width    全角と半角を区別しない (ＡＢＣ = ABC, ﾃﾞｰﾀ = データ)
                        / full-width and half-width forms match each other
  -K, --ignore-kana     ひらがなとカタカナを区別しない (でーた = データ)
                        / hiragana and katakana match each other
  -z, --search-archives アーカイブ (LZH, ZIP, 7z, tar...) と圧縮ファイル (.gz,
                        .bz2, .xz, .zst) の中も検索する。該当は ARCHIVE{MEMBER}
                        / search inside archives and compressed files; hits
                        are named ARCHIVE{MEMBER}; -f applies to the members
  -r, --regex           正規表現 / TEXT is a regular expression
  -c, --code N          文字コード / character code: 0 auto (自動), 1 sjis, 2 euc-jp,
                        3 iso-2022-jp, 4 utf-7, 5 utf-8, 6 utf-8n (番号でも名前でも)
  -f, --filter LIST     拡張子フィルタ / extension filter, e.g. "*.txt,*.html" (default "*")
  --exclude-dir GLOB    名前が合うサブフォルダに入らない (繰り返し可)
                        / do not enter subfolders whose name matches (repeatable)
  -L, --follow          フォルダ内のフォルダへのリンクもたどる (ループは一度で止まる)
                        / also enter links to folders met inside the tree (a link
                        back up is not entered again)
  -j, --jobs N          並行して検索するスレッド数 / files searched side by side
                        (default: one per hardware thread; the output is the same)
  -A, --after-context N   該当行の後の N 行も表示 / N lines after each hit
  -B, --before-context N  該当行の前の N 行も表示 / N lines before each hit
  -C, --context N       前後 N 行 / N lines before and after (-A, -B win over it)
  -w, --word-regexp     前後が英数字と _ でない該当だけ / only hits with no ASCII
                        letter, digit or _ beside them
  -o, --only-matching   該当した文字だけ表示 / print the hit's text only
  -m, --max-count N     ファイルごとに N 件まで / at most N hits per file
  -q, --quiet           何も出力せず、最初の該当で終了 (0) / no output; exit 0 at the first hit
  -s, --no-messages     読めないファイルの行を出さない / no line for unreadable files
  --null                --files-with-matches と --count でパスの後に NUL
                        / a NUL after each path of --files-with-matches and --count
  -H, --with-filename   パスを表示する (既定) / show the path (the default)
  --no-filename         パスを表示しない / do not show the path
  --count               ファイルごとの該当数 path:count / hits per file with hits
  --files-with-matches  該当のあるファイル名だけ / only the paths of files with hits
  --json                1 件ずつ JSON で出力 / one JSON object per hit per line
                        (-A/-B/-C のとき "context" 付き / with "context" under -A/-B/-C)
  --color=WHEN          該当箇所の色付け / colour the hits: auto (端末で, NO_COLOR が
                        無いとき / on a terminal without NO_COLOR), always, never
  --output-encoding=CODE  パスと本文をこの文字コードで出力 (utf-8 既定, sjis, euc-jp;
                        表せない文字は ?) / write paths and texts in this code
                        (characters it cannot hold become ?; --json stays UTF-8)
  --hyperlink=WHEN      パスをファイルへの端末リンク (OSC 8) にする / link each path
                        to its file: auto (端末で / on a terminal), always, never (既定)
  --min-filesize SIZE   SIZE 以上のファイルだけ / only files of at least SIZE
  --max-filesize SIZE   SIZE 以下のファイルだけ / only files of at most SIZE
                        (SIZE: 500, 500K, 20M, 1G; K = 1024)
  --newer DATE          DATE 以降に更新したファイルだけ / only files changed at or after DATE
  --older DATE          DATE 以前に更新したファイルだけ / only files changed at or before DATE
                        (DATE: 2003-04-12, "2003-04-12 10:00", or back from now:
                        7d, 12h, 30m; フォルダは日時によらずたどる / folders are
                        walked whatever their own size and time)
  --                    オプションの終わり / end of the options
  長いオプションは --name=VALUE とも書けます / long options also take --name=VALUE
  -h, --help            このヘルプ / this help
  --version             バージョン / version

出力 / output:  path:line:column: text   (column = 1-based byte column in Shift-JIS)
端末以外への出力では、パスはファイルシステムのバイトのまま / when standard output
is not a terminal, paths are written as their own bytes (--json: "fileBytes")
終了コード / exit status: 0 hits found, 1 no hit, 2 error
)HELP");
}

bool TCliOptions::HyperlinksWanted(bool outputIsTerminal) const
{
    if (Json)
        return false;
    return Hyperlink == ColourWhen::Always || (Hyperlink == ColourWhen::Auto && outputIsTerminal);
}

bool TCliOptions::ColourWanted(bool outputIsTerminal, bool noColourSet) const
{
    if (Json)
        return false;
    switch (Colour) {
    case ColourWhen::Always:
        return true;
    case ColourWhen::Never:
        return false;
    case ColourWhen::Auto:
        break;
    }
    return outputIsTerminal && !noColourSet;
}

bool TCliOptions::Parse(const QStringList &arguments, QString &error)
{
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(u'-')) {
            positional.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            // --name, --name=VALUE, or --name VALUE where a value is needed.
            const qsizetype equals = arg.indexOf(u'=');
            const QString name = equals < 0 ? arg : arg.left(equals);
            const TOptionRow *row = LongOption(QStringView(name).sliced(2));
            if (!row) {
                error = QStringLiteral("unknown option: ") + arg;
                return false;
            }
            QString value;
            if (equals >= 0) {
                if (row->Value == TValue::None) {
                    error = name + QStringLiteral(" takes no value");
                    return false;
                }
                value = arg.mid(equals + 1);
                if (value.isEmpty() && row->Value == TValue::Optional) {
                    error = name + QStringLiteral(" needs a value after =");
                    return false;
                }
            } else if (row->Value == TValue::Needed) {
                if (i + 1 >= arguments.size()) {
                    error = name + QStringLiteral(" needs a value");
                    return false;
                }
                value = arguments[++i];
            }
            if (!row->Apply(*this, value, name, error))
                return false;
            continue;
        }
        // A cluster of short options; one that takes a value takes the rest
        // of the cluster ("-l3") or the next argument.
        for (qsizetype k = 1; k < arg.size(); ++k) {
            const QChar c = arg[k];
            const TOptionRow *row = ShortOption(c);
            if (!row) {
                error = QStringLiteral("unknown option: -") + c;
                return false;
            }
            const QString name = QStringLiteral("-") + c;
            if (row->Value == TValue::None) {
                row->Apply(*this, {}, name, error);
                continue;
            }
            QString value = arg.mid(k + 1);
            if (value.isEmpty()) {
                if (i + 1 >= arguments.size()) {
                    error = QStringLiteral("option %1 needs a value").arg(name);
                    return false;
                }
                value = arguments[++i];
            }
            if (!row->Apply(*this, value, name, error))
                return false;
            break;
        }
    }
    if (Help || Version)
        return true;
    if (positional.isEmpty()) {
        error = QStringLiteral("TEXT is needed");
        return false;
    }
    Search.FindText = positional.takeFirst();
    Targets = positional;
    Search.TargetPath = Targets.value(0);
    return true;
}
