#include "app/AboutDlg.h"

#include "framework/DataExchange.h"
#include "framework/Resources.h"
#include "res/Resources.h"
#include "res/WindowFonts.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {
    m_pFontKorean = CreateKoreanFont();
    m_pFontDefault = CreateDefaultFont();
}

CAboutDlg::~CAboutDlg() {
    DestroyWindow();
    m_pFontKorean.reset();
    m_pFontDefault.reset();
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_VERSION, m_strVersion);
}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strVersion = LoadString(IDS_VERSION);
    GetDlgItem(IDOK)->SetWindowText(LoadString(IDS_OK));
    ApplyWindowFont(*this, m_pFontKorean.get(), m_pFontDefault.get());
    UpdateData(false);
    return true;
}
