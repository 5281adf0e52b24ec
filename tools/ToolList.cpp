#include "ToolList.h"

#include "IniFile.h"
#include "PathText.h"

#include <algorithm>

namespace {

QString SectionName(int n)
{
    return QStringLiteral("Tools") + QString::number(n);
}

} // namespace

TToolList::TToolList(const TToolList &other)
{
    *this = other;
}

TToolList &TToolList::operator=(const TToolList &other)
{
    if (this == &other)
        return *this;
    Items.clear();
    for (const auto &item : other.Items)
        Items.push_back(std::make_unique<TToolItems>(*item));
    return *this;
}

TToolItems *TToolList::At(int n)
{
    return n >= 0 && n < Count() ? Items[size_t(n)].get() : nullptr;
}

const TToolItems *TToolList::At(int n) const
{
    return n >= 0 && n < Count() ? Items[size_t(n)].get() : nullptr;
}

TToolItems *TToolList::Add(const TToolItems &item)
{
    return Insert(Count(), item);
}

TToolItems *TToolList::Insert(int n, const TToolItems &item)
{
    n = std::clamp(n, 0, Count());
    auto it = Items.insert(Items.begin() + n, std::make_unique<TToolItems>(item));
    return it->get();
}

void TToolList::Delete(int n)
{
    if (n >= 0 && n < Count())
        Items.erase(Items.begin() + n);
}

void TToolList::Move(int from, int to)
{
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to)
        return;
    auto item = std::move(Items[size_t(from)]);
    Items.erase(Items.begin() + from);
    Items.insert(Items.begin() + to, std::move(item));
}

void TToolList::LoadTools(const TIniFile &settings)
{
    for (int n = 0; n < MaxStored; ++n) {
        const QString section = SectionName(n);
        if (!settings.SectionExists(section))
            break;
        TToolItems item;
        item.Caption = settings.ReadString(section, u"Caption", {});
        item.FilePath = settings.ReadString(section, u"FilePath", {});
        item.Param = settings.ReadString(section, u"Param", {});
        item.Filter = settings.ReadString(section, u"Filter", {});
        item.ShortCut = quint16(settings.ReadInteger(section, u"ShortCut", 0) & 0xFFFF);
        Add(item);
    }
}

void TToolList::SaveTools(TIniFile &settings) const
{
    for (int n = 0; n < MaxStored; ++n) {
        const QString section = SectionName(n);
        if (n >= Count()) {
            // Sections past the list are left-overs of deleted tools; the
            // first gap ends them, as it ends the list when reading.
            if (!settings.SectionExists(section))
                break;
            settings.EraseSection(section);
            continue;
        }
        const TToolItems &item = *Items[size_t(n)];
        settings.WriteString(section, u"Caption", item.Caption);
        settings.WriteString(section, u"FilePath", item.FilePath);
        settings.WriteString(section, u"Param", item.Param);
        settings.WriteString(section, u"Filter", item.Filter);
        settings.WriteInteger(section, u"ShortCut", item.ShortCut);
    }
}

int TToolList::FindToolForExtension(const QString &extension) const
{
    if (extension.isEmpty())
        return -1;
    for (int n = 0; n < Count(); ++n) {
        const QString &filter = Items[size_t(n)]->Filter;
        if (!filter.isEmpty() && MatchToolFilter(extension, filter))
            return n;
    }
    return -1;
}

bool TToolList::MatchToolFilter(const QString &extension, const QString &filter)
{
    return filter == u"*" || ExtensionListContains(filter, extension);
}

bool operator==(const TToolList &a, const TToolList &b)
{
    return std::equal(a.Items.begin(), a.Items.end(), b.Items.begin(), b.Items.end(),
                      [](const auto &x, const auto &y) { return *x == *y; });
}
