#include "NativePath.h"

#include <QStringDecoder>

namespace {

// The length of the well-formed UTF-8 sequence at p (at most n bytes), or
// 0 when it is not one: overlong forms, surrogates and values past U+10FFFF
// are not.
qsizetype Utf8Length(const unsigned char *p, qsizetype n)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    auto trail = [&](qsizetype i) { return i < n && (p[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return trail(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!trail(1) || !trail(2))
            return 0;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!trail(1) || !trail(2) || !trail(3))
            return 0;
        if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

// Well-formed UTF-8 as its characters. A leading EF BB BF is the character
// U+FEFF of the name, not a mark to drop (QString::fromUtf8 drops it).
QString Utf8Run(const char *p, qsizetype n)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(p, n));
}

} // namespace

QString TNativePath::Decode(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n;) {
        const qsizetype length = Utf8Length(p + i, n - i);
        if (length > 0) {
            i += length;
            continue;
        }
        out += Utf8Run(bytes.data() + runStart, i - runStart);
        out += QChar(char16_t(0xDC00 + p[i]));
        runStart = ++i;
    }
    if (runStart == 0)
        return Utf8Run(bytes.data(), n);
    out += Utf8Run(bytes.data() + runStart, n - runStart);
    return out;
}

QByteArray TNativePath::Encode(const QString &path)
{
    if (!HasRawBytes(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const int raw = RawByteAt(path, i);
        if (raw < 0)
            continue;
        out += QStringView(path).mid(runStart, i - runStart).toUtf8();
        out += char(raw);
        runStart = i + 1;
    }
    out += QStringView(path).mid(runStart).toUtf8();
    return out;
}

bool TNativePath::HasRawBytes(QStringView path)
{
    for (qsizetype i = 0; i < path.size(); ++i)
        if (RawByteAt(path, i) >= 0)
            return true;
    return false;
}

QByteArray TNativePath::FileUri(const QString &absolutePath)
{
    return "file://" + QByteArray(Encode(absolutePath)).toPercentEncoding("/");
}

QString TNativePath::LocalFileOfUri(QByteArrayView uri)
{
    // file:///path, file://localhost/path or file:/path
    QByteArrayView rest = uri.trimmed();
    if (!rest.startsWith("file:"))
        return {};
    rest = rest.sliced(5);
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        const QByteArrayView host = slash < 0 ? rest.sliced(2) : rest.sliced(2, slash - 2);
        if (slash < 0 || !(host.isEmpty() || host == "localhost"))
            return {}; // a file on another machine
        rest = rest.sliced(slash);
    }
    if (!rest.startsWith('/'))
        return {};
    return Decode(QByteArray::fromPercentEncoding(rest.toByteArray()));
}
