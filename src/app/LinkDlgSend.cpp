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
    if (mode == Udp) {
        SendDatagram(std::move(*payload));
    } else if (!SendPayload(std::move(*payload))) {
        // Only a press with nothing before it makes a call that can fail,
        // so the queue holds this press alone: the error says it was not
        // sent, there is nothing earlier to count.
        const int error = WSAGetLastError();
        m_sendQueue.Clear();
        FailSend(error);
    }
}

void CLinkDlg::SendDatagram(ByteSnapshot payload) {
    if (!HasRemoteAddress()) return;
    if (const std::optional<std::uint32_t> address = ParseInetAddress(m_strRemoteIP)) {
        if (!SendDatagramTo(payload, *address)) FailSend(WSAGetLastError());
        return;
    }
    // A name is looked up anew for the press, off this thread. Presses made
    // while its lookup runs wait with it (the name cannot change while the
    // endpoint is open) and go out in press order with its answer.
    m_waitingDatagrams.push_back(std::move(payload));
    if (!m_hostLookup.IsPending()) {
        m_hostLookup.Start(m_strRemoteIP, [this](int nErrorCode, std::uint32_t nAddress) {
            OnDatagramAddressResolved(nErrorCode, nAddress);
        });
    }
}

void CLinkDlg::OnDatagramAddressResolved(int nErrorCode, std::uint32_t nAddress) {
    std::deque<ByteSnapshot> presses = std::move(m_waitingDatagrams);
    m_waitingDatagrams.clear();
    if (nErrorCode != 0) {
        // No address, no datagram: the presses are refused, the endpoint stays.
        ReportSocketError(nErrorCode);
        return;
    }
    while (!presses.empty()) {
        const bool sent = SendDatagramTo(presses.front(), nAddress);
        presses.pop_front();
        if (!sent) {
            const int error = WSAGetLastError();
            // The presses behind the failed one count as not sent.
            m_waitingDatagrams = std::move(presses);
            FailSend(error);
            return;
        }
    }
}

bool CLinkDlg::SendDatagramTo(const ByteSnapshot& payload, std::uint32_t nAddress) {
    const SocketAddress to =
        SocketAddress::FromNetwork(nAddress, static_cast<std::uint16_t>(m_nRemotePort));
    // One datagram of the whole buffer. Slices that cannot hold it all
    // hold more than any datagram can, and the system refuses them as
    // too long, as it would the whole.
    SendSlice slices[kMaxSendSlices];
    const int count = GatherSlices(payload, 0, slices, kMaxSendSlices);
    return m_dataSocket.SendSlices(slices, count, &to) != SOCKET_ERROR;
}

void CLinkDlg::FailSend(int nError) {
    // The connection ends; the controls show at once what is left open.
    const std::int64_t unsent = EndDataConnection(ConnectionEvent::SendFailed);
    ReportSocketError(nError, unsent);
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
    // The same end as a failed SEND: reported, the connection closed.
    if (!SendQueued()) FailSend(WSAGetLastError());
}
