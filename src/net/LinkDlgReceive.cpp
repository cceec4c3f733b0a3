// The receive path: every read of the data endpoint goes to the receive
// pane and its count, unless the Telnet window owns the connection.

#include <charconv>
#include <string>

#include "app/LinkDlg.h"
#include "framework/Prompts.h"
#include "framework/Resources.h"
#include "framework/SocketApi.h"
#include "res/Resources.h"

namespace {

// One read per notification takes at most this much; a longer TCP burst
// comes in several notifications, a longer datagram fails with EMSGSIZE.
constexpr int kReceiveBlock = 1024;

}  // namespace

void CLinkDlg::OnSocketReceive(CLinkSocket* pSocket, int nErrorCode) {
    if (m_bTelnetActive) {
        m_telnetDlg.m_terminal.ProcessReceive(pSocket, nErrorCode);
        return;
    }
    const int mode = m_comboMode.GetCurSel();
    // The notification's own error is not examined: the read's result decides.
    BYTE block[kReceiveBlock];
    SocketAddress sender;
    const int received = mode == Udp ? pSocket->ReceiveFrom(block, kReceiveBlock, &sender)
                                     : pSocket->Receive(block, kReceiveBlock);
    if (received == SOCKET_ERROR) {
        ReportSocketError(WSAGetLastError());
        return;
    }
    if (!m_recvView.AppendData(received, block)) {
        StopReceivingForMemory();
        return;
    }
    ShowReceiveCount(m_recvView.m_nLength);
}

void CLinkDlg::StopReceivingForMemory() {
    // Everything closes before the message: its modal loop would otherwise
    // deliver more reads that fail the same way, and the user is told once.
    // What was captured before stays in the pane, whole and savable.
    CloseDataSocket();
    m_listenSocket.Close();
    m_nState = Idle;
    UpdateConnectionUi();
    AfxMessageBox(AfxFormatText(LoadString(IDS_RECEIVE_NO_MEMORY),
                                {std::to_string(m_recvView.m_nLength)}),
                  MB_OK | MB_ICONEXCLAMATION);
}

void CLinkDlg::ShowReceiveCount(std::int64_t nCount) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, nCount);
    m_strRecvCount.assign(digits, end);
    UpdateData(false);
}
