#pragma once
// Wrappers of the standard controls that dialog templates create: edit
// fields, buttons (push, default push, check box, group box), static texts,
// combo boxes, the up-down control and the progress bar.

#include <string>
#include <string_view>

#include "framework/Wnd.h"

class EditWidget;
class MultiLineEditWidget;

class CEdit : public CWnd {
public:
    // Selects characters nStart to nEnd (nEnd -1: to the end); equal values place the caret.
    void SetSel(int nStart, int nEnd, bool bNoScroll = false);
    void GetSel(int& nStart, int& nEnd) const;
    // Replaces the selection; the edit keeps no undo record for it.
    void ReplaceSel(std::string_view text, bool bCanUndo = false);
    // Deletes the selection (WM_CLEAR).
    void Clear();
    void SetReadOnly(bool bReadOnly = true);
    [[nodiscard]] bool IsReadOnly() const;
    // 0 lifts the limit as far as the control allows.
    void SetLimitText(UINT nMax);
    void LimitText(UINT nMax) { SetLimitText(nMax); }
    void ScrollCaret();
    [[nodiscard]] int GetLineCount() const;

    [[nodiscard]] UINT GetDlgCode() const override;

protected:
    void OnAttached() override;

private:
    // The widget behind the control, of one kind or the other, looked up
    // once per window rather than on every call: the terminal calls into
    // its control several times for every read.
    [[nodiscard]] EditWidget* LineWidget() const;
    [[nodiscard]] MultiLineEditWidget* MultiLineWidget() const;
    void LookUpWidget() const;

    mutable HWND m_hCachedHandle = nullptr;
    mutable EditWidget* m_pCachedLine = nullptr;
    mutable MultiLineEditWidget* m_pCachedMultiLine = nullptr;
};

class CButton : public CWnd {
public:
    // 0 unchecked, 1 checked.
    [[nodiscard]] int GetCheck() const;
    void SetCheck(int nCheck);
    // What the user's click does: the button's BN_CLICKED to its parent.
    void Click();
    [[nodiscard]] UINT GetDlgCode() const override;
};

class CStatic : public CWnd {};

class CComboBox : public CWnd {
public:
    static constexpr int CB_ERR = -1;

    [[nodiscard]] int GetCount() const;
    [[nodiscard]] int GetCurSel() const;
    // Selects an item (-1: none); sends no notification.
    int SetCurSel(int nSelect);
    int AddString(std::string_view text);
    int InsertString(int nIndex, std::string_view text);
    [[nodiscard]] std::string GetLBText(int nIndex) const;
    void ResetContent();
    // What the user's choice of an item does: select it, then CBN_SELCHANGE.
    void SelectByUser(int nIndex);
};

class CSpinButtonCtrl : public CWnd {
public:
    int SetPos(int nPos);
    [[nodiscard]] int GetPos() const;
    void SetRange(int nLower, int nUpper);
    // What a click on an arrow does: UDN_DELTAPOS to the parent with the
    // proposed change (-1 for up, +1 for down, larger while held).
    LRESULT Step(int nDelta);
};

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int nLower, int nUpper);
    // Returns the previous position.
    int SetPos(int nPos);
    [[nodiscard]] int GetPos() const;
};
