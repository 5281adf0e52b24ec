#include "DefaultTools.h"

#include <QStandardPaths>

namespace {

struct TEditor
{
    const char *Program;
    const char *Param;
};

// Editors that take a line (and some a column) on their command line.
constexpr TEditor Editors[] = {
    {"gnome-text-editor", "+%L %F"},
    {"gedit", "+%L %F"},
    {"kate", "-l %L %F"},
    {"kwrite", "-l %L %F"},
    {"mousepad", "--line=%L %F"},
    {"geany", "+%L %F"},
    {"pluma", "+%L %F"},
    {"xed", "+%L %F"},
    {"code", "-g %F:%L:%N"},
    {"gvim", "+%L %F"},
    {"emacs", "+%L:%N %F"},
};

} // namespace

TToolList TDefaultTools::Build(const TFindProgram &findProgram)
{
    TToolList tools;
    for (const TEditor &editor : Editors) {
        const QString name = QString::fromLatin1(editor.Program);
        const QString path = findProgram(name);
        if (path.isEmpty())
            continue;
        TToolItems item;
        item.Caption = name;
        item.FilePath = path;
        item.Param = QString::fromLatin1(editor.Param);
        tools.Add(item);
    }
    return tools;
}

TToolList TDefaultTools::Build()
{
    return Build([](const QString &name) { return QStandardPaths::findExecutable(name); });
}
