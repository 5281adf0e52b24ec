#include "ButtonImages.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

QImage Blank(int w, int h, const QColor &fill = Qt::transparent)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

} // namespace

QImage TButtonImages::OpenFolder()
{
    QImage image = Blank(16, 16);
    QPainter p(&image);
    const QColor edge(128, 96, 0), back(224, 176, 48), front(255, 216, 96);
    // The back of the folder with its tab.
    p.setPen(edge);
    p.setBrush(back);
    p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(12, 4), QPoint(12, 13), QPoint(1, 13)}));
    // The opened front leaf, tilted.
    p.setBrush(front);
    p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(12, 13), QPoint(1, 13)}));
    return image;
}

QImage TButtonImages::TextPage()
{
    QImage image = Blank(16, 16);
    QPainter p(&image);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QColor(0, 0, 160));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(5, y, y == 12 ? 8 : 11, y);
    return image;
}

QImage TButtonImages::AlignLeft()
{
    QImage image = Blank(6, 9, Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({QPoint(0, 4), QPoint(4, 0), QPoint(4, 8)}));
    p.fillRect(5, 0, 1, 9, Qt::black);
    return image;
}

QImage TButtonImages::AlignCenter()
{
    QImage image = Blank(6, 9, Qt::white);
    QPainter p(&image);
    p.fillRect(1, 0, 1, 9, Qt::black);
    p.fillRect(4, 0, 1, 9, Qt::black);
    return image;
}

QImage TButtonImages::AlignRight()
{
    QImage image = Blank(6, 9, Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.fillRect(0, 0, 1, 9, Qt::black);
    p.drawPolygon(QPolygon({QPoint(5, 4), QPoint(1, 0), QPoint(1, 8)}));
    return image;
}

QIcon TButtonImages::Icon(const QImage &image)
{
    return QIcon(QPixmap::fromImage(image));
}
