#pragma once
// CTelnetDlg: the modal Telnet window around the terminal.

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "telnet/TelnetEdit.h"

class CLinkSocket;

class CTelnetDlg : public CDialog {
public:
    explicit CTelnetDlg(CWnd* pParent = nullptr);
    ~CTelnetDlg() override;

    void SetConnection(CLinkSocket* pSocket, int nPort);

    CTelnetEdit m_terminal;
};
