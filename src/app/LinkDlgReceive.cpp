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
        QueueReceiveError(WSAGetLastError());
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
    const std::int64_t unsent = CloseDataSocket();
    m_listenSocket.Close();
    Transition(ConnectionEvent::ReceiveOutOfMemory);
    UpdateConnectionUi();
    std::string text =
        FormatText(LoadString(IDS_RECEIVE_NO_MEMORY), {std::to_string(m_recvView.m_nLength)});
    if (unsent > 0) {
        text += "\n\n" + FormatText(LoadString(IDS_BYTES_NOT_SENT), {std::to_string(unsent)});
    }
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

void CLinkDlg::QueueReceiveError(int nError) {
    // Not shown from here: a message box opened inside this handler would
    // hold the endpoint's reads until it is dismissed, and the system would
    // drop whatever arrived meanwhile.
    if (m_receiveErrors.Add(nError)) m_postedCalls.Post([this] { ShowReceiveErrors(); });
}

void CLinkDlg::ShowReceiveErrors() {
    // One box at a time; reading goes on while each is open, and the errors
    // that come meanwhile are summed into the next.
    while (const std::optional<CReceiveErrorReports::Report> report = m_receiveErrors.Next()) {
        std::string text = FormatSocketError(report->error);
        if (report->count > 1) {
            const UINT detail =
                IsMessageTooLongError(report->error) ? IDS_DATAGRAMS_TOO_LONG : IDS_ERROR_REPEATED;
            text += "\n\n" + FormatText(LoadString(detail), {std::to_string(report->count)});
        }
        MessageBox(text, m_strTitle, MB_OK | MB_ICONSTOP);
    }
}

void CLinkDlg::ShowReceiveCount(std::int64_t nCount) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, nCount);
    m_strRecvCount.assign(digits, end);
    UpdateData(false);
}
