// The send path: SEND transmits the send pane's whole buffer once, as one
// TCP send or one datagram. The bytes go from the pane's own storage: a
// press takes a snapshot of the pane, not a copy.

#include <optional>

#include "app/LinkDlg.h"
#include "framework/Prompts.h"
#include "framework/SocketApi.h"
#include "res/Resources.h"

void CLinkDlg::OnButtonSend() {
    const int mode = m_comboMode.GetCurSel();
    // The stored remote address and port are those taken at CONNECT: their
    // fields are disabled while the endpoint is open.
    std::optional<ByteSnapshot> payload = m_sendView.m_data.Snapshot();
    if (!payload) {
        AfxMessageBox(LoadString(IDS_SEND_NO_MEMORY), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    bool sent = false;
    if (mode == Udp) {
        // Built anew on every press, so a host name is looked up again.
        const std::optional<std::uint32_t> address = GetRemoteAddress();
        if (!address) return;
        const SocketAddress to =
            SocketAddress::FromNetwork(*address, static_cast<std::uint16_t>(m_nRemotePort));
        // One datagram of the whole buffer. Slices that cannot hold it all
        // hold more than any datagram can, and the system refuses them as
        // too long, as it would the whole.
        SendSlice slices[kMaxSendSlices];
        const int count = GatherSlices(*payload, 0, slices, kMaxSendSlices);
        sent = m_dataSocket.SendSlices(slices, count, &to) != SOCKET_ERROR;
    } else {
        sent = SendPayload(std::move(*payload));
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

bool CLinkDlg::SendPayload(ByteSnapshot payload) {
    // Bytes of an earlier press still waiting for room go first, so the
    // peer sees every press whole and in order; this press's bytes then
    // follow from OnSocketSend.
    const bool waiting = !m_sendQueue.Empty();
    if (!m_sendQueue.Push(std::move(payload))) {
        AfxMessageBox(LoadString(IDS_SEND_NO_MEMORY), MB_OK | MB_ICONEXCLAMATION);
        return true;
    }
    return waiting || SendQueued();
}

bool CLinkDlg::SendQueued() {
    SendSlice slices[kMaxSendSlices];
    const int count = m_sendQueue.Front(slices);
    int taken = m_dataSocket.SendSlices(slices, count);
    if (taken == SOCKET_ERROR) {
        // A full send buffer is no failure: the bytes wait for room.
        if (!IsWouldBlockError(WSAGetLastError())) return false;
        taken = 0;
    }
    m_sendQueue.Consume(taken);
    if (!m_sendQueue.Empty()) m_dataSocket.RequestWriteNotification();
    return true;
}

void CLinkDlg::OnSocketSend(CLinkSocket* pSocket, int) {
    if (pSocket != &m_dataSocket || m_sendQueue.Empty()) return;
    if (!SendQueued()) {
        // The same end as a failed SEND: reported, the connection closed.
        const int error = WSAGetLastError();
        CloseDataSocket();
        m_nState = Idle;
        ReportSocketError(error);
    }
}
