#include "res/WindowFonts.h"

#include "framework/Locale.h"

namespace {

constexpr const char* kKoreanFace = "\xEA\xB5\xB4\xEB\xA6\xBC\xEC\xB2\xB4";  // 굴림체
constexpr const char* kDefaultFace = "Courier New";

std::unique_ptr<CFont> MakeFont(int height, const char* face) {
    auto font = std::make_unique<CFont>();
    font->CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    return font;
}

}  // namespace

std::unique_ptr<CFont> CreateKoreanFont() {
    return MakeFont(13, kKoreanFace);
}

std::unique_ptr<CFont> CreateDefaultFont() {
    return MakeFont(14, kDefaultFace);
}

bool UsesKoreanFont(LANGID langId) {
    return PRIMARYLANGID_BYTE(langId) == LANG_KOREAN;
}

void ApplyWindowFont(CWnd& window, CFont* pFontKorean, CFont* pFontDefault) {
    CFont* font = UsesKoreanFont(GetSystemDefaultLangID()) ? pFontKorean : pFontDefault;
    window.SendMessageToDescendants(WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
}
