#include "ResultExport.h"

#include "CodePage.h"
#include "Cp932.h"
#include "HitJson.h"
#include "HitRow.h"
#include "PathText.h"

#include <QSaveFile>

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

QByteArray TResultExport::Encode(const std::vector<TGrepResult> &hits, Format format)
{
    QByteArray out;
    if (format == Format::Tsv)
        out += TsvHeader();
    for (const TGrepResult &hit : hits) {
        switch (format) {
        case Format::Text:
            out += THitRow::Text(hit).toUtf8() + '\n';
            break;
        case Format::Tsv:
            out += TsvField(ShownPath(hit.FileName).toUtf8()) + '\t' + QByteArray::number(hit.Line + 1) + '\t'
                   + QByteArray::number(hit.Column) + '\t' + QByteArray::number(hit.HitLength) + '\t'
                   + CodeDisplayName(hit.CodeId).toUtf8() + '\t'
                   + TsvField(TCp932::ToUtf8(hit.BeforeText + hit.TextFromHit)) + '\n';
            break;
        case Format::JsonLines:
            out += THitJson::Object(hit);
            break;
        }
    }
    return out;
}

bool TResultExport::Save(const QString &path, const std::vector<TGrepResult> &hits, Format format, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = Encode(hits, format);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
