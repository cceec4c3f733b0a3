#include "framework/Resources.h"

#include "framework/Locale.h"

namespace {
const ResourceTables* g_tables = nullptr;
}  // namespace

void SetResourceTables(const ResourceTables* tables) {
    g_tables = tables;
}

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

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string text;
    text.reserve(format.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        const auto number = static_cast<std::size_t>(next - '0');
        if (format[i] == '%' && next >= '1' && next <= '9' && number <= args.size()) {
            text += *(args.begin() + (number - 1));
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

const DialogTemplate* FindDialogTemplate(UINT nID) {
    if (!g_tables) return nullptr;
    for (const DialogTemplate* dialog : g_tables->dialogs) {
        if (dialog->id == nID) return dialog;
    }
    return nullptr;
}

HICON LoadIcon(UINT nID) {
    if (!g_tables) return nullptr;
    for (const IconResource* icon : g_tables->icons) {
        if (icon->id == nID) return icon;
    }
    return nullptr;
}
