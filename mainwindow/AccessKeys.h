#pragma once
// Access keys (Alt+letter) that several controls of one window share. A
// letter belongs first to the menu bar, then to an enabled button, and only
// then to a label, whose key merely moves the focus to its box:
// - a label whose letter a menu-bar entry has loses its key (and its
//   underline), so Alt+letter always opens that menu;
// - a label whose letter a button has keeps its key, but while the button
//   is enabled Alt+letter presses the button; while it is disabled the key
//   moves the focus to the label's box.

#include <QList>
#include <QObject>

class QAbstractButton;
class QLabel;
class QMenuBar;
class QWidget;

class TAccessKeys : public QObject
{
public:
    // Applies the rule to the labels and buttons inside area; the helper
    // lives as long as area.
    static void Settle(const QMenuBar &menuBar, QWidget *area);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TAccessKeys(QWidget *area);

    // A label and the buttons that share its letter.
    struct TShared
    {
        int Key = 0; // Qt key of the letter, with Alt
        QLabel *Label = nullptr;
        QList<QAbstractButton *> Buttons;
    };
    QList<TShared> Shared;
};
