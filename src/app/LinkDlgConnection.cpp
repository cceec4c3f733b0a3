// The connection manager of the main window: the three modes, the state
// machine and the controls that mirror it.

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "app/LinkDlg.h"
#include "framework/DataExchange.h"
#include "framework/Prompts.h"
#include "framework/Resources.h"
#include "framework/SocketApi.h"
#include "net/ConnectionTables.h"
#include "res/Resources.h"

namespace {

// Keep-alive: the first probe after 10 s of silence, then one a second.
constexpr unsigned kKeepAliveIdleMs = 10000;
constexpr unsigned kKeepAliveIntervalMs = 1000;
constexpr int kMulticastTtl = 8;
constexpr int kListenBacklog = 1;

// The refusal of an action that needs a remote address when the field is empty.
constexpr const char* kRemoteAddressMissing = "Please enter the remote host address.";

[[nodiscard]] bool IsMulticast(std::uint32_t networkAddress) {
    const std::uint32_t firstOctet = SwapToNetwork32(networkAddress) >> 24;
    return (firstOctet & 0xF0U) == 0xE0U;  // 224 to 239
}

}  // namespace

void CLinkDlg::OnButtonConnect() {
    const ConnectionMode mode = ModeOf(m_comboMode.GetCurSel());
    if (!TakeConnectionFields(mode)) return;

    if (mode == TcpServer) {
        if (m_nState == Idle) OpenListener();
    } else if (!OpenRemote(mode)) {
        return;
    }
    m_comboMode.EnableWindow(false);
    UpdateConnectionUi();
}

bool CLinkDlg::TakeConnectionFields(ConnectionMode mode) {
    // Only what the connection uses: a field it does not read (the data
    // length, or the other mode's port) must not stop it.
    CDataExchange dx(this, true);
    if (mode != TcpServer) {
        DDX_Text(&dx, IDC_REMOTE_PORT, m_nRemotePort);
        DDV_MinMaxUInt(&dx, m_nRemotePort, 1, 65535);
        DDX_Text(&dx, IDC_REMOTE_IP, m_strRemoteIP);
    }
    if (mode != TcpClient) {
        DDX_Text(&dx, IDC_LOCAL_PORT, m_nLocalPort);
        DDV_MinMaxUInt(&dx, m_nLocalPort, 1, 65535);
    }
    DDX_CBIndex(&dx, IDC_MODE, m_nMode);
    return !dx.Failed();
}

bool CLinkDlg::OpenRemote(ConnectionMode mode) {
    if (!HasRemoteAddress()) return false;
    if (const std::optional<std::uint32_t> address = ParseInetAddress(m_strRemoteIP)) {
        OpenRemoteAt(mode, *address);
        return true;
    }
    // A name: the lookup may take as long as the name service likes, so it
    // runs off this thread and the window stays live.
    Transition(ConnectionEvent::LookupStarted);
    m_hostLookup.Start(m_strRemoteIP, [this, mode](int nErrorCode, std::uint32_t nAddress) {
        OnRemoteResolved(mode, nErrorCode, nAddress);
    });
    return true;
}

void CLinkDlg::OnRemoteResolved(ConnectionMode mode, int nErrorCode, std::uint32_t nAddress) {
    // Only a lookup still wanted answers: CLOSE abandons it. From here on it
    // is CONNECT (or TELNET) with the address found.
    Transition(nErrorCode != 0 ? ConnectionEvent::LookupFailed : ConnectionEvent::LookupAnswered);
    if (nErrorCode != 0) {
        // A name that does not resolve is no address: nothing is opened.
        m_bTelnetActive = false;
        UpdateConnectionUi();
        ReportSocketError(nErrorCode);
        return;
    }
    OpenRemoteAt(mode, nAddress);
    UpdateConnectionUi();
}

void CLinkDlg::OpenRemoteAt(ConnectionMode mode, std::uint32_t nAddress) {
    if (mode == Udp) {
        OpenUdp(nAddress);
    } else {
        // No keep-alive for a Telnet session, whatever the Keep Alive box shows.
        StartConnect(nAddress, !m_bTelnetActive && m_checkKeepAlive.GetCheck() != 0);
    }
}

void CLinkDlg::OpenUdp(std::uint32_t nAddress) {
    if (IsMulticast(nAddress)) {
        OpenMulticast(nAddress);
    } else if (!m_dataSocket.Create(m_nLocalPort, SocketType::Datagram)) {
        ReportSocketError(WSAGetLastError());
    } else if (!SetBroadcast(m_dataSocket.m_hSocket, true)) {
        const int error = WSAGetLastError();
        CloseDataSocket();
        ReportSocketError(error);
    } else {
        Transition(ConnectionEvent::UdpOpened);
    }
}

void CLinkDlg::OpenListener() {
    if (!m_listenSocket.Create(m_nLocalPort, SocketType::Stream)) {
        ReportSocketError(WSAGetLastError());
        return;
    }
    if (m_checkKeepAlive.GetCheck()) ApplyKeepAlive(m_listenSocket);
    if (!m_listenSocket.Listen(kListenBacklog)) {
        const int error = WSAGetLastError();
        m_listenSocket.Close();
        Transition(ConnectionEvent::ListenFailed);
        ReportSocketError(error);
    } else {
        Transition(ConnectionEvent::ListenStarted);
    }
}

void CLinkDlg::StartConnect(std::uint32_t nAddress, bool bKeepAlive) {
    const SocketAddress peer =
        SocketAddress::FromNetwork(nAddress, static_cast<std::uint16_t>(m_nRemotePort));
    if (!m_dataSocket.Create(0, SocketType::Stream)) {
        m_bTelnetActive = false;
        ReportSocketError(WSAGetLastError());
        return;
    }
    if (bKeepAlive) ApplyKeepAlive(m_dataSocket);
    if (!m_dataSocket.Connect(peer)) {
        // "In progress" is the normal answer; the outcome arrives as
        // OnSocketConnect. Anything else failed at once and raises nothing,
        // so the attempt ends here instead of waiting in Connecting forever.
        const int error = WSAGetLastError();
        if (!IsWouldBlockError(error)) {
            FailConnect(error);
            return;
        }
    }
    Transition(ConnectionEvent::ConnectStarted);
}

void CLinkDlg::FailConnect(int nError) {
    CloseDataSocket();
    m_bTelnetActive = false;
    Transition(ConnectionEvent::ConnectFailed);
    ReportSocketError(nError);
}

void CLinkDlg::OnButtonClose() {
    const std::int64_t unsent = CloseDataSocket();
    m_listenSocket.Close();
    m_bTelnetActive = false;
    Transition(ConnectionEvent::ClosePressed);
    UpdateConnectionUi();
    ReportSocketError(0, unsent);
}

void CLinkDlg::OnSelchangeMode() {
    const int mode = m_comboMode.GetCurSel();
    const std::optional<ModeControls> row = ModeControlsFor(mode);
    if (!row) return;
    // The combo and the stored index stay in step, so that a later write of
    // the stored values keeps the user's choice.
    m_nMode = mode;
    m_buttonConnect.SetWindowText(LoadString(row->connectCaption));
    m_buttonTelnet.EnableWindow(row->telnet);
    m_editRemoteIP.EnableWindow(row->remoteAddress);
    GetDlgItem(IDC_REMOTE_PORT)->EnableWindow(row->remotePort);
    GetDlgItem(IDC_LOCAL_PORT)->EnableWindow(row->localPort);
    if (!row->keepAlive) m_checkKeepAlive.SetCheck(0);
    m_checkKeepAlive.EnableWindow(row->keepAlive);
}

void CLinkDlg::OnSocketConnect(CLinkSocket*, int nErrorCode) {
    const ConnectionMode mode = ModeOf(m_comboMode.GetCurSel());
    if (nErrorCode != 0) {
        FailConnect(nErrorCode);
        UpdateConnectionUi();
        return;
    }
    Transition(ConnectionEvent::ConnectSucceeded);
    if (mode == Udp) return;

    UpdateConnectionUi();
    if (!m_bTelnetActive) return;

    // The Telnet window owns the connection while it runs: receive and
    // close notifications go to its terminal from its modal loop.
    m_telnetDlg.SetConnection(&m_dataSocket, static_cast<int>(m_nRemotePort));
    m_telnetDlg.DoModal();
    CloseDataSocket();
    m_bTelnetActive = false;
    Transition(ConnectionEvent::TelnetEnded);
    UpdateConnectionUi();
}

void CLinkDlg::OnSocketAccept(CLinkSocket* pSocket, int nErrorCode) {
    if (nErrorCode != 0) {
        // Nothing may go on listening in Idle.
        const std::int64_t unsent = CloseDataSocket();
        m_listenSocket.Close();
        Transition(ConnectionEvent::AcceptFailed);
        ReportSocketError(nErrorCode, unsent);
        UpdateConnectionUi();
        return;
    }
    if (m_nState == PeerAccepted) {
        // One peer at a time: a further one is taken and let go at once.
        CLinkSocket extra;
        if (pSocket->Accept(extra)) extra.Close();
    } else if (pSocket->Accept(m_dataSocket)) {
        Transition(ConnectionEvent::PeerTaken);
    } else {
        ReportSocketError(WSAGetLastError());
    }
    UpdateConnectionUi();
}

void CLinkDlg::OnSocketClose(CLinkSocket* pSocket, int nErrorCode) {
    if (m_bTelnetActive) {
        m_telnetDlg.m_terminal.ShowConnectionClosed(pSocket, nErrorCode);
        return;
    }
    // Only the data endpoint is ever told of a close (a listener has no
    // peer). It is closed here rather than only after this handler returns:
    // the report below runs a modal loop, and a peer accepted from it must
    // find the data endpoint free.
    const std::int64_t unsent = EndDataConnection(ConnectionEvent::PeerGone);
    // The peer's close says nothing by itself (a reset included), but bytes
    // that it left unsent are worth a word.
    if (unsent > 0) ReportSocketError(nErrorCode, unsent);
}

std::int64_t CLinkDlg::EndDataConnection(ConnectionEvent event) {
    const std::int64_t unsent = CloseDataSocket();
    Transition(event);
    UpdateConnectionUi();
    return unsent;
}

void CLinkDlg::UpdateConnectionUi() {
    // The controls follow the state and the mode alone: no field is read,
    // so that no notification can stop at a field it does not use.
    const std::optional<ConnectionStatus> status = StatusFor(m_nState);
    if (!status) return;

    const ConnectionControls controls = ControlsFor(m_nState, ModeOf(m_comboMode.GetCurSel()));
    const std::pair<int, std::optional<bool>> cells[] = {
        {IDC_BUTTON_CONNECT, controls.connect},
        {IDC_BUTTON_CLOSE, controls.close},
        {IDC_BUTTON_SEND, controls.send},
        {IDC_BUTTON_TELNET, controls.telnet},
        {IDC_REMOTE_IP, controls.remoteAddress},
        {IDC_REMOTE_PORT, controls.remotePort},
        {IDC_LOCAL_PORT, controls.localPort},
        {IDC_KEEP_ALIVE, controls.keepAlive},
        {IDC_MODE, controls.mode},
    };
    for (const auto& [id, enable] : cells) {
        if (enable) GetDlgItem(id)->EnableWindow(*enable);
    }
    m_buttonClose.SetWindowText(LoadString(CloseCaption()));

    std::string text = LoadString(status->text);
    if (status->showsPeer) {
        std::string address;
        UINT port = 0;
        if (!m_dataSocket.GetPeerName(address, port)) address.clear();
        char peer[64];
        std::snprintf(peer, sizeof peer, "%s : %d", address.c_str(), static_cast<int>(port));
        text += " [";
        text += peer;
        text += "]";
    }
    SetStatusText(text);
}

void CLinkDlg::Transition(ConnectionEvent event) {
    m_nState = NextConnectionState(m_nState, ModeOf(m_comboMode.GetCurSel()), event);
}

void CLinkDlg::ReportSocketError(int nError, std::int64_t nUnsent) {
    std::string text = nError != 0 ? FormatSocketError(nError) : std::string();
    if (nUnsent > 0) {
        if (!text.empty()) text += "\n\n";
        text += FormatText(LoadString(IDS_BYTES_NOT_SENT), {std::to_string(nUnsent)});
    }
    if (text.empty()) return;
    MessageBox(text, m_strTitle, MB_OK | (nError != 0 ? MB_ICONSTOP : MB_ICONEXCLAMATION));
}

bool CLinkDlg::HasRemoteAddress() {
    if (!m_strRemoteIP.empty()) return true;
    // Refused like a failed field check: the message, then the field with
    // the focus and its (empty) text selected.
    AfxMessageBox(kRemoteAddressMissing, MB_OK | MB_ICONEXCLAMATION);
    m_editRemoteIP.SetFocus();
    m_editRemoteIP.SetSel(0, -1);
    return false;
}

void CLinkDlg::ApplyKeepAlive(CLinkSocket& socket) {
    // Best effort, like the rest of the keep-alive set-up: a socket that
    // refuses it still works.
    SetKeepAlive(socket.m_hSocket, true, kKeepAliveIdleMs, kKeepAliveIntervalMs);
}

void CLinkDlg::OpenMulticast(std::uint32_t nGroup) {
    // Bound to the local port before the join, shared with other members
    // of the group, so that datagrams sent to the group at that port arrive.
    const auto localPort = static_cast<std::uint16_t>(m_nLocalPort);
    const SOCKET socket = CreateMulticastSocket(localPort);
    if (socket == INVALID_SOCKET) {
        ReportSocketError(WSAGetLastError());
        return;
    }
    if (!m_dataSocket.Attach(socket)) {
        const int error = WSAGetLastError();
        CloseRawSocket(socket);
        ReportSocketError(error);
        return;
    }
    if (!SetMulticastTtl(socket, kMulticastTtl) || !SetMulticastLoop(socket, false) ||
        !JoinMulticastGroup(socket, nGroup)) {
        const int error = WSAGetLastError();
        CloseDataSocket();
        ReportSocketError(error);
        return;
    }
    Transition(ConnectionEvent::UdpOpened);
}

std::int64_t CLinkDlg::CloseDataSocket() {
    m_hostLookup.Cancel();
    m_dataSocket.Close();
    // Bytes owed to a connection that is gone go with it; the caller tells
    // the user how many.
    const std::int64_t unsent = BytesNotYetSent();
    m_sendQueue.Clear();
    m_waitingDatagrams.clear();
    return unsent;
}

std::int64_t CLinkDlg::BytesNotYetSent() const {
    std::int64_t bytes = m_sendQueue.BytesQueued();
    for (const ByteSnapshot& datagram : m_waitingDatagrams) bytes += datagram.Size();
    return bytes;
}
