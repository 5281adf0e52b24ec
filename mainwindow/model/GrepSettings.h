#pragma once
// Everything the main window keeps in the settings file from one run to the
// next, one field per key, named after the keys. A default-constructed
// record holds the window's designed values.
//
// Read() takes the values from a settings copy; a key that is missing or
// malformed keeps the value the record had, so a window that fills the
// record from its controls first gets "the control's current value" as the
// default. Write() puts the values into a settings copy in the order the
// file keeps them: Window, Option, View, Text, the input histories (handed
// in by the caller), Columns, Action. The tools' sections follow after
// Write() returns.

#include "FileLimits.h"
#include "History.h"
#include "WindowDefaults.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <functional>

class TIniFile;

class TGrepSettings
{
public:
    struct TActionShortcut
    {
        QString Name;  // the action's name, also its key in the Action section
        quint16 Code;  // shortcut code, 0 for none
        friend bool operator==(const TActionShortcut &, const TActionShortcut &) = default;
    };

    enum : int { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };
    static constexpr int ColumnCount = TWindowDefaults::ColumnCount;
    static constexpr int MaxSubLimit = TWindowDefaults::MaxSubLimit;
    static constexpr int CodePageCount = TWindowDefaults::CodePageCount;

    // [Window] The placement of the window in its normal state: written only
    // while WindowState is normal, so a window closed maximised or minimised
    // leaves the file's last normal placement in place. Width and Height
    // start as the designed client area; a window whose frame or menu bar
    // adds to it sets its own designed size before Read().
    int Left = TWindowDefaults::Left;
    int Top = TWindowDefaults::Top;
    int Width = TWindowDefaults::ClientWidth;
    int Height = TWindowDefaults::ClientHeight;
    int WindowState = StateNormal; // 0 normal, 1 minimised, 2 maximised

    // [Option]
    bool SubDirectory = false;
    bool IgnoreCase = false;
    // Written once set, so that a file from before them stays as it was.
    bool IgnoreWidth = false;
    bool IgnoreKana = false;
    // Archives and compressed files are searched member by member; a member
    // may unpack to at most ArchiveMemberLimit bytes and ArchiveRatioLimit
    // times its packed size (written once set, like the options above).
    bool SearchArchives = false;
    qint64 ArchiveMemberLimit = qint64(4) << 30;
    int ArchiveRatioLimit = 1000;
    bool RegExpr = false;
    bool Mutex = false;
    bool AutoFilter = false;
    bool AutoColumn = false;
    int FType = 0;  // 0 file name, 1 relative path, 2 full path
    int PAlign = 1; // 0 left, 1 centre, 2 right
    // How long one regular-expression match may take before its line is
    // skipped, in milliseconds (MinRegExpTimeLimit..MaxRegExpTimeLimit).
    int RegExpTimeLimit = 5000;
    static constexpr int MinRegExpTimeLimit = 100;
    static constexpr int MaxRegExpTimeLimit = 3600000;
    // Subfolder name patterns a search does not enter, comma-separated
    // ("*", "?" and "[...]" as in the shell); empty: every subfolder.
    QString ExcludeDirs;
    // Links to folders met inside the searched tree are entered too.
    bool FollowLinks = false;
    // Size and date filters: MinSizeOn/MinSize ("500K"), MaxSizeOn/MaxSize,
    // NewerOn/Newer ("2003-04-12 10:00:00", local), OlderOn/Older; all off.
    TFileLimitChoice FileLimits;

    // [View] Colours as stored numbers (see TColorNames); HeadString and
    // EndString as the file has them (empty: no mark).
    bool Detail = false;
    quint32 FindColor = TWindowDefaults::FindColor;
    quint32 MarkColor = TWindowDefaults::MarkColor;
    QString HeadString = QStringLiteral("│");
    QString EndString = QStringLiteral("↓");
    // The preview pane below the result list, and its height in pixels
    // (0: not yet sized, the pane then takes a third of the list's room).
    bool Preview = false;
    int PreviewHeight = 0;
    static constexpr int MaxPreviewHeight = 16384;

    // [Text]
    QString Target;
    QString Filter = THistory::BuiltInFilterItems().first();
    QString Grep;
    int SubLimit = 0; // 0..64, 0 = no limit
    int CodePage = 0; // index into the character-code box, 0..6

    // [Columns] keys "0" to "4": the widths of the five result columns.
    std::array<int, ColumnCount> Columns = TWindowDefaults::ColumnWidths;

    // [Action] one entry per action of the main action list, in list order.
    QList<TActionShortcut> Action = DesignedShortcuts();

    // The designed shortcut of every action of the main action list (see
    // TActionTable).
    static QList<TActionShortcut> DesignedShortcuts();

    // The code stored for an action (names compared ignoring letter case);
    // 0 for an action not in the list.
    quint16 ShortcutOf(QStringView actionName) const;
    // Sets an action's code; an action not yet in the list is appended.
    void SetShortcut(QStringView actionName, quint16 code);

    // Values read from the copy, with these corrections: WindowState other
    // than 0..2 becomes 0; FType and PAlign are clamped to 0..2,
    // RegExpTimeLimit to its range, PreviewHeight to
    // 0..MaxPreviewHeight, SubLimit to
    // 0..64, CodePage to 0..6; a shortcut keeps the low 16 bits of its
    // number; FindColor and MarkColor are read together and, when either is
    // no colour, both keep the values they had.
    void Read(const TIniFile &settings);

    // Writes every key. writeHistories, when given, runs between the Text and
    // Columns sections, where the input histories belong; the values written
    // are normalised as Read() would normalise them.
    void Write(TIniFile &settings, const std::function<void(TIniFile &)> &writeHistories = {}) const;

    friend bool operator==(const TGrepSettings &, const TGrepSettings &) = default;

private:
    // The size and date filters: a value that is no size or time leaves
    // that bound as it was; keys are written once a filter has been set.
    void ReadFileLimits(const TIniFile &settings);
    void WriteFileLimits(TIniFile &settings) const;
};
