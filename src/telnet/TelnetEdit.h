#pragma once
// CTelnetEdit: the Telnet terminal's screen and protocol engine, on the
// framework's multi-line edit control.

#include "framework/Controls.h"

class CLinkSocket;

class CTelnetEdit : public CEdit {
public:
    CTelnetEdit();
    ~CTelnetEdit() override;

    void StartProtocol();
    void ProcessReceive(CLinkSocket* pSocket, int nErrorCode);
    void ShowConnectionClosed(CLinkSocket* pSocket, int nErrorCode);

    CLinkSocket* m_pSocket = nullptr;
    int m_nRemotePort = 0;
    int m_nRxMode = 0;
    int m_nTxMode = 0;
    bool m_bLineMode = false;
    int m_nLineLength = 0;
};
