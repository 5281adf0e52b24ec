#pragma once
// The window's designed values, each defined once: the settings record
// starts from them and the window, its result list and its painter are
// built with them.

#include <QtGlobal>

#include <array>

struct TWindowDefaults
{
    // Placement of a window without settings, and its client area.
    static constexpr int Left = 200;
    static constexpr int Top = 115;
    static constexpr int ClientWidth = 442;
    static constexpr int ClientHeight = 396;

    // The result list's columns: file, position, line, column, code.
    static constexpr int ColumnCount = 5;
    static constexpr std::array<int, ColumnCount> ColumnWidths{100, 175, 45, 45, 84};

    // Colours as the settings file stores them (0x00BBGGRR).
    static constexpr quint32 FindColor = 0x000080; // maroon
    static constexpr quint32 MarkColor = 0xC0C0C0; // silver

    // The depth limit's range (0 = no limit) and the character-code choices.
    static constexpr int MaxSubLimit = 64;
    static constexpr int CodePageCount = 7;
};
