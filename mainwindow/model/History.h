#pragma once
// The input history of one of the three setup boxes (target, filter, search
// text): the drop-down's entries, newest first, and the text the box shows.
// The window copies Items() and Text() into its combo box after a change.

#include <QString>
#include <QStringList>

class TIniFile;

class THistory
{
public:
    // The box's tag; it names the history's settings section "ComboBox<tag>".
    enum : int { TargetBox = 0, FilterBox = 1, GrepBox = 2 };

    // Entries kept after an addition, loaded and stored.
    static constexpr int Limit = 32;

    explicit THistory(int tag, QStringList items = {}, QString text = {});

    // The filter box's history before any settings are read.
    static THistory ForFilterBox();
    // The filter box's designed entries, in their designed order.
    static QStringList BuiltInFilterItems();

    int Tag() const { return BoxTag; }
    const QStringList &Items() const { return Entries; }
    const QString &Text() const { return BoxText; }
    void SetText(const QString &text) { BoxText = text; }

    // Puts text at the top: the first entry equal to it regardless of letter
    // case moves up and keeps its own spelling, otherwise text becomes a new
    // entry. The box shows text as given; the list is trimmed to Limit.
    // An empty text is an entry like any other.
    void AddHistory(const QString &text);
    // Drops the last entries beyond Limit.
    void TrimHistory();

    // Entry i becomes the value of "Items<i>" for i = 0, 1, ... up to the
    // first missing key (at most Limit): existing entries are replaced in
    // place, the rest appended. Entries beyond the stored ones stay.
    void LoadHistory(const TIniFile &settings);
    // Writes the entries as "Items0" ... and deletes the keys above them up
    // to the first missing one.
    void SaveHistory(TIniFile &settings) const;

    QString SectionName() const;
    static QString KeyName(int index);

private:
    QString Stored(bool toFile, const QString &entry) const;

    int BoxTag;
    QStringList Entries;
    QString BoxText;
};
