#pragma once
// The main window's commands, one entry per action of its action list, in
// list order: what the window builds its actions from and what the settings
// file's Action section lists. Nothing here needs a widget.

#include <QString>
#include <QtGlobal>

#include <array>

class TActionTable
{
public:
    // The radio groups of the view menu; an action's Tag is its value within
    // its group (the file form or the alignment it selects).
    enum class TGroup : int { None, FileForm, Alignment };
    // File column: what the list shows of a hit's file.
    enum TFileForm : int { FileName = 0, RelativePath = 1, FullPath = 2 };
    // Where the hit sits in the position column.
    enum TAlignment : int { AlignLeft = 0, AlignCentre = 1, AlignRight = 2 };

    struct TEntry
    {
        const char *Name;          // object name, also the key in the Action section
        const char16_t *Category;
        const char16_t *Caption;
        quint16 KeyCode;           // designed shortcut code (see TShortcutCodes), 0 for none
        bool Checkable;
        TGroup Group;
        int Tag;                   // the value within Group; 0 outside a group

        QString NameText() const { return QString::fromLatin1(Name); }
        QString CategoryText() const { return QString::fromUtf16(Category); }
        QString CaptionText() const { return QString::fromUtf16(Caption); }
    };

    static constexpr int Count = 35;
    static const std::array<TEntry, Count> &Entries();
    // The entry named so (letter case ignored), or nullptr.
    static const TEntry *Find(QStringView name);
};
