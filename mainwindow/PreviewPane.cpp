#include "PreviewPane.h"

#include "PathText.h"
#include "PreviewText.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

TPreviewPane::TPreviewPane(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Header = new QLabel(this);
    Header->setObjectName(QStringLiteral("PreviewHeader"));
    Header->setTextFormat(Qt::PlainText);
    Header->setContentsMargins(3, 1, 3, 1);
    Body = new QPlainTextEdit(this);
    Body->setObjectName(QStringLiteral("PreviewText"));
    Body->setReadOnly(true);
    Body->setLineWrapMode(QPlainTextEdit::NoWrap);
    Body->setFrameShape(QFrame::NoFrame);
    Body->setUndoRedoEnabled(false);
    // The splitter may make the pane as small as the user likes.
    Body->setMinimumHeight(1);
    layout->addWidget(Header);
    layout->addWidget(Body, 1);
}

void TPreviewPane::ClearPreview()
{
    Header->clear();
    Body->clear();
}

void TPreviewPane::ShowLoading(const QString &fileName)
{
    Header->setText(ShownPath(fileName) + QStringLiteral("  —  読み込み中…"));
    Body->clear();
}

void TPreviewPane::ShowPreview(const QString &fileName, const TPreviewText &preview, const QColor &hitColor)
{
    const QString shown = ShownPath(fileName);
    Header->setText(preview.Note.isEmpty() ? shown : shown + QStringLiteral("  —  ") + preview.Note);
    Body->clear();
    Body->setTabStopDistance(Body->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
    const qint64 widest = preview.Lines.empty() ? 1 : preview.Lines.back().Number;
    const int digits = int(QString::number(widest).size());

    QTextCharFormat plain;
    QTextCharFormat number;
    number.setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    QTextCharFormat hit;
    hit.setForeground(hitColor);
    QTextCursor cursor(Body->document());
    for (size_t i = 0; i < preview.Lines.size(); ++i) {
        const TPreviewText::TShownLine &line = preview.Lines[i];
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("%1  ").arg(line.Number, digits), number);
        if (line.HitStart < 0) {
            cursor.insertText(line.Text, plain);
            continue;
        }
        cursor.insertText(line.Text.left(line.HitStart), plain);
        cursor.insertText(line.Text.mid(line.HitStart, line.HitLength), hit);
        cursor.insertText(line.Text.mid(line.HitStart + line.HitLength), plain);
    }
    if (preview.HitRow >= 0) {
        QTextCursor at(Body->document()->findBlockByNumber(preview.HitRow));
        Body->setTextCursor(at);
        Body->centerCursor();
    }
}

QString TPreviewPane::HeaderText() const
{
    return Header->text();
}

QString TPreviewPane::BodyText() const
{
    return Body->toPlainText();
}

QString TPreviewPane::HighlightedText(const QColor &hitColor) const
{
    QString out;
    for (QTextBlock block = Body->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().foreground().color() == hitColor)
                out += fragment.text();
        }
    }
    return out;
}
