#pragma once
// The two language facts the program reads from the system: the language
// of the user interface (which string table to use) and the system default
// language identifier (which font the windows use). Tests inject both.

#include <optional>

#include "framework/WinDef.h"

// True when the user interface speaks Korean: the first language of
// LANGUAGE, LC_ALL, LC_MESSAGES or LANG (in that order) is Korean.
[[nodiscard]] bool IsKoreanUserInterface();

// 0x0412 when the system locale (LC_ALL, LC_CTYPE or LANG) is Korean,
// 0x0409 otherwise.
[[nodiscard]] LANGID GetSystemDefaultLangID();

// Overrides for tests and tools; std::nullopt restores the system's value.
void OverrideUserInterfaceKorean(std::optional<bool> korean);
void OverrideSystemDefaultLangID(std::optional<LANGID> langId);
