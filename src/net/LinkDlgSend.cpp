// The send path: SEND transmits the send pane's whole buffer once, as one
// TCP send or one datagram.

#include <algorithm>
#include <climits>

#include "app/LinkDlg.h"
#include "framework/SocketApi.h"

void CLinkDlg::OnButtonSend() {
    const int mode = m_comboMode.GetCurSel();
    // The stored remote address and port are those taken at CONNECT: their
    // fields are disabled while the endpoint is open.
    const std::vector<BYTE> payload = m_sendView.m_data.ToVector();
    bool sent = false;
    if (mode == Udp) {
        // Built anew on every press, so a host name is looked up again.
        const std::optional<std::uint32_t> address = GetRemoteAddress();
        if (!address) return;
        const SocketAddress to =
            SocketAddress::FromNetwork(*address, static_cast<std::uint16_t>(m_nRemotePort));
        // A block too long for one call's length is too long for a datagram.
        const int length = static_cast<int>(std::min<std::size_t>(payload.size(), INT_MAX));
        sent = m_dataSocket.SendTo(payload.data(), length, to) != SOCKET_ERROR;
    } else {
        sent = SendPayload(payload);
    }
    if (!sent) {
        // The controls keep showing the open connection until the next
        // refresh; CLOSE then shows Idle.
        const int error = WSAGetLastError();
        CloseDataSocket();
        m_nState = Idle;
        ReportSocketError(error);
    }
}

bool CLinkDlg::SendPayload(const std::vector<BYTE>& payload) {
    if (m_nPendingOffset < m_pendingSend.size()) {
        // Bytes of an earlier press still wait for room: these go after
        // them, so the peer sees every press whole and in order.
        m_pendingSend.erase(m_pendingSend.begin(),
                            m_pendingSend.begin() + static_cast<std::ptrdiff_t>(m_nPendingOffset));
        m_nPendingOffset = 0;
        m_pendingSend.insert(m_pendingSend.end(), payload.begin(), payload.end());
        return true;
    }
    const int length = static_cast<int>(std::min<std::size_t>(payload.size(), INT_MAX));
    int taken = m_dataSocket.Send(payload.data(), length);
    if (taken == SOCKET_ERROR) {
        // A full send buffer is no failure: the bytes wait for room.
        if (!IsWouldBlockError(WSAGetLastError())) return false;
        taken = 0;
    }
    if (static_cast<std::size_t>(taken) < payload.size()) {
        m_pendingSend.assign(payload.begin() + taken, payload.end());
        m_nPendingOffset = 0;
        m_dataSocket.RequestWriteNotification();
    }
    return true;
}

void CLinkDlg::OnSocketSend(CLinkSocket* pSocket, int) {
    if (pSocket != &m_dataSocket || m_nPendingOffset >= m_pendingSend.size()) return;
    const std::size_t remaining = m_pendingSend.size() - m_nPendingOffset;
    const int length = static_cast<int>(std::min<std::size_t>(remaining, INT_MAX));
    const int taken = m_dataSocket.Send(m_pendingSend.data() + m_nPendingOffset, length);
    if (taken == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (IsWouldBlockError(error)) {
            m_dataSocket.RequestWriteNotification();
            return;
        }
        // The same end as a failed SEND: reported, the connection closed.
        CloseDataSocket();
        m_nState = Idle;
        ReportSocketError(error);
        return;
    }
    m_nPendingOffset += static_cast<std::size_t>(taken);
    if (m_nPendingOffset < m_pendingSend.size()) {
        m_dataSocket.RequestWriteNotification();
    } else {
        m_pendingSend.clear();
        m_nPendingOffset = 0;
    }
}
