#include "History.h"

#include "StoredPath.h"

#include "IniFile.h"

THistory::THistory(int tag, QStringList items, QString text)
    : BoxTag(tag), Entries(std::move(items)), BoxText(std::move(text))
{
}

THistory THistory::ForFilterBox()
{
    return THistory(FilterBox, BuiltInFilterItems());
}

QStringList THistory::BuiltInFilterItems()
{
    return {
        QStringLiteral("*.txt"),
        QStringLiteral("*.txt,*.html,*.htm"),
        QStringLiteral("*.html,*.htm,*.css,*.js"),
        QStringLiteral("*.c,*.cpp,*.h"),
        QStringLiteral("*.pl,*.plx,*.cgi"),
        QStringLiteral("*.php"),
        QStringLiteral("*.pas"),
        QStringLiteral("*.xml,*.xsl,*.rss,*.rdf"),
        QStringLiteral("*"),
    };
}

void THistory::AddHistory(const QString &text)
{
    qsizetype found = -1;
    for (qsizetype i = 0; i < Entries.size(); ++i) {
        if (Entries.at(i).compare(text, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    if (found < 0)
        Entries.prepend(text);
    else if (found > 0)
        Entries.move(found, 0);
    BoxText = text;
    TrimHistory();
}

void THistory::TrimHistory()
{
    if (Entries.size() > Limit)
        Entries.resize(Limit);
}

// The target and filter histories hold paths: those that are not UTF-8
// text are kept in a form of their own (TStoredPath). Search texts are
// typed, and stored as they stand.
QString THistory::Stored(bool toFile, const QString &entry) const
{
    if (BoxTag != TargetBox && BoxTag != FilterBox)
        return entry;
    return toFile ? TStoredPath::ToStored(entry) : TStoredPath::FromStored(entry);
}

void THistory::LoadHistory(const TIniFile &settings)
{
    const QString section = SectionName();
    for (int i = 0; i < Limit; ++i) {
        const QString key = KeyName(i);
        if (!settings.ValueExists(section, key))
            return;
        const QString value = Stored(false, settings.ReadString(section, key, QString()));
        if (i < Entries.size())
            Entries[i] = value;
        else
            Entries.append(value);
    }
}

void THistory::SaveHistory(TIniFile &settings) const
{
    const QString section = SectionName();
    for (int i = 0; i < Limit; ++i) {
        const QString key = KeyName(i);
        if (i < Entries.size())
            settings.WriteString(section, key, Stored(true, Entries.at(i)));
        else if (settings.ValueExists(section, key))
            settings.DeleteKey(section, key);
        else
            return;
    }
}

QString THistory::SectionName() const
{
    return QStringLiteral("ComboBox") + QString::number(BoxTag);
}

QString THistory::KeyName(int index)
{
    return QStringLiteral("Items") + QString::number(index);
}
