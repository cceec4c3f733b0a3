// The two language rules, read from the locale variables.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "framework/Locale.h"

namespace {

// Sets the locale variables for one case and restores them afterwards.
class LocaleEnvironment {
public:
    explicit LocaleEnvironment(const std::map<std::string, std::string>& values) {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
            unsetenv(name);
        }
        for (const auto& [name, value] : values) setenv(name.c_str(), value.c_str(), 1);
    }
    ~LocaleEnvironment() {
        for (const auto& [name, value] : m_saved) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }

private:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_CTYPE",
                                             "LANG"};
    std::map<std::string, std::optional<std::string>> m_saved;
};

}  // namespace

TEST(Locale, UserInterfaceLanguageRule) {
    struct Row {
        const char* name;
        std::map<std::string, std::string> env;
        bool korean;
    };
    const Row rows[] = {
        {"nothing set", {}, false},
        {"korean LANG", {{"LANG", "ko_KR.UTF-8"}}, true},
        {"plain ko", {{"LANG", "ko"}}, true},
        {"english LANG", {{"LANG", "en_US.UTF-8"}}, false},
        {"german falls back to english", {{"LANG", "de_DE.UTF-8"}}, false},
        {"LC_MESSAGES wins over LANG",
         {{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ko_KR.UTF-8"}},
         true},
        {"LC_ALL wins over LC_MESSAGES",
         {{"LC_ALL", "en_US.UTF-8"}, {"LC_MESSAGES", "ko_KR.UTF-8"}},
         false},
        {"LANGUAGE list first", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "ko:en"}}, true},
        {"C locale ignores LANGUAGE", {{"LC_ALL", "C"}, {"LANGUAGE", "ko"}}, false},
        {"kok is not korean", {{"LANG", "kok_IN"}}, false},
    };
    for (const Row& row : rows) {
        LocaleEnvironment env(row.env);
        EXPECT_EQ(IsKoreanUserInterface(), row.korean) << row.name;
    }
}

TEST(Locale, SystemDefaultLanguageRule) {
    struct Row {
        const char* name;
        std::map<std::string, std::string> env;
        LANGID expected;
    };
    const Row rows[] = {
        {"nothing set", {}, 0x0409},
        {"korean LANG", {{"LANG", "ko_KR.UTF-8"}}, 0x0412},
        {"korean LC_CTYPE", {{"LANG", "en_US.UTF-8"}, {"LC_CTYPE", "ko_KR.UTF-8"}}, 0x0412},
        {"messages do not decide",
         {{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ko_KR.UTF-8"}},
         0x0409},
    };
    for (const Row& row : rows) {
        LocaleEnvironment env(row.env);
        EXPECT_EQ(GetSystemDefaultLangID(), row.expected) << row.name;
    }
}

TEST(Locale, OverridesWinUntilRestored) {
    LocaleEnvironment env(std::map<std::string, std::string>{{"LANG", "en_US.UTF-8"}});
    OverrideUserInterfaceKorean(true);
    OverrideSystemDefaultLangID(0x0412);
    EXPECT_TRUE(IsKoreanUserInterface());
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0412);
    OverrideUserInterfaceKorean(std::nullopt);
    OverrideSystemDefaultLangID(std::nullopt);
    EXPECT_FALSE(IsKoreanUserInterface());
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
}
