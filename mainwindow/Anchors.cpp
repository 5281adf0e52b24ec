#include "Anchors.h"

#include <QEvent>

TAnchors::TAnchors(QWidget *container, QSize designed)
    : QObject(container), Container(container), Designed(designed)
{
    container->installEventFilter(this);
}

void TAnchors::Place(QWidget *widget, const QRect &box, int sides)
{
    Entries.push_back({widget, box, sides});
    widget->setGeometry(Arrange(box, sides, Designed, Container->size()));
}

QRect TAnchors::Arrange(const QRect &box, int sides, QSize designed, QSize actual)
{
    const int dx = actual.width() - designed.width();
    const int dy = actual.height() - designed.height();
    QRect r = box;
    if ((sides & Left) && (sides & Right))
        r.setWidth(box.width() + dx);
    else if (sides & Right)
        r.moveLeft(box.left() + dx);
    if ((sides & Top) && (sides & Bottom))
        r.setHeight(box.height() + dy);
    else if (sides & Bottom)
        r.moveTop(box.top() + dy);
    return r;
}

void TAnchors::Apply()
{
    for (const Entry &e : Entries)
        if (e.Widget)
            e.Widget->setGeometry(Arrange(e.Box, e.Sides, Designed, Container->size()));
}

bool TAnchors::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Container && event->type() == QEvent::Resize)
        Apply();
    return QObject::eventFilter(watched, event);
}
