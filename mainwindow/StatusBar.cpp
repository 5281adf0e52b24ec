#include "StatusBar.h"

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
    Panels.push_back({text, width, bevel});
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
    Panels[size_t(index)].Width = qMax(0, width);
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
