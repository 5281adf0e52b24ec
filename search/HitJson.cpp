#include "HitJson.h"

#include "CodePage.h"
#include "Cp932.h"
#include "NativePath.h"
#include "PathText.h"

const QByteArray &THitJson::FileBytesBase64(const QString &name)
{
    thread_local QString lastName;
    thread_local QByteArray lastBytes;
    if (!name.isSharedWith(lastName) && name != lastName) {
        lastName = name;
        lastBytes = TNativePath::HasRawBytes(name) ? TNativePath::Encode(name).toBase64() : QByteArray();
    }
    return lastBytes;
}

const QByteArray &THitJson::FileNameUtf8(const QString &name)
{
    thread_local QString lastName;
    thread_local QByteArray lastUtf8;
    if (!name.isSharedWith(lastName) && name != lastName) {
        lastName = name;
        lastUtf8 = ShownPath(name).toUtf8();
    }
    return lastUtf8;
}

void THitJson::AppendString(QByteArray &out, const QByteArray &utf8)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

QByteArray THitJson::Object(const TGrepResult &hit)
{
    QByteArray line = "{\"file\":";
    AppendString(line, FileNameUtf8(hit.FileName));
    if (const QByteArray &bytes = FileBytesBase64(hit.FileName); !bytes.isEmpty())
        line += ",\"fileBytes\":\"" + bytes + '"';
    line += ",\"line\":" + QByteArray::number(hit.Line + 1);
    line += ",\"column\":" + QByteArray::number(hit.Column);
    line += ",\"length\":" + QByteArray::number(hit.HitLength);
    line += ",\"code\":";
    AppendString(line, CodeDisplayName(hit.CodeId).toUtf8());
    line += ",\"before\":";
    AppendString(line, TCp932::ToUtf8(hit.BeforeText));
    line += ",\"hit\":";
    AppendString(line, TCp932::ToUtf8(hit.HitText()));
    line += ",\"after\":";
    AppendString(line, TCp932::ToUtf8(hit.AfterText()));
    line += ",\"lineStart\":";
    line += hit.AtLineStart ? "true" : "false";
    line += ",\"lineEnd\":";
    line += hit.AtLineEnd ? "true" : "false";
    if (hit.ArchiveEnd > 0 && hit.ArchiveEnd < hit.FileName.size()) {
        // A member of an archive: the archive as shown, and the member's
        // path inside it (nested levels in braces).
        line += ",\"archive\":";
        AppendString(line, ShownPath(hit.FileName.left(hit.ArchiveEnd)).toUtf8());
        line += ",\"member\":";
        AppendString(line, ShownPath(hit.FileName.mid(hit.ArchiveEnd + 1).chopped(1)).toUtf8());
    }
    line += "}\n";
    return line;
}
