#pragma once

#include <QLineEdit>

class QToolButton;

// A one-line edit field with a small square button inside its right edge
// (the settings dialog's "…", ">" and "×" fields).
//
// The button fills the right end of the area inside the field's frame: as
// high as that area, as wide as it is high, and the text area stops at its
// left edge, so text never runs under it. It never takes the focus and shows
// the arrow cursor. It follows the field's enabled state (a disabled field
// cannot be cleared with its button) but not its read-only state: a
// read-only field still raises OnButtonClick.
class TWKSpeedEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString ButtonCaption READ ButtonCaption WRITE SetFButtonCaption)

public:
    explicit TWKSpeedEdit(QWidget *parent = nullptr);

    QString ButtonCaption() const { return FButtonCaption; }
    // Stores the caption and shows it on the button.
    void SetFButtonCaption(const QString &caption);

    QToolButton *Button() const { return FButton; }

signals:
    // The button was clicked; sender is the button.
    void OnButtonClick(QObject *sender);

protected:
    // Places the button and narrows the text area; runs on every resize.
    void SetEditRect();
    // Where the button goes, in this widget's coordinates.
    QRect GetButtonRect() const;

    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QToolButton *FButton = nullptr;
    QString FButtonCaption;
};
