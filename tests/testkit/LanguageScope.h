#pragma once
// Sets the user-interface language and the system default language for
// the duration of a test.

#include "framework/Locale.h"

class LanguageScope {
public:
    LanguageScope(bool koreanUi, LANGID systemLangId) {
        OverrideUserInterfaceKorean(koreanUi);
        OverrideSystemDefaultLangID(systemLangId);
    }
    ~LanguageScope() {
        OverrideUserInterfaceKorean(std::nullopt);
        OverrideSystemDefaultLangID(std::nullopt);
    }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;
};

// English texts and fonts, whatever the machine's locale.
class EnglishScope : public LanguageScope {
public:
    EnglishScope() : LanguageScope(false, LANG_ID_ENGLISH_US) {}
};
