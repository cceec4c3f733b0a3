#include "framework/Resources.h"

#include "framework/Locale.h"

namespace {
const ResourceTables* g_tables = nullptr;
}  // namespace

void AfxSetResourceTables(const ResourceTables* tables) { g_tables = tables; }

bool LoadString(std::string& text, UINT nID) {
    text.clear();
    if (!g_tables) return false;
    // The user-interface language picks the table; English is the fallback.
    const auto table = IsKoreanUserInterface() ? g_tables->koreanStrings : g_tables->englishStrings;
    for (const StringTableEntry& entry : table) {
        if (entry.id == nID) {
            text.assign(entry.text);
            return true;
        }
    }
    return false;
}

std::string LoadString(UINT nID) {
    std::string text;
    LoadString(text, nID);
    return text;
}

const DialogTemplate* AfxFindDialogTemplate(UINT nID) {
    if (!g_tables) return nullptr;
    for (const DialogTemplate* dialog : g_tables->dialogs) {
        if (dialog->id == nID) return dialog;
    }
    return nullptr;
}

HICON AfxLoadIcon(UINT nID) {
    if (!g_tables) return nullptr;
    for (const IconResource* icon : g_tables->icons) {
        if (icon->id == nID) return icon;
    }
    return nullptr;
}
