#pragma once
// What the window puts on the clipboard for a text about one file. The text
// goes as it is shown. Where the file's name is not UTF-8, its exact bytes go
// along as a file address (text/uri-list, and the form GNOME's file managers
// paste), since no text on the clipboard can carry them.

#include <QString>

class QMimeData;

QMimeData *ClipboardDataFor(const QString &text, const QString &path);
