#pragma once
// A menu that shows its entries' shortcuts in the program's own text form
// ("Ctrl+Enter", "BkSp", "Esc", "PgUp", "Del") instead of Qt's
// ("Ctrl+Return", "Backspace", "Escape", "PgUp", "Delete"), the form the
// settings dialog shows and the settings file's codes stand for.

#include <QMenu>

class TShortcutMenu : public QMenu
{
    Q_OBJECT
public:
    explicit TShortcutMenu(QWidget *parent = nullptr);
    explicit TShortcutMenu(const QString &title, QWidget *parent = nullptr);

    // The text shown right of an entry for its action's first shortcut;
    // empty when the action has none. A shortcut the program's codes cannot
    // express is shown in Qt's text.
    static QString ShortcutText(const QAction *action);
    // The text the menu draws for one of its entries (caption, tab,
    // shortcut text).
    QString EntryText(const QAction *action) const;

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override;
};
