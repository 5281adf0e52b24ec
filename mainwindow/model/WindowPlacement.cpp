#include "WindowPlacement.h"

#include <algorithm>

namespace {

// The edges in 64 bits: a stored position plus a stored size can pass the
// range of int, which QRect cannot hold.
struct TEdges
{
    qint64 Left, Top, Right, Bottom; // Right and Bottom exclusive
};

TEdges EdgesOf(const QRect &r)
{
    return {r.left(), r.top(), qint64(r.left()) + r.width(), qint64(r.top()) + r.height()};
}

bool Overlap(const TEdges &a, const TEdges &b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

} // namespace

QRect TWindowPlacement::Fit(int left, int top, int width, int height, const QList<QRect> &screens,
                            const QRect &designed)
{
    QRect span;
    for (const QRect &screen : screens) {
        if (screen.isValid())
            span = span.united(screen);
    }
    if (span.isEmpty())
        return designed;

    const int fittedWidth = std::clamp(width, 1, span.width());
    const int fittedHeight = std::clamp(height, 1, span.height());
    const TEdges window{left, top, qint64(left) + fittedWidth, qint64(top) + fittedHeight};
    const bool shown = std::any_of(screens.begin(), screens.end(), [&](const QRect &screen) {
        return screen.isValid() && Overlap(window, EdgesOf(screen));
    });
    if (!shown)
        return designed;
    return QRect(left, top, fittedWidth, fittedHeight);
}
