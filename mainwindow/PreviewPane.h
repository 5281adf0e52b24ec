#pragma once
// The preview pane below the result list: the selected hit's file around
// the hit, read-only, with line numbers, the hit in the list's hit colour,
// and above it the file's name and, when the file has gone or changed, a
// note saying so.

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class TPreviewText;

class TPreviewPane : public QWidget
{
    Q_OBJECT
public:
    explicit TPreviewPane(QWidget *parent = nullptr);

    void ShowPreview(const QString &fileName, const TPreviewText &preview, const QColor &hitColor);
    void ClearPreview();
    // The file's name and a note that its lines are being read.
    void ShowLoading(const QString &fileName);

    // What the pane shows (tests read it).
    QString HeaderText() const;
    QString BodyText() const;
    // The text drawn in the hit colour.
    QString HighlightedText(const QColor &hitColor) const;

private:
    QLabel *Header;
    QPlainTextEdit *Body;
};
