#include "telnet/TelnetDlg.h"

#include "res/resource.h"

CTelnetDlg::CTelnetDlg(CWnd* pParent) : CDialog(IDD_TELNET, pParent) {}

CTelnetDlg::~CTelnetDlg() = default;

void CTelnetDlg::SetConnection(CLinkSocket* pSocket, int nPort) {
    m_terminal.m_pSocket = pSocket;
    m_terminal.m_nRemotePort = nPort;
    m_terminal.StartProtocol();
}
