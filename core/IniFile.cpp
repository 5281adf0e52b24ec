#include "IniFile.h"

#include "Cp932.h"
#include "FileKind.h"
#include "RegularFileWriter.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool SameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ContainsName(const QStringList &names, QStringView name)
{
    return std::any_of(names.cbegin(), names.cend(),
                       [name](const QString &n) { return SameName(n, name); });
}

} // namespace

std::optional<QString> TIniFile::DecodeText(QByteArrayView bytes)
{
    const auto strict = [](QStringDecoder::Encoding encoding, QByteArrayView data) -> std::optional<QString> {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        QString text = decoder(data);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return strict(QStringDecoder::Utf8, bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE"))
        return strict(QStringDecoder::Utf16LE, bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return strict(QStringDecoder::Utf16BE, bytes.sliced(2));
    if (std::optional<QString> utf8 = strict(QStringDecoder::Utf8, bytes))
        return utf8;
    // Older files, and files edited with Windows tools, are in CP932. It has
    // no U+FFFD of its own, so one in the text marks a byte it could not read.
    QString text = TCp932::ToQString(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return text;
}

void TIniFile::SetText(QByteArrayView utf8)
{
    Sections.clear();
    if (utf8.startsWith("\xEF\xBB\xBF"))
        utf8 = utf8.sliced(3);
    SetDecoded(QString::fromUtf8(utf8));
}

void TIniFile::SetDecoded(const QString &text)
{
    Sections.clear();
    TSection *current = nullptr;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']')) {
            Sections.append(TSection{line.sliced(1, line.size() - 2).toString(), {}});
            current = &Sections.last();
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            current->Lines.append(TLine{line.toString(), {}, false});
        else
            current->Lines.append(TLine{line.first(eq).toString(), line.sliced(eq + 1).toString(), true});
    }
}

QByteArray TIniFile::Text() const
{
    static const QString LineEnd = QStringLiteral("\r\n");
    QString text;
    for (const TSection &section : Sections) {
        text += u'[';
        text += section.Name;
        text += u']';
        text += LineEnd;
        for (const TLine &line : section.Lines) {
            text += line.Key;
            if (line.HasValue) {
                text += u'=';
                text += line.Value;
            }
            text += LineEnd;
        }
        text += LineEnd;
    }
    return text.toUtf8();
}

bool TIniFile::LoadFromFile(const QString &path, QString *reason)
{
    Sections.clear();
    switch (TFileKind::Of(path)) {
    case TFileKind::Missing:
        return true;
    case TFileKind::File:
        break;
    case TFileKind::Folder:
    case TFileKind::Other:
        // Never opened: a FIFO would hold the reader until someone writes.
        if (reason)
            *reason = TRegularFileWriter::NotRegularReason();
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    const std::optional<QString> text = DecodeText(content);
    if (!text) {
        // Read as something it is not, its texts would be lost at the next save.
        if (reason)
            *reason = QStringLiteral("文字コードを判別できません (UTF-8、UTF-16、Shift-JIS のいずれでもありません)");
        return false;
    }
    SetDecoded(*text);
    return true;
}

bool TIniFile::SaveToFile(const QString &path, QString *reason) const
{
    QString why;
    if (TRegularFileWriter::Save(path, Text(), why) == TRegularFileWriter::TResult::Written)
        return true;
    if (reason)
        *reason = why;
    return false;
}

bool TIniFile::SectionExists(QStringView section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(QStringView section, QStringView key) const
{
    const TSection *found = FindSection(section);
    return found && FindLine(*found, key) >= 0;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const TSection &section : Sections) {
        if (!ContainsName(names, section.Name))
            names.append(section.Name);
    }
    return names;
}

QStringList TIniFile::ReadSection(QStringView section) const
{
    QStringList keys;
    const TSection *found = FindSection(section);
    if (!found)
        return keys;
    for (const TLine &line : found->Lines) {
        if (line.HasValue && !ContainsName(keys, line.Key))
            keys.append(line.Key);
    }
    return keys;
}

QString TIniFile::ReadString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const TSection *found = FindSection(section);
    if (!found)
        return defaultValue;
    const qsizetype index = FindLine(*found, key);
    return index < 0 ? defaultValue : found->Lines.at(index).Value;
}

int TIniFile::ReadInteger(QStringView section, QStringView key, int defaultValue) const
{
    const TSection *found = FindSection(section);
    if (!found)
        return defaultValue;
    const qsizetype index = FindLine(*found, key);
    if (index < 0)
        return defaultValue;
    return ParseInteger(found->Lines.at(index).Value).value_or(defaultValue);
}

bool TIniFile::ReadBool(QStringView section, QStringView key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(QStringView section, QStringView key, const QString &value)
{
    QString stored = value;
    stored.replace(u'\r', u' ').replace(u'\n', u' ');

    TSection *found = FindSection(section);
    if (!found) {
        Sections.append(TSection{section.toString(), {}});
        found = &Sections.last();
    }
    const qsizetype index = FindLine(*found, key);
    if (index < 0)
        found->Lines.append(TLine{key.toString(), stored, true});
    else
        found->Lines[index] = TLine{key.toString(), stored, true};
}

void TIniFile::WriteInteger(QStringView section, QStringView key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(QStringView section, QStringView key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::EraseSection(QStringView section)
{
    Sections.removeIf([section](const TSection &s) { return SameName(s.Name, section); });
}

void TIniFile::DeleteKey(QStringView section, QStringView key)
{
    TSection *found = FindSection(section);
    if (!found)
        return;
    found->Lines.removeIf([key](const TLine &line) { return line.HasValue && SameName(line.Key, key); });
}

std::optional<int> TIniFile::ParseInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    QStringView digits = text.sliced(i);
    int base = 10;
    if (digits.startsWith(u'$') || digits.startsWith(u'x') || digits.startsWith(u'X')) {
        base = 16;
        digits = digits.sliced(1);
    } else if (digits.startsWith(u"0x") || digits.startsWith(u"0X")) {
        base = 16;
        digits = digits.sliced(2);
    }
    if (digits.isEmpty())
        return std::nullopt;

    // Decimal: up to 2^31 so that the most negative value still fits.
    const quint64 limit = base == 16 ? 0xFFFFFFFFu : 0x80000000u;
    quint64 magnitude = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }

    if (base == 16) {
        quint32 bits = quint32(magnitude);
        if (negative)
            bits = 0u - bits;
        return int(bits);
    }
    if (!negative && magnitude > 0x7FFFFFFFu)
        return std::nullopt;
    return int(negative ? -qint64(magnitude) : qint64(magnitude));
}

const TIniFile::TSection *TIniFile::FindSection(QStringView name) const
{
    for (const TSection &section : Sections) {
        if (SameName(section.Name, name))
            return &section;
    }
    return nullptr;
}

TIniFile::TSection *TIniFile::FindSection(QStringView name)
{
    return const_cast<TSection *>(std::as_const(*this).FindSection(name));
}

qsizetype TIniFile::FindLine(const TSection &section, QStringView key)
{
    for (qsizetype i = 0; i < section.Lines.size(); ++i) {
        const TLine &line = section.Lines.at(i);
        if (line.HasValue && SameName(line.Key, key))
            return i;
    }
    return -1;
}
