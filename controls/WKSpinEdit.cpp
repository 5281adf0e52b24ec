#include "WKSpinEdit.h"

#include "WKUpDown.h"

#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

namespace {

int SaturateToInt(qint64 v)
{
    return static_cast<int>(std::clamp<qint64>(v, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

// Reads an optionally signed decimal integer, ignoring blanks around it.
// Digits of any script count (a pasted "６４" is 64). A number beyond the
// 32-bit range gives the nearest end of that range, so that it is clamped
// like any other number that is too large; anything else that is not an
// integer gives 0.
int ParseNumber(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return 0;

    constexpr qint64 beyond = qint64(std::numeric_limits<int>::max()) + 2;
    qint64 magnitude = 0;
    for (const QChar ch : text) {
        if (ch.category() != QChar::Number_DecimalDigit)
            return 0;
        magnitude = std::min(beyond, magnitude * 10 + ch.digitValue());
    }
    return SaturateToInt(negative ? -magnitude : magnitude);
}

// True when the edit would insert the key's text: no Ctrl, Alt or Meta, and
// no control characters (Backspace, Enter, Tab, Ctrl+V arrive as those).
bool InsertsText(const QKeyEvent *event)
{
    constexpr Qt::KeyboardModifiers typing =
        Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier;
    if (event->modifiers() & ~typing)
        return false;
    const QString text = event->text();
    return !text.isEmpty()
        && std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.isPrint(); });
}

bool IsAsciiDigits(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(),
                       [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
}

} // namespace

TWKSpinEdit::TWKSpinEdit(QWidget *parent)
    : QLineEdit(parent)
    , FUpDown(new TWKUpDown(this))
{
    FUpDown->setObjectName(QStringLiteral("WKUpDown"));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Only digits can be typed, so a composing input method has no place here.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhDigitsOnly);
    setText(QStringLiteral("0"));

    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
    connect(FUpDown, &TWKUpDown::UpClicked, this, [this] { UpDownClick(+1); });
    connect(FUpDown, &TWKUpDown::DownClicked, this, [this] { UpDownClick(-1); });

    SetEditRect();
}

int TWKSpinEdit::Clamp(int v) const
{
    // Limits that are equal (both 0 in a new control) mean no limits. When
    // they are crossed the maximum wins, as it is applied last.
    if (FMinValue != FMaxValue) {
        if (v < FMinValue)
            v = FMinValue;
        if (v > FMaxValue)
            v = FMaxValue;
    }
    return v;
}

void TWKSpinEdit::SetFValue(int v)
{
    FValue = Clamp(v);
    const QString shown = QString::number(FValue);
    if (text() != shown)
        setText(shown); // comes back through Change()
}

void TWKSpinEdit::SetFMaxValue(int v)
{
    FMaxValue = v;
    SetFValue(FValue);
}

void TWKSpinEdit::SetFMinValue(int v)
{
    FMinValue = v;
    SetFValue(FValue);
}

void TWKSpinEdit::SetFIncrement(int v)
{
    FIncrement = v;
}

void TWKSpinEdit::Change()
{
    // Correcting the text from inside here changes the text once more; that
    // second round has nothing left to correct, and the one notification
    // below covers both.
    if (FChanging)
        return;
    FChanging = true;
    const QString current = text();
    if (current.isEmpty())
        FValue = Clamp(FMinValue); // the field stays empty
    else
        SetFValue(ParseNumber(current));
    FChanging = false;
    emit OnChange();
}

void TWKSpinEdit::Step(int steps)
{
    SetFValue(SaturateToInt(qint64(FValue) + qint64(steps) * FIncrement));
}

void TWKSpinEdit::UpDownClick(int direction)
{
    Step(direction);
    if (isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
}

void TWKSpinEdit::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        Step(+1);
        event->accept();
        return;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        Step(-1);
        event->accept();
        return;
    default:
        break;
    }
    if (InsertsText(event) && !IsAsciiDigits(event->text())) {
        event->accept(); // swallowed, like any key a digits-only field refuses
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TWKSpinEdit::wheelEvent(QWheelEvent *event)
{
    // One step per notch of 120; finer wheels and touchpads add up to notches.
    // The wheel's physical direction counts, whatever the desktop's
    // "natural scrolling" setting: away from the user is up.
    constexpr int notch = QWheelEvent::DefaultDeltasPerStep;
    const int delta = event->inverted() ? -event->angleDelta().y() : event->angleDelta().y();
    FWheelRemainder += delta;
    const int steps = FWheelRemainder / notch;
    FWheelRemainder %= notch;
    if (steps != 0)
        Step(steps);
    event->accept();
}

void TWKSpinEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    SetEditRect();
}

void TWKSpinEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::StyleChange) {
        // Qt leaves children on their old style; the arrows follow the field.
        if (FUpDown->style() != style())
            FUpDown->setStyle(style());
        SetEditRect(); // the frame may have a new width
    }
}

void TWKSpinEdit::SetEditRect()
{
    // The text area ends where the arrows begin.
    setTextMargins(0, 0, UpDownWidth, 0);
    FUpDown->setGeometry(GetUpDownRect());
}

QRect TWKSpinEdit::GetUpDownRect() const
{
    // The area inside the frame; the arrows fill its right end, full height.
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    return {inner.x() + inner.width() - UpDownWidth, inner.y(), UpDownWidth, inner.height()};
}
