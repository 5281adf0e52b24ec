#pragma once
// The window's command line as typed values. Each argument is one of:
//   a path          an existing file becomes the target as it is, an existing
//                   folder with a trailing "/" (both made absolute);
//   -restore        bring the running window to the front;
//   -s<text>        search text      -f<filter>   file filter
//   -r0/-r1         regular expression   -b0/-b1   subfolders
//   -i0/-i1         ignore case          -d0/-d1   detail rows
//   -c<digit>       character code 0..6  -l<n>     depth limit (clamped to 0..64)
// Anything else, an option without its value, a switch with a digit other
// than 0 or 1, a malformed number: the argument is ignored. A later
// argument overrides an earlier one of the same kind.

#include <QString>
#include <QStringList>

#include <optional>

struct TStartArguments
{
    std::optional<QString> Target;
    std::optional<QString> Filter;
    std::optional<QString> Grep;
    std::optional<bool> RegExpr;
    std::optional<bool> SubDirectory;
    std::optional<bool> IgnoreCase;
    std::optional<bool> IgnoreWidth;
    std::optional<bool> IgnoreKana;
    std::optional<bool> SearchArchives;
    std::optional<bool> Detail;
    std::optional<int> CodePage;
    std::optional<int> SubLimit;
    bool Restore = false;

    static TStartArguments Parse(const QStringList &arguments);
    // Folds one more argument in.
    void Add(const QString &argument);

    // The target text for a path: an existing file as its absolute path, an
    // existing folder as its absolute path with a trailing "/"; nothing for
    // a path that is neither.
    static std::optional<QString> TargetOf(const QString &path);

    friend bool operator==(const TStartArguments &, const TStartArguments &) = default;
};
