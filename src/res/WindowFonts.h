#pragma once
// The font pair every window creates, and the rule that picks one: the
// Korean monospace face on a system whose default language is Korean, the
// Courier face everywhere else. The texts follow the user-interface
// language instead; the two choices are independent.

#include <memory>

#include "framework/Font.h"
#include "framework/Wnd.h"

// "굴림체", 13 pixels from top to bottom.
[[nodiscard]] std::unique_ptr<CFont> CreateKoreanFont();
// "Courier New", 14 pixels from top to bottom.
[[nodiscard]] std::unique_ptr<CFont> CreateDefaultFont();

// True when the low byte of the language identifier is Korean (0x12), so
// 0x0412 and 0x0812 both match.
[[nodiscard]] bool UsesKoreanFont(LANGID langId);

// Picks the font by the system default language and gives it to every
// descendant of the window.
void ApplyWindowFont(CWnd& window, CFont* pFontKorean, CFont* pFontDefault);
