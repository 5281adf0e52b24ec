#pragma once
// Texts of the result list's cells that need no widget: numbers with
// thousands separators and paths shortened to a column's width.
// (Code names come from CodeDisplayName in search/CodePage.h.)

#include <QString>

#include <functional>

// The decimal text of value with a "," before every group of `group` digits,
// counted from the end, that has another digit in front of it: 1234567 with
// groups of 3 gives "1,234,567", -1000 gives "-1,000". The separator is ","
// whatever the locale. A group of 0 or less inserts nothing.
QString FormatThousands(qint64 value, int group);

// Gives a text's width in pixels, as the list's font draws it.
using TTextMeasure = std::function<int(const QString &)>;

// Makes a path fit `width` pixels by replacing its leading folders, one at a
// time, with ".../": "/a/b/c/x.txt" narrows to "/.../b/c/x.txt",
// "/.../c/x.txt", "/.../x.txt", ".../x.txt" and last "x.txt". The first of
// these that fits is returned; the file name alone may still be wider, and is
// then returned for the painter to clip. "/" is the only separator.
QString ShortenPath(const QString &path, int width, const TTextMeasure &measure);
