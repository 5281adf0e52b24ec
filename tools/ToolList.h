#pragma once
// The window's ordered list of external tools. A tool's position is its
// number: the order of its menu entry, the name of its settings section
// ("Tools" + number) and the row of the settings dialog. The list owns its
// records and never holds an empty slot; a record's address stays the same
// while it is in the list, so a dialog may edit it in place.

#include "ToolItems.h"

#include <QString>

#include <memory>
#include <vector>

class TIniFile;

class TToolList
{
public:
    // Sections "Tools0" to "Tools127" are read and written; a longer list
    // keeps its further tools only while the program runs.
    static constexpr int MaxStored = 128;

    TToolList() = default;
    TToolList(const TToolList &other);
    TToolList &operator=(const TToolList &other);
    TToolList(TToolList &&) = default;
    TToolList &operator=(TToolList &&) = default;

    int Count() const { return int(Items.size()); }
    bool IsEmpty() const { return Items.empty(); }
    // The record of tool n, or nullptr when n is no tool number.
    TToolItems *At(int n);
    const TToolItems *At(int n) const;

    // Appends a record (a copy of the one given) and returns it.
    TToolItems *Add(const TToolItems &item = {});
    // Inserts a record before position n (clamped to 0..Count()).
    TToolItems *Insert(int n, const TToolItems &item = {});
    // Destroys tool n; nothing happens when n is no tool number.
    void Delete(int n);
    // Moves tool from to position to; both must be tool numbers.
    void Move(int from, int to);
    void Clear() { Items.clear(); }

    // Appends one record per section "Tools0", "Tools1", ... up to the first
    // missing one (at most MaxStored). Missing keys read as empty texts and 0;
    // the shortcut keeps the low 16 bits of its number.
    void LoadTools(const TIniFile &settings);
    // Writes tool n into "Tools" + n (keys Caption, FilePath, Param, Filter,
    // ShortCut; other keys of the section stay) and erases the sections that
    // follow the last tool, up to the first number without a section.
    void SaveTools(TIniFile &settings) const;

    // The number of the first tool with a non-empty Filter that accepts the
    // extension (".txt"), or -1; an empty extension gives -1.
    int FindToolForExtension(const QString &extension) const;
    // "*" accepts every extension; otherwise "*" + extension + "," must occur
    // in filter + ",", both lower-cased.
    static bool MatchToolFilter(const QString &extension, const QString &filter);

    friend bool operator==(const TToolList &a, const TToolList &b);

private:
    std::vector<std::unique_ptr<TToolItems>> Items;
};
