#pragma once
// Where the window opens from the placement the settings file holds. The
// stored numbers may be anything a hand-edited file carries, up to the ends
// of the integer range; the result is always a rectangle the screens can
// show and Qt can hold without overflow.

#include <QList>
#include <QRect>

class TWindowPlacement
{
public:
    // The stored left, top, width and height, against the available areas of
    // the screens and the designed placement:
    // - the width and height are bounded by the area all screens span
    //   together, and a size below 1 becomes 1 (the window's own minimum
    //   size still applies when it is resized);
    // - a placement with that size which no screen shows at all (a monitor
    //   removed since, or values off every screen) gives way to designed;
    // - otherwise the stored position is kept, also when the window is
    //   only partly on a screen.
    // Without any screen the designed placement is used.
    static QRect Fit(int left, int top, int width, int height, const QList<QRect> &screens, const QRect &designed);
};
