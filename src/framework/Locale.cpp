#include "framework/Locale.h"

#include <cstdlib>
#include <string_view>

namespace {

std::optional<bool> g_koreanUi;
std::optional<LANGID> g_langId;

// The first non-empty variable of the list, as the C library's locale
// lookup orders them.
std::string_view FirstSet(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

bool IsKoreanLocaleName(std::string_view name) {
    // "ko", "ko_KR", "ko_KR.UTF-8", "ko:en" (LANGUAGE lists several).
    return name.substr(0, 2) == "ko" && (name.size() == 2 || name[2] == '_' || name[2] == '.' ||
                                         name[2] == ':' || name[2] == '@');
}

}  // namespace

bool IsKoreanUserInterface() {
    if (g_koreanUi) return *g_koreanUi;
    // LANGUAGE only counts when messages are localized at all.
    std::string_view messages = FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
    if (messages.empty() || messages == "C" || messages == "POSIX") return false;
    std::string_view language = FirstSet({"LANGUAGE"});
    return IsKoreanLocaleName(language.empty() ? messages : language);
}

LANGID GetSystemDefaultLangID() {
    if (g_langId) return *g_langId;
    return IsKoreanLocaleName(FirstSet({"LC_ALL", "LC_CTYPE", "LANG"})) ? LANG_ID_KOREAN
                                                                        : LANG_ID_ENGLISH_US;
}

void OverrideUserInterfaceKorean(std::optional<bool> korean) {
    g_koreanUi = korean;
}

void OverrideSystemDefaultLangID(std::optional<LANGID> langId) {
    g_langId = langId;
}
