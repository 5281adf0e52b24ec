#pragma once
// A status bar of panels with fixed widths, as the window uses it: texts,
// bevels, and one panel that takes whatever width the others leave.

#include <QRect>
#include <QStringList>
#include <QWidget>
#include <vector>

class TStatusBar : public QWidget
{
    Q_OBJECT
public:
    struct Panel
    {
        QString Text;
        int Width = 0;
        bool Bevel = true;
    };

    explicit TStatusBar(QWidget *parent = nullptr);

    void AddPanel(const QString &text, int width, bool bevel);
    int PanelCount() const { return int(Panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);
    // The panel's rectangle in the bar's coordinates; empty for a bad index.
    QRect PanelRect(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<Panel> Panels;
};
