#include "ResultExport.h"

#include "RegularFileWriter.h"

#include "CodePage.h"
#include "Cp932.h"
#include "HitJson.h"
#include "HitRow.h"
#include "PathText.h"


QByteArray TResultExport::TsvField(const QByteArray &utf8)
{
    QByteArray out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

QByteArray TResultExport::Encode(const TGrepResult &hit, Format format)
{
    switch (format) {
    case Format::Text:
        return THitRow::Text(hit).toUtf8() + '\n';
    case Format::Tsv:
        return TsvField(ShownPath(hit.FileName).toUtf8()) + '\t' + QByteArray::number(hit.Line + 1) + '\t'
               + QByteArray::number(hit.Column) + '\t' + QByteArray::number(hit.HitLength) + '\t'
               + CodeDisplayName(hit.CodeId).toUtf8() + '\t'
               + TsvField(TCp932::ToUtf8(hit.BeforeText + hit.TextFromHit)) + '\n';
    case Format::JsonLines:
        return THitJson::Object(hit);
    }
    return {};
}

bool TResultExport::Save(const QString &path, const THitStore &hits, Format format, QString &error)
{
    // Only onto a regular file: a device or FIFO chosen in the dialog is
    // refused, never replaced.
    TRegularFileWriter file(path);
    if (file.Open() != TRegularFileWriter::TResult::Written) {
        error = file.Reason();
        return false;
    }
    // Written a piece at a time: a list of millions of hits never has its
    // whole text in memory at once.
    constexpr qsizetype PieceSize = 1 << 20;
    QByteArray piece;
    piece.reserve(PieceSize + 4096);
    if (format == Format::Tsv)
        piece += TsvHeader();
    auto writePiece = [&] {
        const bool ok = file.Write(piece);
        piece.clear();
        return ok;
    };
    for (qsizetype i = 0; i < hits.Size(); ++i) {
        piece += Encode(hits.At(i), format);
        if (piece.size() >= PieceSize && !writePiece()) {
            error = file.Reason();
            return false; // the writer removes its temporary file
        }
    }
    if (!writePiece() || file.Commit() != TRegularFileWriter::TResult::Written) {
        error = file.Reason();
        return false;
    }
    return true;
}
