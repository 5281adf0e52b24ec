#pragma once
// Going up one folder level from the search target's text, and the filter
// entry that the automatic filter choice picks on the way. No file is read:
// the caller says whether the text names an existing folder.

#include <QString>
#include <QStringList>

class TTargetParent
{
public:
    // True when going up leaves the text as it is: empty, or the root "/"
    // (also written "//", "///", ...).
    static bool StaysAsItIs(const QString &target);

    // The text after going up.
    // - A folder goes up from its folder part: "/a/b/" -> "/a/",
    //   "/a/" -> "/", "/a/b" -> "/" (typed without the trailing "/", it goes
    //   up from the folder it lies in), "/a" -> "/". A relative folder may
    //   end up empty ("a/" -> "").
    // - Anything else (a file, or a name that exists nowhere) becomes its
    //   folder part: "/a/x.txt" -> "/a/", "abcd" -> "".
    // A text that StaysAsItIs comes back unchanged.
    static QString ParentOf(const QString &target, bool isFolder);

    // The index of the first filter entry whose extension list fits the
    // extension of the target's name ("*.txt,*.html,*.htm" for
    // "/a/Note.TXT"); -1 when the name has no extension or no entry fits.
    static int FilterFor(const QString &target, const QStringList &filters);
};
