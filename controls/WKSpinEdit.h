#pragma once

#include <QLineEdit>

class TWKUpDown;

// A one-line number field with a small up-down arrow pair inside its right
// edge; the main window's depth-limit box is one.
//
// Built as a QLineEdit rather than a QSpinBox: the field must accept any
// pasted text and turn it into a number on the spot (letters become 0, "007"
// becomes "7", a number past the limits becomes the limit), leave an empty
// field empty, and apply its limits minimum first, then maximum, and only when
// the two differ. QSpinBox validates while typing, refuses such text and
// fixes it up only when editing ends, so it cannot behave this way. The arrows
// are a TWKUpDown child placed by SetEditRect over the right end of the
// field's inner area, with the text area narrowed so the two never overlap.
//
// Read the number with Value(); OnChange follows every change of the text,
// once the text has been turned into Value and any correction has been shown.
class TWKSpinEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetFValue NOTIFY OnChange)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetFMaxValue)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetFMinValue)
    Q_PROPERTY(int Increment READ Increment WRITE SetFIncrement)

public:
    // Width of the arrow pair in pixels.
    static constexpr int UpDownWidth = 14;

    explicit TWKSpinEdit(QWidget *parent = nullptr);

    int Value() const { return FValue; }
    int MaxValue() const { return FMaxValue; }
    int MinValue() const { return FMinValue; }
    int Increment() const { return FIncrement; }

    // Clamps v to the limits and shows it.
    virtual void SetFValue(int v);
    // Store the limit, then apply it to the current number at once.
    virtual void SetFMaxValue(int v);
    virtual void SetFMinValue(int v);
    // Only stores the step.
    virtual void SetFIncrement(int v);

    TWKUpDown *UpDown() const { return FUpDown; }

signals:
    void OnChange();

protected:
    // Turns the text into Value, shows the corrected text, then raises OnChange.
    virtual void Change();
    // Narrows the text area and places the arrows; runs on every resize.
    void SetEditRect();
    // Where the arrows go, in this widget's coordinates.
    QRect GetUpDownRect() const;

    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int Clamp(int v) const;
    void Step(int steps);
    void UpDownClick(int direction);

    TWKUpDown *FUpDown = nullptr;
    int FValue = 0;
    int FMinValue = 0;
    int FMaxValue = 0;
    int FIncrement = 1;
    int FWheelRemainder = 0;
    bool FChanging = false;
};
