#include "PreviewText.h"

#include "Cp932.h"
#include "SjisText.h"

namespace {

const QString Ellipsis = QStringLiteral("…");

// A piece of a line from the 0-based start, at most length bytes, on
// character boundaries.
QByteArray Piece(QByteArrayView text, qsizetype start, qsizetype length)
{
    bool atStart = false, atEnd = false;
    return Excerpt(text, start + 1, length, atStart, atEnd);
}

} // namespace

TPreviewText::TShownLine TPreviewText::ShowLine(qint64 index, QByteArrayView text, bool cut)
{
    TShownLine shown;
    shown.Number = index + 1;
    shown.Text = TCp932::ToQString(Piece(text, 0, ShownBytes));
    if (cut || text.size() > ShownBytes)
        shown.Text += Ellipsis;
    return shown;
}

TPreviewText::TShownLine TPreviewText::ShowHitLine(qint64 index, QByteArrayView text, bool cut, qsizetype hitStart,
                                                   qsizetype hitLength)
{
    TShownLine shown;
    shown.Number = index + 1;
    const qsizetype side = ShownBytes / 2;
    const qsizetype from = qMax<qsizetype>(0, hitStart - side);
    const QByteArray before = Piece(text, from, hitStart - from);
    const qsizetype afterStart = hitStart + hitLength;
    const QByteArray after = Piece(text, afterStart, side);
    if (from > 0)
        shown.Text = Ellipsis;
    shown.Text += TCp932::ToQString(before);
    shown.HitStart = shown.Text.size();
    const QString hit = TCp932::ToQString(text.sliced(hitStart, hitLength));
    shown.HitLength = hit.size();
    shown.Text += hit + TCp932::ToQString(after);
    if (cut || afterStart + after.size() < text.size())
        shown.Text += Ellipsis;
    return shown;
}

TPreviewText TPreviewText::Make(const TGrepResult &hit, const TPreviewReader::TResult &read,
                                const QDateTime &searchStart)
{
    TPreviewText preview;
    if (read.State == TPreviewReader::TState::Missing) {
        preview.Status = TStatus::Missing;
        preview.Note = QStringLiteral("ファイルがありません。検索の後に移動または削除されています。");
        return preview;
    }
    if (read.State == TPreviewReader::TState::Unreadable) {
        preview.Status = TStatus::Unreadable;
        preview.Note = QStringLiteral("ファイルを開けません。");
        return preview;
    }
    preview.Status = TStatus::Changed;
    for (const TPreviewReader::TLine &line : read.Lines) {
        if (line.Index != hit.Line) {
            preview.Lines.push_back(ShowLine(line.Index, line.Text, line.Cut));
            continue;
        }
        const qsizetype start = hit.Column - 1;
        const bool holdsHit = start >= 0 && hit.HitLength >= 0 && start <= line.Text.size()
                              && QByteArrayView(line.Text).sliced(start).startsWith(hit.TextFromHit)
                              && hit.HitLength <= hit.TextFromHit.size();
        const bool beyondKept = line.Cut && !holdsHit && start + hit.TextFromHit.size() > line.Text.size();
        preview.HitRow = int(preview.Lines.size());
        if (holdsHit) {
            preview.Lines.push_back(ShowHitLine(line.Index, line.Text, line.Cut, start, hit.HitLength));
            preview.Status = TStatus::Shown;
        } else {
            preview.Lines.push_back(ShowLine(line.Index, line.Text, line.Cut));
            if (beyondKept) {
                preview.Status = TStatus::Shown;
                preview.Note = QStringLiteral("該当箇所は長い行の奥にあるため表示できません。");
            }
        }
    }
    if (preview.Status == TStatus::Changed) {
        preview.Note = QStringLiteral("ファイルは検索の後に変更されています。該当箇所がありません。");
    } else if (searchStart.isValid() && read.Modified > searchStart) {
        preview.Status = TStatus::Updated;
        if (preview.Note.isEmpty())
            preview.Note = QStringLiteral("ファイルは検索の後に更新されています。");
    }
    return preview;
}
