#include "net/ConnectionTables.h"

#include <iterator>

#include "res/resource.h"

namespace {

// What a state does to one control. Some cells depend on the mode: the
// controls a mode never uses keep whatever the mode change gave them.
enum class Cell : unsigned char {
    Keep,
    On,
    Off,
    OnUnlessServer,      // on; untouched in TcpServer
    OffUnlessServer,     // off; untouched in TcpServer
    OnInClient,          // on in TcpClient; untouched otherwise
    OnInServerOrUdp,     // on in TcpServer and Udp; untouched in TcpClient
    OnInClientOrServer,  // on in TcpClient and TcpServer; untouched in Udp
};

[[nodiscard]] std::optional<bool> Resolve(Cell cell, ConnectionMode mode) {
    switch (cell) {
    case Cell::Keep:
        return std::nullopt;
    case Cell::On:
        return true;
    case Cell::Off:
        return false;
    case Cell::OnUnlessServer:
        return mode == TcpServer ? std::nullopt : std::optional(true);
    case Cell::OffUnlessServer:
        return mode == TcpServer ? std::nullopt : std::optional(false);
    case Cell::OnInClient:
        return mode == TcpClient ? std::optional(true) : std::nullopt;
    case Cell::OnInServerOrUdp:
        return mode == TcpClient ? std::nullopt : std::optional(true);
    case Cell::OnInClientOrServer:
        return mode == Udp ? std::nullopt : std::optional(true);
    }
    return std::nullopt;
}

// The controls' cells in the order of ConnectionControls.
struct StateRow {
    int state;
    Cell connect, close, send, telnet, remoteAddress, remotePort, localPort, keepAlive, mode;
    ConnectionStatus status;
};

using enum Cell;
// clang-format off
constexpr StateRow kStateRows[] = {
    // CONNECT CLOSE SEND TELNET remote address remote port local port keep alive mode
    {Idle, On, Off, Off, OnInClient, OnUnlessServer, OnUnlessServer, OnInServerOrUdp,
     OnInClientOrServer, On, {IDS_READY, false}},
    {Connecting, Off, On, Off, Off, OffUnlessServer, Off, Keep, Off, Keep, {IDS_CONNECTING, false}},
    {Listening, Off, On, Off, Off, OffUnlessServer, Keep, Off, Off, Keep, {IDS_LISTENING, false}},
    {Connected, Off, On, On, Off, OffUnlessServer, Off, Keep, Keep, Keep, {IDS_CONNECTED, true}},
    {PeerAccepted, Off, On, On, Off, OffUnlessServer, Off, Keep, Keep, Keep, {IDS_CONNECTED, true}},
    {UdpOpen, Off, On, On, Keep, Off, Off, Off, Keep, Keep, {IDS_READY, false}},
    {PeerClosed, Off, On, Off, Off, OffUnlessServer, Off, Keep, Keep, Keep, {IDS_LISTENING, false}},
};
// clang-format on

[[nodiscard]] const StateRow* FindStateRow(int state) {
    for (const StateRow& row : kStateRows) {
        if (row.state == state) return &row;
    }
    return nullptr;
}

// clang-format off
constexpr ModeControls kModeRows[] = {
    {IDS_CONNECT, true, true, true, false, true},   // TcpClient
    {IDS_LISTEN, false, false, false, true, true},  // TcpServer
    {IDS_CONNECT, false, true, true, true, false},  // Udp
};
// clang-format on

}  // namespace

ConnectionMode ModeOf(int index) {
    return index == TcpServer || index == Udp ? static_cast<ConnectionMode>(index) : TcpClient;
}

std::optional<ModeControls> ModeControlsFor(int index) {
    if (index < TcpClient || index >= static_cast<int>(std::size(kModeRows))) return std::nullopt;
    return kModeRows[index];
}

unsigned CloseCaption() {
    return IDS_DISCONNECT;
}

bool IsConnectionState(int state) {
    return FindStateRow(state) != nullptr;
}

ConnectionControls ControlsFor(int state, ConnectionMode mode) {
    const StateRow* row = FindStateRow(state);
    if (!row) return {};
    return {Resolve(row->connect, mode),       Resolve(row->close, mode),
            Resolve(row->send, mode),          Resolve(row->telnet, mode),
            Resolve(row->remoteAddress, mode), Resolve(row->remotePort, mode),
            Resolve(row->localPort, mode),     Resolve(row->keepAlive, mode),
            Resolve(row->mode, mode)};
}

std::optional<ConnectionStatus> StatusFor(int state) {
    const StateRow* row = FindStateRow(state);
    if (!row) return std::nullopt;
    return row->status;
}

int NextConnectionState(int from, ConnectionMode mode, ConnectionEvent event) {
    switch (event) {
    case ConnectionEvent::LookupStarted:
    case ConnectionEvent::ConnectStarted:
        return Connecting;
    case ConnectionEvent::ConnectSucceeded:
        // In UDP only a multicast join can raise it; the endpoint stays
        // as it is.
        return mode == Udp ? from : Connected;
    case ConnectionEvent::ListenStarted:
        return Listening;
    case ConnectionEvent::UdpOpened:
        return UdpOpen;
    case ConnectionEvent::PeerTaken:
        return PeerAccepted;
    case ConnectionEvent::PeerGone:
    case ConnectionEvent::SendFailed:
        // The server's listener outlives its peer and goes on listening.
        return from == PeerAccepted ? PeerClosed : Idle;
    case ConnectionEvent::LookupAnswered:
    case ConnectionEvent::LookupFailed:
    case ConnectionEvent::ConnectFailed:
    case ConnectionEvent::ListenFailed:
    case ConnectionEvent::AcceptFailed:
    case ConnectionEvent::TelnetEnded:
    case ConnectionEvent::ClosePressed:
    case ConnectionEvent::ReceiveOutOfMemory:
        return Idle;
    }
    return from;
}
