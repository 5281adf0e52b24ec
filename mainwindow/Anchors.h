#pragma once
// Keeps child widgets at their designed boxes inside a container and moves
// or stretches them with the container's edges they are anchored to.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

class TAnchors : public QObject
{
public:
    enum Side { Left = 1, Top = 2, Right = 4, Bottom = 8 };

    // designed: the container's size the boxes were designed for.
    TAnchors(QWidget *container, QSize designed);

    void Place(QWidget *widget, const QRect &box, int sides);
    // Lays every placed widget out for the container's current size.
    void Apply();
    // The box a widget gets for a container of the given size.
    static QRect Arrange(const QRect &box, int sides, QSize designed, QSize actual);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        QPointer<QWidget> Widget;
        QRect Box;
        int Sides;
    };
    QWidget *Container;
    QSize Designed;
    std::vector<Entry> Entries;
};
