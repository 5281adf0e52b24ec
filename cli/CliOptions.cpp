#include "CliOptions.h"

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

} // namespace

QString TCliOptions::Usage()
{
    return QStringLiteral("usage: kestu-grep [-b] [-l N] [-i] [-W] [-K] [-r] [-c N] [-f LIST] [--exclude-dir GLOB] [-L] [-j N] [-A N] [-B N] [-C N] [--count] [--files-with-matches] [--json] [--color=WHEN] TEXT TARGET");
}

QString TCliOptions::HelpText()
{
    return Usage() + QStringLiteral(R"(

ファイルまたはフォルダの中から TEXT を検索し、該当箇所を一行ずつ表示します。
各ファイルの文字コード (Shift-JIS, EUC-JP, ISO-2022-JP, UTF-7, UTF-8, UTF-16) を判定して検索します。
Searches TARGET (a file or a folder) for TEXT and prints every hit, one per line.
Each file's character code is detected (or taken from -c) before searching.

  -b          サブフォルダも検索する / walk subfolders
  -l N        サブフォルダの深さの上限 (0 = 無制限, 0..64) / depth limit (0 = none)
  -i          大文字と小文字を区別しない / ignore letter case
  -W, --ignore-width  全角と半角を区別しない (ＡＢＣ = ABC, ﾃﾞｰﾀ = データ)
              / full-width and half-width forms match each other
  -K, --ignore-kana   ひらがなとカタカナを区別しない (でーた = データ)
              / hiragana and katakana match each other
  -r          正規表現 / TEXT is a regular expression
  -c N        文字コード / character code: 0 自動 (auto), 1 Shift-JIS, 2 EUC-JP,
              3 ISO-2022-JP, 4 UTF7, 5 UTF8, 6 UTF8N
  -f LIST     拡張子フィルタ / extension filter, e.g. "*.txt,*.html" (default "*")
  --exclude-dir GLOB  名前が合うサブフォルダに入らない (繰り返し可)
              / do not enter subfolders whose name matches (repeatable)
  -L, --follow  フォルダ内のフォルダへのリンクもたどる (ループは一度で止まる)
              / also enter links to folders met inside the tree (a link
              back up is not entered again)
  -j N        並行して検索するスレッド数 / files searched side by side
              (default: one per hardware thread; the output is the same)
  -A N        該当行の後の N 行も表示 / N lines after each hit
  -B N        該当行の前の N 行も表示 / N lines before each hit
  -C N        前後 N 行 / N lines before and after (-A, -B win over it)
  --count     ファイルごとの該当数 path:count / hits per file with hits
  --files-with-matches  該当のあるファイル名だけ / only the paths of files with hits
  --json      1 件ずつ JSON で出力 / one JSON object per hit per line
              (-A/-B/-C のとき "context" 付き / with "context" under -A/-B/-C)
  --color=WHEN  該当箇所の色付け / colour the hits: auto (端末で, NO_COLOR が
              無いとき / on a terminal without NO_COLOR), always, never
  -h, --help  このヘルプ / this help
  --version   バージョン / version

出力 / output:  path:line:column: text   (column = 1-based byte column in Shift-JIS)
終了コード / exit status: 0 hits found, 1 no hit, 2 error
)");
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
        if (arg == QLatin1String("--json")) { Json = true; continue; }
        if (arg == QLatin1String("--help")) { Help = true; continue; }
        if (arg == QLatin1String("--count")) { Count = true; continue; }
        if (arg == QLatin1String("--files-with-matches")) { FilesWithMatches = true; continue; }
        if (arg == QLatin1String("--version")) { Version = true; continue; }
        if (arg == QLatin1String("--follow")) { Search.FollowLinks = true; continue; }
        if (arg == QLatin1String("--ignore-width")) { Search.IgnoreWidth = true; continue; }
        if (arg == QLatin1String("--ignore-kana")) { Search.IgnoreKana = true; continue; }
        if (arg == QLatin1String("--exclude-dir") || arg.startsWith(QLatin1String("--exclude-dir="))) {
            QString pattern;
            if (arg.size() > 13) {
                pattern = arg.mid(14);
            } else if (i + 1 < arguments.size()) {
                pattern = arguments[++i];
            } else {
                error = QStringLiteral("--exclude-dir needs a pattern");
                return false;
            }
            if (!pattern.isEmpty())
                Search.ExcludeDirs.append(pattern);
            continue;
        }
        if (arg == QLatin1String("--color") || arg == QLatin1String("--colour")) { Colour = ColourWhen::Auto; continue; }
        if (arg.startsWith(QLatin1String("--color=")) || arg.startsWith(QLatin1String("--colour="))) {
            const QString when = arg.mid(arg.indexOf(u'=') + 1);
            if (when == QLatin1String("auto"))
                Colour = ColourWhen::Auto;
            else if (when == QLatin1String("always"))
                Colour = ColourWhen::Always;
            else if (when == QLatin1String("never"))
                Colour = ColourWhen::Never;
            else {
                error = QStringLiteral("--color needs auto, always or never: ") + when;
                return false;
            }
            continue;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            error = QStringLiteral("unknown option: ") + arg;
            return false;
        }
        // A cluster of short options; -l, -c, -f and -j take a value, attached
        // ("-l3") or as the next argument.
        for (qsizetype k = 1; k < arg.size(); ++k) {
            const QChar c = arg[k];
            if (c == u'b') { Search.Recursive = true; continue; }
            if (c == u'i') { Search.NoCase = true; continue; }
            if (c == u'r') { Search.UseRegExp = true; continue; }
            if (c == u'h') { Help = true; continue; }
            if (c == u'L') { Search.FollowLinks = true; continue; }
            if (c == u'W') { Search.IgnoreWidth = true; continue; }
            if (c == u'K') { Search.IgnoreKana = true; continue; }
            if (c == u'l' || c == u'c' || c == u'f' || c == u'j' || c == u'A' || c == u'B' || c == u'C') {
                QString value = arg.mid(k + 1);
                if (value.isEmpty()) {
                    if (i + 1 >= arguments.size()) {
                        error = QStringLiteral("option -%1 needs a value").arg(c);
                        return false;
                    }
                    value = arguments[++i];
                }
                if (c == u'l' && !ParseNumber(value, 0, 64, true, Search.DepthLimit)) {
                    error = QStringLiteral("-l needs a number: ") + value;
                    return false;
                }
                if (c == u'c' && !ParseNumber(value, 0, 6, false, Search.CodeChoice)) {
                    error = QStringLiteral("-c needs a number from 0 to 6: ") + value;
                    return false;
                }
                if (c == u'j' && !ParseNumber(value, 1, 256, false, Workers)) {
                    error = QStringLiteral("-j needs a number from 1 to 256: ") + value;
                    return false;
                }
                if (c == u'f')
                    Search.FilterList = value;
                if (c == u'A' || c == u'B' || c == u'C') {
                    int &lines = c == u'A' ? After : c == u'B' ? Before : Context;
                    if (!ParseNumber(value, 0, MaxContextLines, false, lines)) {
                        error = QStringLiteral("-%1 needs a number from 0 to %2: ").arg(c).arg(MaxContextLines) + value;
                        return false;
                    }
                }
                break;
            }
            error = QStringLiteral("unknown option: -") + c;
            return false;
        }
    }
    if (Help || Version)
        return true;
    if (positional.size() != 2) {
        error = positional.size() < 2 ? QStringLiteral("TEXT and TARGET are needed")
                                      : QStringLiteral("too many arguments");
        return false;
    }
    Search.FindText = positional[0];
    Search.TargetPath = positional[1];
    return true;
}
