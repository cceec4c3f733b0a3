#pragma once
// CAboutDlg: the About box, opened from the main window's system menu. It
// closes with Enter, Escape, OK and its close box.

#include <memory>
#include <string>

#include "framework/Dialog.h"
#include "framework/Font.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

    std::string m_strVersion;
    std::unique_ptr<CFont> m_pFontKorean;
    std::unique_ptr<CFont> m_pFontDefault;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
};
