#pragma once
// The connection manager's rules as data: what each mode and each state
// does to the main window's controls and status line, and the state that
// each connection event leads to. Nothing here touches a window or a
// socket; the window applies the answers.

#include <optional>

#include "net/ConnectionState.h"

// The mode as the connection manager treats a combo box index: every index
// but the server's and UDP's is the client's, also "no selection".
[[nodiscard]] ConnectionMode ModeOf(int index);

// What choosing a mode sets: CONNECT's caption (a string id) and which of
// the fields that only some modes use are enabled. A mode without Keep Alive
// also clears its check.
struct ModeControls {
    unsigned connectCaption;
    bool telnet;
    bool remoteAddress;
    bool remotePort;
    bool localPort;
    bool keepAlive;
};

// For a combo box index; std::nullopt for an index that is no mode, which
// changes nothing.
[[nodiscard]] std::optional<ModeControls> ModeControlsFor(int index);

// What a state does to each control it decides: enabled (true), disabled
// (false) or left as it is (std::nullopt). A control is left as it is where
// the mode never uses it and the mode change has already set it.
struct ConnectionControls {
    std::optional<bool> connect;
    std::optional<bool> close;
    std::optional<bool> send;
    std::optional<bool> telnet;
    std::optional<bool> remoteAddress;
    std::optional<bool> remotePort;
    std::optional<bool> localPort;
    std::optional<bool> keepAlive;
    std::optional<bool> mode;

    friend bool operator==(const ConnectionControls&, const ConnectionControls&) = default;
};

// The status line of a state: its text (a string id) and whether the peer's
// address and port follow it.
struct ConnectionStatus {
    unsigned text;
    bool showsPeer;

    friend bool operator==(const ConnectionStatus&, const ConnectionStatus&) = default;
};

// CLOSE's caption, the same in every state.
[[nodiscard]] unsigned CloseCaption();

// False for a value that is no state (5 among them): the window then
// changes no control and no text.
[[nodiscard]] bool IsConnectionState(int state);

// For a state that IsConnectionState accepts; any other leaves every
// control as it is.
[[nodiscard]] ConnectionControls ControlsFor(int state, ConnectionMode mode);
// For a state that IsConnectionState accepts; std::nullopt for any other.
[[nodiscard]] std::optional<ConnectionStatus> StatusFor(int state);

// What happened to the connection, as far as its state is concerned. The
// sockets' outcomes are decided by the window; each names the event after
// it.
enum class ConnectionEvent {
    LookupStarted,       // CONNECT or TELNET with a host name: its lookup runs
    LookupAnswered,      // the name resolved; the address is opened next
    LookupFailed,        // the name did not resolve; nothing is opened
    ConnectStarted,      // a TCP connect is under way
    ConnectFailed,       // the connect failed, at once or in its notification
    ConnectSucceeded,    // the connect notification without an error
    ListenStarted,       // the listening endpoint listens
    ListenFailed,        // listen failed; the listening endpoint is closed
    UdpOpened,           // the data endpoint is open for datagrams
    PeerTaken,           // a pending peer was accepted into the data endpoint
    AcceptFailed,        // an accept notification with an error
    PeerGone,            // the peer closed the data connection (no Telnet window)
    SendFailed,          // a send call failed; the data connection ends
    TelnetEnded,         // the Telnet window that owned the connection closed
    ClosePressed,        // CLOSE
    ReceiveOutOfMemory,  // a received block could not be stored; all closes
};

// The state after `event` in state `from` and mode `mode`.
[[nodiscard]] int NextConnectionState(int from, ConnectionMode mode, ConnectionEvent event);
