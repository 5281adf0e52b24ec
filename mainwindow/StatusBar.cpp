#include "StatusBar.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

namespace {
constexpr int BarHeight = 19;
constexpr int TextMargin = 3;
}

TStatusBar::TStatusBar(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(BarHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TStatusBar::AddPanel(const QString &text, int width, bool bevel)
{
    Panels.push_back({text, width, bevel, width, false});
    update();
}

QString TStatusBar::PanelText(int index) const
{
    return index >= 0 && index < PanelCount() ? Panels[size_t(index)].Text : QString();
}

void TStatusBar::SetPanelText(int index, const QString &text)
{
    if (index < 0 || index >= PanelCount() || Panels[size_t(index)].Text == text)
        return;
    Panels[size_t(index)].Text = text;
    if (Panels[size_t(index)].FitsText)
        FitText(index);
    update(PanelRect(index));
}

int TStatusBar::PanelWidth(int index) const
{
    return index >= 0 && index < PanelCount() ? Panels[size_t(index)].Width : 0;
}

void TStatusBar::SetPanelWidth(int index, int width)
{
    if (index < 0 || index >= PanelCount())
        return;
    Panel &panel = Panels[size_t(index)];
    panel.Width = panel.DesignedWidth = qMax(0, width);
    if (panel.FitsText)
        FitText(index);
    update();
}

void TStatusBar::SetPanelFitsText(int index, bool fits)
{
    if (index < 0 || index >= PanelCount())
        return;
    Panels[size_t(index)].FitsText = fits;
    if (fits)
        FitText(index);
}

int TStatusBar::TextWidth(int index) const
{
    if (index < 0 || index >= PanelCount())
        return 0;
    // The text's margins, the gap to the next bevel, and one pixel to spare.
    return fontMetrics().horizontalAdvance(Panels[size_t(index)].Text) + 2 * TextMargin + 2 + 1;
}

void TStatusBar::FitText(int index)
{
    Panel &panel = Panels[size_t(index)];
    const int wanted = qMax(panel.DesignedWidth, TextWidth(index));
    const int delta = wanted - panel.Width;
    if (delta == 0)
        return;
    panel.Width = wanted;
    if (index + 1 < PanelCount()) {
        Panel &next = Panels[size_t(index) + 1];
        next.Width = qMax(0, next.Width - delta);
    }
    update();
}

QRect TStatusBar::PanelRect(int index) const
{
    if (index < 0 || index >= PanelCount())
        return {};
    int x = 0;
    for (int i = 0; i < index; ++i)
        x += Panels[size_t(i)].Width;
    return QRect(x, 0, Panels[size_t(index)].Width, height());
}

QSize TStatusBar::sizeHint() const
{
    int w = 0;
    for (const Panel &p : Panels)
        w += p.Width;
    return QSize(w, BarHeight);
}

void TStatusBar::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        for (int i = 0; i < PanelCount(); ++i) {
            if (Panels[size_t(i)].FitsText)
                FitText(i);
        }
    }
}

void TStatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    for (int i = 0; i < PanelCount(); ++i) {
        const Panel &panel = Panels[size_t(i)];
        // Adjacent panels keep a two-pixel gap between their bevels.
        const QRect r = PanelRect(i).adjusted(0, 1, -2, 0);
        if (r.width() <= 0)
            continue;
        if (panel.Bevel)
            qDrawShadePanel(&painter, r, palette(), true, 1);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(r.adjusted(TextMargin, 0, -TextMargin, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         panel.Text);
    }
}
