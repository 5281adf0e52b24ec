#include "GrepSettings.h"

#include "StoredPath.h"

#include "ActionTable.h"
#include "ColorNames.h"
#include "IniFile.h"

#include <QDateTime>
#include <QtGlobal>

namespace {

const QString WindowSection = QStringLiteral("Window");
const QString OptionSection = QStringLiteral("Option");
const QString ViewSection = QStringLiteral("View");
const QString TextSection = QStringLiteral("Text");
const QString ColumnsSection = QStringLiteral("Columns");
const QString ActionSection = QStringLiteral("Action");

int NormalState(int state)
{
    return state >= TGrepSettings::StateNormal && state <= TGrepSettings::StateMaximized
               ? state
               : TGrepSettings::StateNormal;
}

// The option fields in the order the file keeps them.
struct TOptionKey
{
    const char16_t *Key;
    bool TGrepSettings::*Field;
};
constexpr TOptionKey OptionKeys[] = {
    {u"SubDirectory", &TGrepSettings::SubDirectory},
    {u"IgnoreCase", &TGrepSettings::IgnoreCase},
    {u"RegExpr", &TGrepSettings::RegExpr},
    {u"Mutex", &TGrepSettings::Mutex},
    {u"AutoFilter", &TGrepSettings::AutoFilter},
    {u"AutoColumn", &TGrepSettings::AutoColumn},
};

} // namespace

QList<TGrepSettings::TActionShortcut> TGrepSettings::DesignedShortcuts()
{
    QList<TActionShortcut> shortcuts;
    for (const TActionTable::TEntry &entry : TActionTable::Entries())
        shortcuts.append(TActionShortcut{entry.NameText(), entry.KeyCode});
    return shortcuts;
}

quint16 TGrepSettings::ShortcutOf(QStringView actionName) const
{
    for (const TActionShortcut &entry : Action) {
        if (actionName.compare(entry.Name, Qt::CaseInsensitive) == 0)
            return entry.Code;
    }
    return 0;
}

void TGrepSettings::SetShortcut(QStringView actionName, quint16 code)
{
    for (TActionShortcut &entry : Action) {
        if (actionName.compare(entry.Name, Qt::CaseInsensitive) == 0) {
            entry.Code = code;
            return;
        }
    }
    Action.append(TActionShortcut{actionName.toString(), code});
}

namespace {

// The keys of one filter: its box, its value, and how the value is written
// and read back.
struct TLimitKeys
{
    const char16_t *On;
    const char16_t *Value;
    bool TFileLimitChoice::*Enabled;
    qint64 TFileLimitChoice::*Field;
    bool IsTime;
};

const TLimitKeys LimitKeys[] = {
    {u"MinSizeOn", u"MinSize", &TFileLimitChoice::MinSizeOn, &TFileLimitChoice::MinSize, false},
    {u"MaxSizeOn", u"MaxSize", &TFileLimitChoice::MaxSizeOn, &TFileLimitChoice::MaxSize, false},
    {u"NewerOn", u"Newer", &TFileLimitChoice::NewerOn, &TFileLimitChoice::Newer, true},
    {u"OlderOn", u"Older", &TFileLimitChoice::OlderOn, &TFileLimitChoice::Older, true},
};

} // namespace

void TGrepSettings::ReadFileLimits(const TIniFile &settings)
{
    for (const TLimitKeys &k : LimitKeys) {
        const QString text = settings.ReadString(OptionSection, k.Value, QString());
        const std::optional<qint64> value =
            k.IsTime ? TFileLimits::ParseTime(text, QDateTime::currentDateTime()) : TFileLimits::ParseSize(text);
        if (value)
            FileLimits.*k.Field = *value;
        // A box stays off while its value cannot be read.
        FileLimits.*k.Enabled = value && settings.ReadBool(OptionSection, k.On, false);
    }
}

void TGrepSettings::WriteFileLimits(TIniFile &settings) const
{
    for (const TLimitKeys &k : LimitKeys) {
        // Nothing set yet: a file from before the keys stays as it was.
        if (!(FileLimits.*k.Enabled) && FileLimits.*k.Field == 0 && !settings.ValueExists(OptionSection, k.On))
            continue;
        settings.WriteBool(OptionSection, k.On, FileLimits.*k.Enabled);
        const qint64 value = FileLimits.*k.Field;
        settings.WriteString(OptionSection, k.Value, k.IsTime ? TFileLimits::TimeText(value) : TFileLimits::SizeText(value));
    }
}

void TGrepSettings::Read(const TIniFile &settings)
{
    Left = settings.ReadInteger(WindowSection, u"Left", Left);
    Top = settings.ReadInteger(WindowSection, u"Top", Top);
    Width = settings.ReadInteger(WindowSection, u"Width", Width);
    Height = settings.ReadInteger(WindowSection, u"Height", Height);
    WindowState = NormalState(settings.ReadInteger(WindowSection, u"WindowState", WindowState));

    for (const TOptionKey &option : OptionKeys)
        this->*option.Field = settings.ReadBool(OptionSection, option.Key, this->*option.Field);
    FType = qBound(0, settings.ReadInteger(OptionSection, u"FType", FType), 2);
    PAlign = qBound(0, settings.ReadInteger(OptionSection, u"PAlign", PAlign), 2);
    RegExpTimeLimit = qBound(MinRegExpTimeLimit, settings.ReadInteger(OptionSection, u"RegExpTimeLimit", RegExpTimeLimit),
                             MaxRegExpTimeLimit);
    IgnoreWidth = settings.ReadBool(OptionSection, u"IgnoreWidth", IgnoreWidth);
    IgnoreKana = settings.ReadBool(OptionSection, u"IgnoreKana", IgnoreKana);
    SearchArchives = settings.ReadBool(OptionSection, u"SearchArchives", SearchArchives);
    {
        bool ok = false;
        const qint64 limit = settings.ReadString(OptionSection, u"ArchiveMemberLimit", QString()).toLongLong(&ok);
        if (ok && limit > 0)
            ArchiveMemberLimit = limit;
    }
    ArchiveRatioLimit = qMax(1, settings.ReadInteger(OptionSection, u"ArchiveRatioLimit", ArchiveRatioLimit));
    ExcludeDirs = settings.ReadString(OptionSection, u"ExcludeDirs", ExcludeDirs);
    FollowLinks = settings.ReadBool(OptionSection, u"FollowLinks", FollowLinks);
    ReadFileLimits(settings);

    Detail = settings.ReadBool(ViewSection, u"Detail", Detail);
    // One unit: a malformed value in either key leaves both colours alone.
    const std::optional<quint32> find =
        TColorNames::FromText(settings.ReadString(ViewSection, u"FindColor", TColorNames::ToText(FindColor)));
    const std::optional<quint32> mark =
        TColorNames::FromText(settings.ReadString(ViewSection, u"MarkColor", TColorNames::ToText(MarkColor)));
    if (find && mark) {
        FindColor = *find;
        MarkColor = *mark;
    }
    HeadString = settings.ReadString(ViewSection, u"HeadString", HeadString);
    EndString = settings.ReadString(ViewSection, u"EndString", EndString);
    Preview = settings.ReadBool(ViewSection, u"Preview", Preview);
    PreviewHeight = qBound(0, settings.ReadInteger(ViewSection, u"PreviewHeight", PreviewHeight), MaxPreviewHeight);

    // Paths whose bytes are not all UTF-8 are kept in a form of their own.
    Target = TStoredPath::FromStored(settings.ReadString(TextSection, u"Target", TStoredPath::ToStored(Target)));
    Filter = TStoredPath::FromStored(settings.ReadString(TextSection, u"Filter", TStoredPath::ToStored(Filter)));
    Grep = settings.ReadString(TextSection, u"Grep", Grep);
    SubLimit = qBound(0, settings.ReadInteger(TextSection, u"SubLimit", SubLimit), MaxSubLimit);
    CodePage = qBound(0, settings.ReadInteger(TextSection, u"CodePage", CodePage), CodePageCount - 1);

    for (int i = 0; i < ColumnCount; ++i)
        Columns[i] = settings.ReadInteger(ColumnsSection, QString::number(i), Columns[i]);

    for (TActionShortcut &entry : Action)
        entry.Code = quint16(quint32(settings.ReadInteger(ActionSection, entry.Name, entry.Code)) & 0xFFFFu);
}

void TGrepSettings::Write(TIniFile &settings, const std::function<void(TIniFile &)> &writeHistories) const
{
    const int state = NormalState(WindowState);
    if (state == StateNormal) {
        settings.WriteInteger(WindowSection, u"Left", Left);
        settings.WriteInteger(WindowSection, u"Top", Top);
        settings.WriteInteger(WindowSection, u"Width", Width);
        settings.WriteInteger(WindowSection, u"Height", Height);
    }
    settings.WriteInteger(WindowSection, u"WindowState", state);

    for (const TOptionKey &option : OptionKeys)
        settings.WriteBool(OptionSection, option.Key, this->*option.Field);
    settings.WriteInteger(OptionSection, u"FType", qBound(0, FType, 2));
    settings.WriteInteger(OptionSection, u"PAlign", qBound(0, PAlign, 2));
    settings.WriteInteger(OptionSection, u"RegExpTimeLimit",
                          qBound(MinRegExpTimeLimit, RegExpTimeLimit, MaxRegExpTimeLimit));
    // Written once there is something to keep, so that a file from before
    // the key stays as it was.
    if (!ExcludeDirs.isEmpty() || settings.ValueExists(OptionSection, u"ExcludeDirs"))
        settings.WriteString(OptionSection, u"ExcludeDirs", ExcludeDirs);
    if (FollowLinks || settings.ValueExists(OptionSection, u"FollowLinks"))
        settings.WriteBool(OptionSection, u"FollowLinks", FollowLinks);
    WriteFileLimits(settings);
    if (IgnoreWidth || settings.ValueExists(OptionSection, u"IgnoreWidth"))
        settings.WriteBool(OptionSection, u"IgnoreWidth", IgnoreWidth);
    if (IgnoreKana || settings.ValueExists(OptionSection, u"IgnoreKana"))
        settings.WriteBool(OptionSection, u"IgnoreKana", IgnoreKana);
    if (SearchArchives || settings.ValueExists(OptionSection, u"SearchArchives"))
        settings.WriteBool(OptionSection, u"SearchArchives", SearchArchives);
    // The limits are set by hand in the file; kept as they are read.
    if (settings.ValueExists(OptionSection, u"ArchiveMemberLimit"))
        settings.WriteString(OptionSection, u"ArchiveMemberLimit", QString::number(ArchiveMemberLimit));
    if (settings.ValueExists(OptionSection, u"ArchiveRatioLimit"))
        settings.WriteInteger(OptionSection, u"ArchiveRatioLimit", ArchiveRatioLimit);

    settings.WriteBool(ViewSection, u"Detail", Detail);
    settings.WriteString(ViewSection, u"FindColor", TColorNames::ToText(FindColor));
    settings.WriteString(ViewSection, u"MarkColor", TColorNames::ToText(MarkColor));
    settings.WriteString(ViewSection, u"HeadString", HeadString);
    settings.WriteString(ViewSection, u"EndString", EndString);
    settings.WriteBool(ViewSection, u"Preview", Preview);
    settings.WriteInteger(ViewSection, u"PreviewHeight", qBound(0, PreviewHeight, MaxPreviewHeight));

    settings.WriteString(TextSection, u"Target", TStoredPath::ToStored(Target));
    settings.WriteString(TextSection, u"Filter", TStoredPath::ToStored(Filter));
    settings.WriteString(TextSection, u"Grep", Grep);
    settings.WriteInteger(TextSection, u"SubLimit", qBound(0, SubLimit, MaxSubLimit));
    settings.WriteInteger(TextSection, u"CodePage", qBound(0, CodePage, CodePageCount - 1));

    if (writeHistories)
        writeHistories(settings);

    for (int i = 0; i < ColumnCount; ++i)
        settings.WriteInteger(ColumnsSection, QString::number(i), Columns[i]);

    for (const TActionShortcut &entry : Action)
        settings.WriteInteger(ActionSection, entry.Name, entry.Code);
}
