#include "framework/Controls.h"

#include "framework/qt/MultiLineEdit.h"
#include "framework/qt/Widgets.h"
#include "framework/qt/WindowSystem.h"

// ---- CEdit: a single-line field (QLineEdit) or a multi-line edit ----

void CEdit::LookUpWidget() const {
    if (m_hWnd == m_hCachedHandle) return;
    m_hCachedHandle = m_hWnd;
    m_pCachedLine = WidgetOf<EditWidget>(this);
    m_pCachedMultiLine = m_pCachedLine ? nullptr : WidgetOf<MultiLineEditWidget>(this);
}

EditWidget* CEdit::LineWidget() const {
    LookUpWidget();
    return m_pCachedLine;
}

MultiLineEditWidget* CEdit::MultiLineWidget() const {
    LookUpWidget();
    return m_pCachedMultiLine;
}

void CEdit::OnAttached() {
    // A new window may stand where an old one stood: look it up afresh.
    m_hCachedHandle = nullptr;
    m_pCachedLine = nullptr;
    m_pCachedMultiLine = nullptr;
}

void CEdit::SetSel(int nStart, int nEnd, bool bNoScroll) {
    if (auto* line = LineWidget()) {
        const int length = static_cast<int>(line->text().size());
        if (nStart < 0) {
            line->deselect();
            return;
        }
        if (nEnd < 0 || nEnd > length) nEnd = length;
        line->setSelection(nStart, nEnd - nStart);
    } else if (auto* multi = MultiLineWidget()) {
        multi->SetSelection(nStart, nEnd);
        if (!bNoScroll) multi->ScrollCaretIntoView();
    }
}

void CEdit::GetSel(int& nStart, int& nEnd) const {
    nStart = nEnd = 0;
    if (auto* line = LineWidget()) {
        if (line->hasSelectedText()) {
            nStart = line->selectionStart();
            nEnd = line->selectionEnd();
        } else {
            nStart = nEnd = line->cursorPosition();
        }
    } else if (auto* multi = MultiLineWidget()) {
        nStart = static_cast<int>(multi->SelectionStart());
        nEnd = static_cast<int>(multi->SelectionEnd());
    }
}

void CEdit::ReplaceSel(std::string_view text, bool) {
    if (auto* line = LineWidget()) {
        line->insert(FromUtf8(text));
    } else if (auto* multi = MultiLineWidget()) {
        multi->ReplaceSelection(text);
    }
}

void CEdit::Clear() {
    if (auto* line = LineWidget()) {
        line->del();
    } else if (auto* multi = MultiLineWidget()) {
        multi->ClearSelection();
    }
}

void CEdit::SetReadOnly(bool bReadOnly) {
    if (auto* line = LineWidget()) {
        line->setReadOnly(bReadOnly);
    } else if (auto* multi = MultiLineWidget()) {
        multi->SetReadOnly(bReadOnly);
    }
}

bool CEdit::IsReadOnly() const {
    if (auto* line = LineWidget()) return line->isReadOnly();
    if (auto* multi = MultiLineWidget()) return multi->IsReadOnly();
    return false;
}

void CEdit::SetLimitText(UINT nMax) {
    if (auto* line = LineWidget()) {
        line->setMaxLength(nMax ? static_cast<int>(nMax) : 0x7FFFFFFE);
    } else if (auto* multi = MultiLineWidget()) {
        multi->SetLimit(nMax > 0x7FFFFFFEU ? 0 : static_cast<long>(nMax));
    }
}

void CEdit::ScrollCaret() {
    if (auto* multi = MultiLineWidget()) multi->ScrollCaretIntoView();
}

int CEdit::GetLineCount() const {
    if (auto* multi = MultiLineWidget()) return multi->DisplayRowCount();
    return 1;
}

UINT CEdit::GetDlgCode() const {
    if (MultiLineWidget()) {
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
    }
    return DLGC_WANTCHARS | DLGC_WANTARROWS;
}

// ---- CButton ----

int CButton::GetCheck() const {
    auto* box = WidgetOf<CheckBoxWidget>(this);
    return box && box->isChecked() ? 1 : 0;
}

void CButton::SetCheck(int nCheck) {
    if (auto* box = WidgetOf<CheckBoxWidget>(this)) box->setChecked(nCheck != 0);
}

void CButton::Click() {
    if (auto* button = dynamic_cast<QAbstractButton*>(m_hWnd)) button->click();
}

UINT CButton::GetDlgCode() const {
    return DLGC_BUTTON;
}

// ---- CComboBox ----

int CComboBox::GetCount() const {
    auto* combo = WidgetOf<ComboWidget>(this);
    return combo ? combo->count() : 0;
}

int CComboBox::GetCurSel() const {
    auto* combo = WidgetOf<ComboWidget>(this);
    return combo ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect) {
    auto* combo = WidgetOf<ComboWidget>(this);
    if (!combo) return CB_ERR;
    if (nSelect < -1 || nSelect >= combo->count()) {
        combo->setCurrentIndex(-1);
        return CB_ERR;
    }
    combo->setCurrentIndex(nSelect);
    return nSelect;
}

int CComboBox::AddString(std::string_view text) {
    auto* combo = WidgetOf<ComboWidget>(this);
    if (!combo) return CB_ERR;
    const int current = combo->currentIndex();
    combo->addItem(FromUtf8(text));
    // Adding items never selects one, as in the classic control.
    combo->setCurrentIndex(current);
    return combo->count() - 1;
}

int CComboBox::InsertString(int nIndex, std::string_view text) {
    auto* combo = WidgetOf<ComboWidget>(this);
    if (!combo) return CB_ERR;
    const int current = combo->currentIndex();
    const int at = nIndex < 0 || nIndex > combo->count() ? combo->count() : nIndex;
    combo->insertItem(at, FromUtf8(text));
    combo->setCurrentIndex(current < 0 ? -1 : (current >= at ? current + 1 : current));
    return at;
}

std::string CComboBox::GetLBText(int nIndex) const {
    auto* combo = WidgetOf<ComboWidget>(this);
    return combo ? ToUtf8(combo->itemText(nIndex)) : std::string();
}

void CComboBox::ResetContent() {
    if (auto* combo = WidgetOf<ComboWidget>(this)) combo->clear();
}

void CComboBox::SelectByUser(int nIndex) {
    auto* combo = WidgetOf<ComboWidget>(this);
    if (!combo || nIndex < 0 || nIndex >= combo->count()) return;
    combo->setCurrentIndex(nIndex);
    emit combo->activated(nIndex);
}

// ---- CSpinButtonCtrl ----

int CSpinButtonCtrl::SetPos(int nPos) {
    auto* spin = WidgetOf<UpDownWidget>(this);
    if (!spin) return 0;
    const int previous = spin->m_nPos;
    spin->m_nPos = nPos;
    return previous;
}

int CSpinButtonCtrl::GetPos() const {
    auto* spin = WidgetOf<UpDownWidget>(this);
    return spin ? spin->m_nPos : 0;
}

void CSpinButtonCtrl::SetRange(int nLower, int nUpper) {
    if (auto* spin = WidgetOf<UpDownWidget>(this)) {
        spin->m_nLower = nLower;
        spin->m_nUpper = nUpper;
    }
}

LRESULT CSpinButtonCtrl::Step(int nDelta) {
    auto* spin = WidgetOf<UpDownWidget>(this);
    return spin ? spin->Step(nDelta) : 1;
}

// ---- CProgressCtrl ----

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    if (auto* bar = WidgetOf<ProgressBarWidget>(this)) bar->setRange(nLower, nUpper);
}

int CProgressCtrl::SetPos(int nPos) {
    auto* bar = WidgetOf<ProgressBarWidget>(this);
    if (!bar) return 0;
    const int previous = bar->value();
    bar->setValue(nPos);
    return previous;
}

int CProgressCtrl::GetPos() const {
    auto* bar = WidgetOf<ProgressBarWidget>(this);
    return bar ? bar->value() : 0;
}
