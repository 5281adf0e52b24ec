#include "WKUpDown.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

TWKUpDown::TWKUpDown(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    // A child inherits the edit's I-beam unless it names a cursor of its own.
    setCursor(Qt::ArrowCursor);
    FRepeatTimer.setSingleShot(false);
    connect(&FRepeatTimer, &QTimer::timeout, this, &TWKUpDown::Repeat);
}

QSize TWKUpDown::sizeHint() const
{
    return {14, 20};
}

TWKUpDown::Button TWKUpDown::ButtonAt(const QPoint &pos) const
{
    if (ButtonRect(Button::Up).contains(pos))
        return Button::Up;
    if (ButtonRect(Button::Down).contains(pos))
        return Button::Down;
    return Button::None;
}

QRect TWKUpDown::ButtonRect(Button button) const
{
    const int upHeight = height() / 2;
    switch (button) {
    case Button::Up:
        return {0, 0, width(), upHeight};
    case Button::Down:
        return {0, upHeight, width(), height() - upHeight};
    case Button::None:
        break;
    }
    return {};
}

void TWKUpDown::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintButton(painter, Button::Up);
    PaintButton(painter, Button::Down);
}

void TWKUpDown::PaintButton(QPainter &painter, Button button) const
{
    const QRect r = ButtonRect(button);
    if (r.isEmpty())
        return;

    const bool sunken = FPressed == button && FPointerOnPressed;
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = r;
    opt.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    opt.state |= sunken ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &painter, this);

    // A solid triangle drawn row by row, so that it stays symmetric at these
    // few pixels: 7 pixels wide at most, 1 at the tip, centred in the half
    // and nudged by one pixel while pressed.
    int base = qMax(1, qMin(7, (r.width() - 6) | 1));
    const int rise = qMax(1, qMin((base + 1) / 2, r.height() - 4));
    base = qMin(base, 2 * rise - 1);
    const int left = r.x() + (r.width() - base) / 2 + (sunken ? 1 : 0);
    const int top = r.y() + (r.height() - rise) / 2 + (sunken ? 1 : 0);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QColor ink = palette().color(group, QPalette::ButtonText);
    for (int row = 0; row < rise; ++row) {
        // Row 0 is the wide edge; the up arrow has it at the bottom.
        const int y = button == Button::Up ? top + rise - 1 - row : top + row;
        painter.fillRect(left + row, y, base - 2 * row, 1, ink);
    }
}

void TWKUpDown::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || FPressed != Button::None) {
        event->ignore();
        return;
    }
    const Button button = ButtonAt(event->position().toPoint());
    if (button == Button::None) {
        event->ignore();
        return;
    }
    FPressed = button;
    FPointerOnPressed = true;
    update();
    FRepeatTimer.start(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatThreshold, nullptr, this));
    Fire(button);
}

void TWKUpDown::mouseMoveEvent(QMouseEvent *event)
{
    if (FPressed == Button::None)
        return;
    const bool onPressed = ButtonAt(event->position().toPoint()) == FPressed;
    if (onPressed != FPointerOnPressed) {
        FPointerOnPressed = onPressed;
        update();
    }
}

void TWKUpDown::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || FPressed == Button::None) {
        event->ignore();
        return;
    }
    Release();
}

void TWKUpDown::changeEvent(QEvent *event)
{
    // A control that is disabled while the button is held must not keep
    // stepping behind the user's back; nor one that is hidden (below).
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        Release();
    QWidget::changeEvent(event);
}

void TWKUpDown::hideEvent(QHideEvent *event)
{
    Release();
    QWidget::hideEvent(event);
}

void TWKUpDown::Repeat()
{
    if (FPressed == Button::None || !isVisible() || !isEnabled()) {
        Release();
        return;
    }
    FRepeatTimer.setInterval(style()->styleHint(QStyle::SH_SpinBox_ClickAutoRepeatRate, nullptr, this));
    if (FPointerOnPressed)
        Fire(FPressed);
}

void TWKUpDown::Release()
{
    FRepeatTimer.stop();
    if (FPressed != Button::None) {
        FPressed = Button::None;
        FPointerOnPressed = false;
        update();
    }
}

void TWKUpDown::Fire(Button button)
{
    if (button == Button::Up)
        emit UpClicked();
    else if (button == Button::Down)
        emit DownClicked();
}
