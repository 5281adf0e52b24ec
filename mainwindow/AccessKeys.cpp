#include "AccessKeys.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QShortcutEvent>

namespace {

// Alt plus the letter after "&" in text; 0 when it has none.
int AccessKeyOf(const QString &text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    return key.isEmpty() ? 0 : key[0].toCombined();
}

// The text without the "&" that marks its access letter ("&&" stays).
QString WithoutAccessMark(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            if (text[i + 1] == u'&')
                out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}

} // namespace

TAccessKeys::TAccessKeys(QWidget *area) : QObject(area)
{
}

void TAccessKeys::Settle(const QMenuBar &menuBar, QWidget *area)
{
    QList<int> menuKeys;
    for (const QAction *entry : menuBar.actions())
        if (const int key = AccessKeyOf(entry->text()))
            menuKeys << key;
    const QList<QAbstractButton *> buttons = area->findChildren<QAbstractButton *>();

    auto *keys = new TAccessKeys(area);
    for (QLabel *label : area->findChildren<QLabel *>()) {
        const int key = AccessKeyOf(label->text());
        if (!key || !label->buddy())
            continue;
        if (menuKeys.contains(key)) {
            label->setText(WithoutAccessMark(label->text()));
            continue;
        }
        TShared shared{key, label, {}};
        for (QAbstractButton *button : buttons)
            if (AccessKeyOf(button->text()) == key)
                shared.Buttons << button;
        if (shared.Buttons.isEmpty())
            continue;
        // The label and its buttons answer to the same key; whichever of
        // them Qt hands the key to, the filter decides who acts.
        label->installEventFilter(keys);
        for (QAbstractButton *button : shared.Buttons)
            button->installEventFilter(keys);
        keys->Shared << shared;
    }
}

bool TAccessKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Shortcut)
        return false;
    const auto *shortcut = static_cast<QShortcutEvent *>(event);
    const int pressed = shortcut->key().isEmpty() ? 0 : shortcut->key()[0].toCombined();
    for (const TShared &shared : Shared) {
        if (shared.Key != pressed
            || (watched != shared.Label && !shared.Buttons.contains(static_cast<QAbstractButton *>(watched))))
            continue;
        for (QAbstractButton *button : shared.Buttons) {
            if (button->isEnabled() && button->isVisible()) {
                button->animateClick();
                return true;
            }
        }
        if (QWidget *box = shared.Label->buddy(); box && box->isEnabled()) {
            box->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        return true;
    }
    return false;
}
