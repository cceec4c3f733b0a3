// The connection manager of the main window: the three modes, the state
// machine and the controls that mirror it.

#include "app/LinkDlg.h"
#include "framework/Resources.h"
#include "res/Resources.h"

void CLinkDlg::OnButtonConnect() {}

void CLinkDlg::OnButtonClose() {}

void CLinkDlg::OnSelchangeMode() {
    struct ModeRow {
        UINT connectCaption;
        bool telnet;
        bool remoteAddress;
        bool remotePort;
        bool localPort;
        bool keepAlive;
    };
    static constexpr ModeRow kModes[] = {
        {IDS_CONNECT, true, true, true, false, true},   // TcpClient
        {IDS_LISTEN, false, false, false, true, true},  // TcpServer
        {IDS_CONNECT, false, true, true, true, false},  // Udp
    };
    const int mode = m_comboMode.GetCurSel();
    if (mode < TcpClient || mode > Udp) return;
    // The combo and the stored index stay in step, so that a later write of
    // the stored values keeps the user's choice.
    m_nMode = mode;
    const ModeRow& row = kModes[mode];
    m_buttonConnect.SetWindowText(LoadString(row.connectCaption));
    m_buttonTelnet.EnableWindow(row.telnet);
    m_editRemoteIP.EnableWindow(row.remoteAddress);
    GetDlgItem(IDC_REMOTE_PORT)->EnableWindow(row.remotePort);
    GetDlgItem(IDC_LOCAL_PORT)->EnableWindow(row.localPort);
    if (!row.keepAlive) m_checkKeepAlive.SetCheck(0);
    m_checkKeepAlive.EnableWindow(row.keepAlive);
}

void CLinkDlg::OnSocketConnect(CLinkSocket*, int) {}

void CLinkDlg::OnSocketAccept(CLinkSocket*, int) {}

void CLinkDlg::OnSocketClose(CLinkSocket*, int) {}

void CLinkDlg::UpdateConnectionUi() {}

void CLinkDlg::ReportSocketError(int) {}
