#pragma once
// The program's resources (string tables in two languages, dialog
// templates, icons), registered once by the application as static tables.
// Lookups pick the string table of the user-interface language.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "framework/DialogTemplate.h"
#include "framework/WinDef.h"

struct StringTableEntry {
    UINT id = 0;
    std::string_view text;
};

// One image of an icon: `pixels` holds size x size hexadecimal digits, row
// by row, each an index into the 16-entry ARGB palette.
struct IconImage {
    int size = 0;
    std::span<const std::uint32_t> palette;
    std::string_view pixels;
};

struct IconResource {
    UINT id = 0;
    std::span<const IconImage> images;
};

using HICON = const IconResource*;

struct ResourceTables {
    std::span<const StringTableEntry> englishStrings;
    std::span<const StringTableEntry> koreanStrings;
    std::span<const DialogTemplate* const> dialogs;
    std::span<const IconResource* const> icons;
};

void SetResourceTables(const ResourceTables* tables);

// The text of string `nID` in the user-interface language; empty (and
// false) when the table has no such string.
bool LoadString(std::string& text, UINT nID);
[[nodiscard]] std::string LoadString(UINT nID);

// `format` with each "%1" to "%9" replaced by the argument of that number,
// as the string tables write the places of values; a number without an
// argument stays as it is.
[[nodiscard]] std::string FormatText(std::string_view format,
                                     std::initializer_list<std::string_view> args);

[[nodiscard]] const DialogTemplate* FindDialogTemplate(UINT nID);
[[nodiscard]] HICON LoadIcon(UINT nID);
