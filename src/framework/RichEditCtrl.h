#pragma once
// CRichEditCtrl: the framework's multi-line text control for fixed-pitch
// text in rows of a fixed number of characters (77 by default): character
// position p stands on row p / width, column p % width. It keeps a
// selection (a collapsed one is the caret, which blinks where the
// selection starts), a text limit, and a vertical scroll bar that belongs
// to its owner: the control never scrolls by itself, it reports the user's
// scroll requests as WM_VSCROLL and shows whatever state the owner sets.
// Key-downs, characters, key-ups and left-button releases go through the
// object's message map before the control's own handling.

#include <string>
#include <string_view>

#include "framework/Font.h"
#include "framework/Wnd.h"

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

    void ShowScrollBar(bool bShow = true);
    bool SetScrollInfo(const SCROLLINFO& info, bool bRedraw = true);
    bool GetScrollInfo(SCROLLINFO* pInfo, UINT nMask = SIF_ALL) const;

    // Metrics of the control's display context: its own stock font, not
    // the font the text is shown in.
    [[nodiscard]] TEXTMETRIC GetTextMetrics() const;

    [[nodiscard]] bool IsCaretHidden() const;

    [[nodiscard]] UINT GetDlgCode() const override;

protected:
    // Called before anything reads, changes or paints the text, so that an
    // owner may produce its text only when it is needed.
    virtual void RealizeText() {}

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
};
