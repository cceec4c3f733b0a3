#pragma once
// CTelnetDlg: the modal Telnet window. It hosts the terminal (CTelnetEdit)
// with the line-end conversions of sent and received text and the line-mode
// switch; closing it ends the session (the main window then closes the
// connection). Enter and Escape never close it.

#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Font.h"
#include "telnet/TelnetEdit.h"

class CTelnetDlg : public CDialog {
public:
    explicit CTelnetDlg(CWnd* pParent = nullptr);
    ~CTelnetDlg() override;

    // Hands the connection to the terminal and starts the protocol; called
    // once per connection, before the window runs.
    void SetConnection(CAsyncSocket* pSocket, int nPort);

    CButton m_checkLinemode;
    CTelnetEdit m_terminal;
    CComboBox m_comboTx;
    CComboBox m_comboRx;

    HICON m_hIcon = nullptr;
    std::string m_strTitle;
    std::unique_ptr<CFont> m_pFontKorean;
    std::unique_ptr<CFont> m_pFontDefault;

protected:
    [[nodiscard]] const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnSelchangeRx();
    void OnSelchangeTx();
    void OnLinemode();
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnButtonClose();
};
