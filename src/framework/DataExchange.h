#pragma once
// The exchange between a dialog's controls and its values. With
// m_bSaveAndValidate the controls are read and checked; otherwise the
// values are written back. The first failing check shows its message, puts
// the focus on the field (selecting an edit's whole text) and fails the run:
// later steps of the same run do nothing.

#include <string>

#include "framework/WinDef.h"

class CWnd;
class CDialog;

// The framework's own messages for failed numeric fields.
inline constexpr const char* AFX_IDP_PARSE_UINT = "Please enter a positive integer.";
inline constexpr const char* AFX_IDP_PARSE_INT_RANGE = "Please enter an integer between %1 and %2.";

class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate);

    bool m_bSaveAndValidate;
    CDialog* m_pDlgWnd;

    // Marks the field that the next check refers to.
    CWnd* PrepareCtrl(int nIDC);
    CWnd* PrepareEditCtrl(int nIDC);
    // Focuses the last prepared field and fails the run.
    void Fail();
    [[nodiscard]] bool Failed() const { return m_bFailed; }

private:
    int m_idLastControl = 0;
    bool m_bEditLastControl = false;
    bool m_bFailed = false;
};

// Binds a control object to the dialog's control (once; later runs skip).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// An unsigned decimal field; blanks and tabs around the number are allowed.
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// The selected index of a combo box (-1: none).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);

// The parse rule of DDX_Text for unsigned fields: true and the value, or
// false when the text is not an unsigned decimal number.
[[nodiscard]] bool ParseUnsignedField(const std::string& text, unsigned long long& value);
