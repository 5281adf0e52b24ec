#include "ShortcutMenu.h"

#include "ShortcutCodes.h"

#include <QStyleOptionMenuItem>

TShortcutMenu::TShortcutMenu(QWidget *parent) : QMenu(parent) {}

TShortcutMenu::TShortcutMenu(const QString &title, QWidget *parent) : QMenu(title, parent) {}

QString TShortcutMenu::ShortcutText(const QAction *action)
{
    const QKeySequence sequence = action->shortcut();
    if (sequence.isEmpty())
        return {};
    const QString text = TShortcutCodes::ToText(TShortcutCodes::FromKeySequence(sequence));
    return text.isEmpty() ? sequence.toString(QKeySequence::NativeText) : text;
}

void TShortcutMenu::initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const
{
    QMenu::initStyleOption(option, action);
    // Qt appends "\t" and its own text of the shortcut unless the caption
    // already has a tab (then the caption's second column is left alone).
    if (!action || action->text().contains(u'\t'))
        return;
    const qsizetype tab = option->text.indexOf(u'\t');
    if (tab < 0)
        return;
    option->text = option->text.left(tab + 1) + ShortcutText(action);
}

QString TShortcutMenu::EntryText(const QAction *action) const
{
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option.text;
}
