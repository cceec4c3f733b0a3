#pragma once
// The individual resource tables, defined one kind per source file and
// gathered into one ResourceTables by VelmoraResources().

#include <span>

#include "framework/Resources.h"

namespace resource_data {

extern const std::span<const StringTableEntry> englishStrings;
extern const std::span<const StringTableEntry> koreanStrings;

extern const DialogTemplate mainDialog;
extern const DialogTemplate aboutDialog;
extern const DialogTemplate telnetDialog;

extern const IconResource appIcon;

}  // namespace resource_data
