#pragma once
// Small helpers for file names, paths and extension lists. Paths use "/" as
// their only separator.

#include <QString>
#include <QStringList>
#include <QStringView>

// The extension of a name or path: from its last "." to the end, dot
// included, when that dot comes after the last "/"; otherwise empty.
// "a.b.txt" -> ".txt", "README" -> "", ".profile" -> ".profile".
QString ExtensionOf(const QString &name);

// The last component of a path ("dir/a.txt" -> "a.txt").
QString FileNameOf(const QString &path);

// The folder part of a path, with its trailing "/" ("dir/a.txt" -> "dir/");
// empty when the path has no "/".
QString FolderPartOf(const QString &path);

// The extension-list test: "*" + lower-cased extension + "," occurs in the
// lower-cased list followed by ",". Callers decide what an empty list and a
// list of exactly "*" mean.
bool ExtensionListContains(const QString &list, const QString &extension);
// The search filter's test: an empty list and a list of exactly "*" take
// every file, any other list the extensions it contains.
bool FilterListTakes(const QString &list, const QString &extension);

// A path as it is shown (on screen, in printed hits): each component that
// is not UTF-8 is read as CP932 (the names of archives from Windows), and
// what is neither shows its bytes as \xNN. The path itself, bytes kept
// exact (TNativePath), is what opens the file.
QString ShownPath(const QString &path);

// Whether a name matches a shell pattern: "*" stands for any run of
// characters, "?" for one character, "[abc]" and "[a-z]" for one of a set
// ("[!abc]" for one not in it); everything else stands for itself, case
// counts.
bool NameMatchesPattern(QStringView name, QStringView pattern);

// The patterns of a comma-separated list, each trimmed, empty ones left out.
QStringList PatternListOf(const QString &list);
