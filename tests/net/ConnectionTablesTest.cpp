// The connection manager's tables without a window: the controls and the
// status line of every state in every mode, what each mode choice sets, and
// the state every event leads to.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "net/ConnectionTables.h"
#include "res/resource.h"

namespace {

constexpr ConnectionMode kModes[] = {TcpClient, TcpServer, Udp};
constexpr int kStates[] = {Idle,    Connecting,   Listening, Connected,
                           UdpOpen, PeerAccepted, PeerClosed};

// The controls in ConnectionControls' order, one character each: '1'
// enabled, '0' disabled, '-' left as it is.
std::string Encode(const ConnectionControls& c) {
    std::string text;
    for (const std::optional<bool>& cell : {c.connect, c.close, c.send, c.telnet, c.remoteAddress,
                                            c.remotePort, c.localPort, c.keepAlive, c.mode}) {
        text += cell ? (*cell ? '1' : '0') : '-';
    }
    return text;
}

}  // namespace

TEST(ConnectionTables, EveryStateSetsItsControlsAndStatusInEveryMode) {
    // CONNECT, CLOSE, SEND, TELNET, remote address, remote port, local
    // port, Keep Alive, mode combo. A '-' is a control the mode never uses
    // (already set by the mode change) or one the state before has set.
    struct Row {
        const char* name;
        int state;
        const char* client;
        const char* server;
        const char* udp;
        ConnectionStatus status;
    };
    // clang-format off
    const Row rows[] = {
        {"idle: the mode's own fields open again", Idle, "100111-11", "100---111", "100-111-1",
         {IDS_READY, false}},
        {"connecting: only CLOSE", Connecting, "010000-0-", "0100-0-0-", "010000-0-",
         {IDS_CONNECTING, false}},
        {"listening: only CLOSE", Listening, "01000-00-", "0100--00-", "01000-00-",
         {IDS_LISTENING, false}},
        {"connected: SEND and CLOSE, with the peer", Connected, "011000---", "0110-0---", "011000---",
         {IDS_CONNECTED, true}},
        {"peer accepted: as connected", PeerAccepted, "011000---", "0110-0---", "011000---",
         {IDS_CONNECTED, true}},
        {"udp open: SEND and CLOSE, Ready", UdpOpen, "011-000--", "011-000--", "011-000--",
         {IDS_READY, false}},
        {"peer closed: listening again", PeerClosed, "010000---", "0100-0---", "010000---",
         {IDS_LISTENING, false}},
    };
    // clang-format on
    static_assert(std::size(rows) == std::size(kStates));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(IsConnectionState(row.state));
        EXPECT_EQ(Encode(ControlsFor(row.state, TcpClient)), row.client);
        EXPECT_EQ(Encode(ControlsFor(row.state, TcpServer)), row.server);
        EXPECT_EQ(Encode(ControlsFor(row.state, Udp)), row.udp);
        EXPECT_EQ(StatusFor(row.state), row.status);
    }
    EXPECT_EQ(CloseCaption(), IDS_DISCONNECT);
}

TEST(ConnectionTables, ValuesThatAreNoStateChangeNothing) {
    for (int value : {-1, 5, 8, 1000}) {
        SCOPED_TRACE(value);
        EXPECT_FALSE(IsConnectionState(value));
        EXPECT_FALSE(StatusFor(value).has_value());
        for (ConnectionMode mode : kModes) EXPECT_EQ(Encode(ControlsFor(value, mode)), "---------");
    }
}

TEST(ConnectionTables, ModeChoiceSetsCaptionAndFields) {
    struct Row {
        const char* name;
        int index;
        ConnectionMode mode;                   // as CONNECT reads the index
        std::optional<ModeControls> controls;  // what choosing it sets
    };
    // clang-format off
    const Row rows[] = {
        {"client", 0, TcpClient, ModeControls{IDS_CONNECT, true, true, true, false, true}},
        {"server listens, no remote fields", 1, TcpServer,
         ModeControls{IDS_LISTEN, false, false, false, true, true}},
        {"udp: both ports, no Telnet, no keep-alive", 2, Udp,
         ModeControls{IDS_CONNECT, false, true, true, true, false}},
        {"no selection connects as a client", -1, TcpClient, std::nullopt},
        {"an index past the list connects as a client", 3, TcpClient, std::nullopt},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ModeOf(row.index), row.mode);
        const std::optional<ModeControls> got = ModeControlsFor(row.index);
        ASSERT_EQ(got.has_value(), row.controls.has_value());
        if (!got) continue;
        EXPECT_EQ(got->connectCaption, row.controls->connectCaption);
        EXPECT_EQ(got->telnet, row.controls->telnet);
        EXPECT_EQ(got->remoteAddress, row.controls->remoteAddress);
        EXPECT_EQ(got->remotePort, row.controls->remotePort);
        EXPECT_EQ(got->localPort, row.controls->localPort);
        EXPECT_EQ(got->keepAlive, row.controls->keepAlive);
    }
}

TEST(ConnectionTables, EachEventLeadsToItsState) {
    using E = ConnectionEvent;
    struct Row {
        const char* name;
        int from;
        ConnectionMode mode;
        ConnectionEvent event;
        int to;
    };
    // clang-format off
    const Row rows[] = {
        {"a host name waits for its lookup", Idle, TcpClient, E::LookupStarted, Connecting},
        {"a udp name waits the same way", Idle, Udp, E::LookupStarted, Connecting},
        {"the answer returns to idle before opening", Connecting, TcpClient, E::LookupAnswered, Idle},
        {"a name that does not resolve opens nothing", Connecting, Udp, E::LookupFailed, Idle},
        {"a client connect starts", Idle, TcpClient, E::ConnectStarted, Connecting},
        {"a connect that fails at once", Idle, TcpClient, E::ConnectFailed, Idle},
        {"a connect notification with an error", Connecting, TcpClient, E::ConnectFailed, Idle},
        {"a multicast join that fails", UdpOpen, Udp, E::ConnectFailed, Idle},
        {"the connect completes", Connecting, TcpClient, E::ConnectSucceeded, Connected},
        {"a multicast join's notification keeps udp open", UdpOpen, Udp, E::ConnectSucceeded,
         UdpOpen},
        {"the server listens", Idle, TcpServer, E::ListenStarted, Listening},
        {"listen fails", Idle, TcpServer, E::ListenFailed, Idle},
        {"udp opens, unicast or multicast", Idle, Udp, E::UdpOpened, UdpOpen},
        {"the first peer is taken", Listening, TcpServer, E::PeerTaken, PeerAccepted},
        {"the next peer after one left", PeerClosed, TcpServer, E::PeerTaken, PeerAccepted},
        {"an accept error while listening", Listening, TcpServer, E::AcceptFailed, Idle},
        {"an accept error with a peer", PeerAccepted, TcpServer, E::AcceptFailed, Idle},
        {"the client's peer closes", Connected, TcpClient, E::PeerGone, Idle},
        {"the server's peer closes, listening goes on", PeerAccepted, TcpServer, E::PeerGone,
         PeerClosed},
        {"a failed client send", Connected, TcpClient, E::SendFailed, Idle},
        {"a failed send to the server's peer", PeerAccepted, TcpServer, E::SendFailed, PeerClosed},
        {"a failed datagram", UdpOpen, Udp, E::SendFailed, Idle},
        {"the Telnet window closes", Connected, TcpClient, E::TelnetEnded, Idle},
        {"a block that cannot be stored, client", Connected, TcpClient, E::ReceiveOutOfMemory, Idle},
        {"a block that cannot be stored, server", PeerAccepted, TcpServer, E::ReceiveOutOfMemory,
         Idle},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NextConnectionState(row.from, row.mode, row.event), row.to);
    }
}

TEST(ConnectionTables, CloseAndTheEndsOfAConnectionFromEveryState) {
    // Whatever the state and mode, CLOSE ends in Idle, and a data
    // connection that ends keeps only the server's listener listening.
    for (int from : kStates) {
        for (ConnectionMode mode : kModes) {
            SCOPED_TRACE(::testing::Message() << "state " << from << " mode " << mode);
            EXPECT_EQ(NextConnectionState(from, mode, ConnectionEvent::ClosePressed), Idle);
            const int ended = from == PeerAccepted ? PeerClosed : Idle;
            EXPECT_EQ(NextConnectionState(from, mode, ConnectionEvent::PeerGone), ended);
            EXPECT_EQ(NextConnectionState(from, mode, ConnectionEvent::SendFailed), ended);
            EXPECT_EQ(NextConnectionState(from, mode, ConnectionEvent::ConnectSucceeded),
                      mode == Udp ? from : Connected);
        }
    }
}
