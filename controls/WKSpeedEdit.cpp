#include "WKSpeedEdit.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

TWKSpeedEdit::TWKSpeedEdit(QWidget *parent)
    : QLineEdit(parent)
    , FButton(new QToolButton(this))
{
    FButton->setObjectName(QStringLiteral("WKSpeedButton"));
    FButton->setFocusPolicy(Qt::NoFocus);
    FButton->setCursor(Qt::ArrowCursor);
    FButton->setAutoFillBackground(true);
    FButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(FButton, &QToolButton::clicked, this, [this] { emit OnButtonClick(FButton); });
    SetEditRect();
}

void TWKSpeedEdit::SetFButtonCaption(const QString &caption)
{
    FButtonCaption = caption;
    FButton->setText(caption);
}

void TWKSpeedEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    SetEditRect();
}

void TWKSpeedEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::StyleChange) {
        // Qt leaves children on their old style; the button follows the field.
        if (FButton->style() != style())
            FButton->setStyle(style());
        SetEditRect(); // the frame may have a new width
    }
}

QRect TWKSpeedEdit::GetButtonRect() const
{
    // The area inside the frame stands for the client area; the square
    // button takes its right end at full height.
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    const int side = qMax(0, inner.height());
    return {inner.x() + inner.width() - side, inner.y(), side, side};
}

void TWKSpeedEdit::SetEditRect()
{
    const QRect button = GetButtonRect();
    FButton->setGeometry(button);
    setTextMargins(0, 0, button.width(), 0);
}
