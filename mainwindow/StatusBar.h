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
        // The width the panel was given; a panel that fits its text is
        // never narrower than this.
        int DesignedWidth = 0;
        bool FitsText = false;
    };

    explicit TStatusBar(QWidget *parent = nullptr);

    void AddPanel(const QString &text, int width, bool bevel);
    int PanelCount() const { return int(Panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);
    // The panel widens to show its whole text (never below the width it
    // was given), taking the room from the panel after it, so the panels
    // further right keep their place. Counts are never cut off this way.
    void SetPanelFitsText(int index, bool fits);
    // The width the panel needs for its text, margins and bevel included.
    int TextWidth(int index) const;
    // The panel's rectangle in the bar's coordinates; empty for a bad index.
    QRect PanelRect(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FitText(int index);

    std::vector<Panel> Panels;
};
