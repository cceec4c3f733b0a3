// The receive path: every read of the data endpoint goes to the receive
// pane and its count, unless the Telnet window owns the connection.

#include <charconv>

#include "app/LinkDlg.h"
#include "framework/SocketApi.h"

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
    m_recvView.AppendData(received, block);
    ShowReceiveCount(m_recvView.m_nLength);
}

void CLinkDlg::ShowReceiveCount(std::int64_t nCount) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, nCount);
    m_strRecvCount.assign(digits, end);
    UpdateData(false);
}
