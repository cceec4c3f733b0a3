// The pane's editing: the cursor keys, typing in hex and in the character
// column, Tab, Backspace, and where a click puts the caret. The rules are
// HexCaret's; the handlers here tell the keys apart, store the bytes and
// rewrite their cells.

#include <optional>

#include "framework/Prompts.h"
#include "panes/HexView.h"

namespace {

// The dedicated cursor keys (those with the extended flag), by scan code.
std::optional<HexKey> CursorKeyOf(UINT scanCode) {
    struct Entry {
        UINT scanCode;
        HexKey key;
    };
    static constexpr Entry kKeys[] = {
        {0x48, HexKey::Up},    {0x49, HexKey::PageUp}, {0x4B, HexKey::Left},
        {0x4D, HexKey::Right}, {0x50, HexKey::Down},   {0x51, HexKey::PageDown},
    };
    for (const Entry& entry : kKeys) {
        if (entry.scanCode == scanCode) return entry.key;
    }
    return std::nullopt;
}

}  // namespace

void CHexView::UpdateCell(BYTE value, std::int64_t nViewIndex) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const long hexAt = HexLayout::DigitsPosition(nViewIndex);
    const char hex[2] = {kDigits[value >> 4], kDigits[value & 15]};
    SetSel(hexAt, hexAt + 2);
    ReplaceSel({hex, 2});
    const long cellAt = HexLayout::CharacterPosition(nViewIndex);
    const char cell = hexline::CharCell(value);
    SetSel(cellAt, cellAt + 1);
    ReplaceSel({&cell, 1});
}

void CHexView::OnKeyDown(UINT, UINT, UINT nFlags) {
    // Only the dedicated cursor keys, told apart by scan code: the keypad's
    // arrows (no extended flag), Home, End, Delete and shortcuts do nothing.
    if (!(nFlags & KF_EXTENDED)) return;
    const std::optional<HexKey> key = CursorKeyOf(nFlags & 0xFF);
    if (!key) return;
    HexCaret caret = CaretForInput();
    caret.Press(*key);
    Apply(caret);
}

void CHexView::OnChar(UINT nChar, UINT, UINT) {
    HexCaret caret = CaretForInput();
    if (const std::optional<HexEdit> edit = caret.Type(nChar)) {
        const BYTE value = edit->Applied(m_data.At(edit->index));
        if (!m_data.Set(edit->index, value)) {
            // The byte's chunk still goes out with an earlier SEND and there
            // is no memory for a copy of it: the keystroke cannot apply.
            MessageBeep(MB_ICONEXCLAMATION);
            return;
        }
        UpdateCell(value, edit->viewIndex);
        caret.Advance(*edit);
    }
    Apply(caret);
}

void CHexView::OnKeyUp(UINT, UINT, UINT) {}

void CHexView::OnLButtonUp(UINT, CPoint) {
    // The control first places the caret (or ends a drag), then the caret
    // snaps onto a data position and any selection collapses onto it.
    Default();
    HexCaret caret = CaretForInput();
    caret.Click();
    Apply(caret);
}
