#pragma once
// CRichEditCtrl: the framework's multi-line text control for fixed-pitch
// text in rows of a fixed number of characters (77 by default): character
// position p stands on row p / width, column p % width, and every row's
// characters stand on whole-pixel cells. It keeps a selection (a collapsed
// one is the caret, which blinks where the selection starts), a text limit,
// and a vertical scroll bar that belongs to its owner: the control never
// scrolls by itself, it reports the user's scroll requests as WM_VSCROLL
// and shows whatever state the owner sets. The scroll bar is shown unless
// the owner hides it, and disabled while its range does not exceed its
// page.
//
// Key-downs, characters, key-ups and left-button messages go through the
// object's message map before the control's own handling. Key-downs and
// key-ups have no handling of their own: an owner decides what they do. A
// left-button press puts the caret at the character boundary nearest to
// the point; a press right of a row's text puts it on the row's last
// character (on the last row: the end of the text), below the text at the
// end of the text. Taking the focus from the keyboard (Tab) selects the
// whole text. Told WM_KILLFOCUS, the control hides its caret and selection
// until it really gets the focus again.
//
// The text may be produced lazily: an owner marks it stale and produces it
// in RealizeText(), which the control calls before anything reads, changes
// or paints the text, so that many changes between two paints cost one
// production.

#include <string>
#include <string_view>

#include "framework/Font.h"
#include "framework/Wnd.h"

class QWidget;
class RichEditWidget;

class CRichEditCtrl : public CWnd {
public:
    ~CRichEditCtrl() override;

    // nEndChar -1 means the end of the text; (0, -1) selects everything.
    void SetSel(long nStartChar, long nEndChar);
    void GetSel(long& nStartChar, long& nEndChar) const;
    // Copies at most nMaxLength characters of display row nIndex; returns
    // the number copied (no terminator is added).
    int GetLine(int nIndex, char* lpszBuffer, int nMaxLength) const;
    // Replaces the selection; the control keeps no undo record. Text past
    // the limit is cut off. The caret ends after the inserted text.
    void ReplaceSel(std::string_view text, bool bCanUndo = false);
    // Deletes the selection (WM_CLEAR).
    void Clear();
    void LimitText(long nChars = 0);
    [[nodiscard]] long GetLimitText() const;
    [[nodiscard]] long GetTextLength() const;
    [[nodiscard]] std::string GetText() const;
    [[nodiscard]] int GetRowChars() const;
    void SetRowChars(int nChars);

    // The top-left corner of character position nChar's cell in client
    // coordinates, wherever it lies (also past the end of the text).
    [[nodiscard]] CPoint PosFromChar(long nChar) const;

    void ShowScrollBar(bool bShow = true);
    bool SetScrollInfo(const SCROLLINFO& info, bool bRedraw = true);
    bool GetScrollInfo(SCROLLINFO* pInfo, UINT nMask = SIF_ALL) const;
    [[nodiscard]] bool IsScrollBarShown() const;
    // Whether the user can operate the scroll bar (shown, enabled, and its
    // range exceeding its page).
    [[nodiscard]] bool IsScrollBarEnabled() const;
    // What the scroll bar does when the user operates it: records the
    // tracking position (for SB_THUMBTRACK and SB_THUMBPOSITION) and sends
    // WM_VSCROLL with the request to the control.
    void ScrollBarRequest(UINT nSBCode, int nTrackPos = 0);

    // The height of the window's outer rectangle, without a round trip to
    // the toolkit (cheap enough for every rebuild of a view).
    [[nodiscard]] int GetOuterHeight() const;

    // Metrics of the control's display context: its own stock font, not
    // the font the text is shown in.
    [[nodiscard]] TEXTMETRIC GetTextMetrics() const;

    [[nodiscard]] bool IsCaretHidden() const;

    // Paints the control now, producing its text first if it is stale.
    void RedrawNow();

    [[nodiscard]] UINT GetDlgCode() const override;

protected:
    // Called before anything reads, changes or paints the text, so that an
    // owner may produce its text only when it is needed.
    virtual void RealizeText() {}
    // Tells the control that the owner's text changed and must be produced
    // (RealizeText) before it is next read or painted; schedules one repaint.
    void MarkTextStale();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;

private:
    // The widget behind the control, looked up once per window rather than
    // on every call: panes call into the control on every received block.
    [[nodiscard]] RichEditWidget* Widget() const;

    mutable QWidget* m_pCachedHandle = nullptr;
    mutable RichEditWidget* m_pCachedWidget = nullptr;
};
