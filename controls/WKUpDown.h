#pragma once

#include <QTimer>
#include <QWidget>

// The small pair of arrow buttons that sits inside a TWKSpinEdit's right edge.
//
// It only reports clicks: pressing the upper half emits UpClicked, the lower
// half DownClicked, and holding the button down repeats the signal for as long
// as the pointer stays on the pressed half. It keeps no value of its own and
// never takes the keyboard focus, so the edit it belongs to keeps the caret.
// The owner decides where it sits; the widget fills whatever rectangle it is
// given, split into two halves, and paints the arrows itself so that they stay
// visible at the few pixels the edit can spare.
class TWKUpDown : public QWidget
{
    Q_OBJECT

public:
    enum class Button { None, Up, Down };

    explicit TWKUpDown(QWidget *parent = nullptr);

    QSize sizeHint() const override;

    // The half that a point in this widget's coordinates falls on.
    Button ButtonAt(const QPoint &pos) const;

signals:
    void UpClicked();
    void DownClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QRect ButtonRect(Button button) const;
    void PaintButton(QPainter &painter, Button button) const;
    void Fire(Button button);
    void Repeat();
    void Release();

    QTimer FRepeatTimer;
    Button FPressed = Button::None;
    bool FPointerOnPressed = false;
};
