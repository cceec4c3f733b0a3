#include "framework/DataExchange.h"

#include <charconv>
#include <climits>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Prompts.h"

CDataExchange::CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

CWnd* CDataExchange::PrepareCtrl(int nIDC) {
    m_idLastControl = nIDC;
    m_bEditLastControl = false;
    return m_pDlgWnd->GetDlgItem(nIDC);
}

CWnd* CDataExchange::PrepareEditCtrl(int nIDC) {
    CWnd* control = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return control;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    if (!m_bSaveAndValidate) return;
    CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl);
    if (!control) return;
    control->SetFocus();
    if (m_bEditLastControl) {
        if (auto* edit = dynamic_cast<CEdit*>(control)) edit->SetSel(0, -1);
    }
}

bool ParseUnsignedField(const std::string& text, unsigned long long& value) {
    // Blanks and tabs may stand around the digits; nothing else may.
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return false;
    std::size_t end = text.find_last_not_of(" \t") + 1;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    if (*first == '+') ++first;
    if (first == last || *first < '0' || *first > '9') return false;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // A number too large to hold is still a number: the range check refuses it.
        while (ptr != last && *ptr >= '0' && *ptr <= '9') ++ptr;
        value = ULLONG_MAX;
    }
    return ptr == last;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX->Failed() || rControl.m_hWnd) return;
    CWnd* item = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (item) rControl.SubclassWindow(item->m_hWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    if (pDX->Failed()) return;
    CWnd* control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (!pDX->m_bSaveAndValidate) {
        char digits[16];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
        control->SetWindowText(std::string_view(digits, static_cast<std::size_t>(end - digits)));
        return;
    }
    unsigned long long parsed = 0;
    if (!ParseUnsignedField(control->GetWindowText(), parsed)) {
        AfxMessageBox(AFX_IDP_PARSE_UINT, MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    value = parsed > UINT_MAX ? UINT_MAX : static_cast<UINT>(parsed);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    if (pDX->Failed()) return;
    CWnd* control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (pDX->m_bSaveAndValidate) {
        value = control->GetWindowText();
    } else {
        control->SetWindowText(value);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
    if (pDX->Failed()) return;
    auto* combo = dynamic_cast<CComboBox*>(pDX->PrepareCtrl(nIDC));
    if (!combo) return;
    if (pDX->m_bSaveAndValidate) {
        index = combo->GetCurSel();
    } else if (combo->GetCurSel() != index) {
        combo->SetCurSel(index);
    }
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (value >= minVal && value <= maxVal) return;
    std::string text = AFX_IDP_PARSE_INT_RANGE;
    text.replace(text.find("%1"), 2, std::to_string(minVal));
    text.replace(text.find("%2"), 2, std::to_string(maxVal));
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}
