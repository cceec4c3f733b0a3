// The connection manager driven like a user: TCP client and server against
// raw loopback peers, CLOSE from every state (each showing the controls the
// user sees there), the errors it reports, and what each mode choice sets.

#include <gtest/gtest.h>

#include <netinet/tcp.h>

#include <fstream>
#include <functional>

#include "NetTestSupport.h"
#include "framework/SocketApi.h"
#include "testkit/TempDir.h"

using namespace nettest;
using sockettest::RawConnect;
using sockettest::RawListener;

namespace {

constexpr const char* kRangeMessage = "Please enter an integer between 1 and 65535.";
constexpr const char* kNumberMessage = "Please enter a positive integer.";

void ExpectOneError(const ScriptedPrompts& prompts, TestMainWindow& w, int code) {
    const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].text, std::strerror(code));
    EXPECT_EQ(boxes[0].caption, w.dlg.GetWindowText());
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONSTOP);
}

// The controls as `expected` gives them in this order: CONNECT, CLOSE, SEND,
// TELNET, remote address, remote port, local port, Keep Alive, mode combo;
// '1' enabled, '0' disabled. CLOSE always reads "Disconnect", and the status
// line starts with `status`.
void ExpectControlsOfState(TestMainWindow& w, const std::string& expected,
                           const std::string& status) {
    const int order[] = {IDC_BUTTON_CONNECT, IDC_BUTTON_CLOSE, IDC_BUTTON_SEND,
                         IDC_BUTTON_TELNET,  IDC_REMOTE_IP,    IDC_REMOTE_PORT,
                         IDC_LOCAL_PORT,     IDC_KEEP_ALIVE,   IDC_MODE};
    ASSERT_EQ(expected.size(), std::size(order));
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(w.Enabled(order[i]), expected[i] == '1') << "control " << order[i];
    }
    EXPECT_EQ(w.Text(IDC_BUTTON_CLOSE), "Disconnect");
    EXPECT_EQ(Status(w).rfind(status, 0), 0U) << Status(w);
}

}  // namespace

TEST(Connection, ClientConnectsSendsAndIsReadyAgainWhenThePeerCloses) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd listener = RawListener();
    const std::uint16_t port = sockettest::LocalPort(listener.get());

    ConnectClient(w, port);
    EXPECT_EQ(w.State(), Connecting);
    EXPECT_EQ(Status(w), "Connecting");
    EXPECT_FALSE(w.Enabled(IDC_BUTTON_CONNECT));
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_CLOSE));
    EXPECT_FALSE(w.Enabled(IDC_MODE));

    Fd peer = AcceptWindow(listener.get());
    ASSERT_TRUE(PumpUntil([&] { return w.State() == Connected; }));
    EXPECT_EQ(Status(w), ConnectedTo(port));
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_SEND));
    EXPECT_FALSE(w.Enabled(IDC_REMOTE_IP));

    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerReceives(peer.get(), 36), kStartBuffer);

    peer.Reset();
    ASSERT_TRUE(PumpUntil([&] { return w.State() == Idle; }));
    ExpectIdleView(w);
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(Connection, RefusedConnectionShowsTheSystemTextAndStaysIdle) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;

    ConnectClient(w, FreePort(SOCK_STREAM));
    ASSERT_TRUE(PumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
    ExpectOneError(prompts, w, ECONNREFUSED);
    ExpectIdleView(w);
}

TEST(Connection, EmptyRemoteAddressIsRefusedBeforeAnySocketOpens) {
    for (int mode : {TcpClient, Udp}) {
        SCOPED_TRACE(mode);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        w.ChooseMode(mode);
        w.SetText(IDC_REMOTE_IP, "");
        w.Click(IDC_BUTTON_CONNECT);

        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].text, "Please enter the remote host address.");
        EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(CWnd::GetFocus(), w.Item(IDC_REMOTE_IP));
        ExpectIdleView(w);
    }
}

TEST(Connection, KeepAliveIsAppliedOnlyWhenTicked) {
    struct Case {
        int mode;
        bool ticked;
    };
    for (const Case c : {Case{TcpClient, true}, Case{TcpClient, false}, Case{TcpServer, true},
                         Case{TcpServer, false}}) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " ticked " << c.ticked);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        Fd listener = RawListener();
        w.ChooseMode(c.mode);
        w.Get<CButton>(IDC_KEEP_ALIVE).SetCheck(c.ticked ? 1 : 0);
        if (c.mode == TcpClient) {
            ConnectClient(w, sockettest::LocalPort(listener.get()));
        } else {
            ListenAnywhere(w);
        }
        const int fd = c.mode == TcpClient ? w.DataHandle() : w.ListenHandle();
        ASSERT_NE(fd, INVALID_SOCKET);
        EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_KEEPALIVE), c.ticked ? 1 : 0);
        if (c.ticked) {
            EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 10);
            EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 1);
        }
        w.Click(IDC_BUTTON_CLOSE);
    }
}

TEST(Connection, ServerTakesOnePeerAtATimeAndKeepsListening) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    const std::uint16_t port = ListenAnywhere(w);
    ASSERT_EQ(w.State(), Listening);
    EXPECT_EQ(Status(w), "Listening");
    EXPECT_FALSE(w.Enabled(IDC_BUTTON_SEND));
    EXPECT_FALSE(w.Enabled(IDC_LOCAL_PORT));

    Fd first = RawConnect(port);
    ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerAccepted; }));
    EXPECT_EQ(Status(w), ConnectedTo(sockettest::LocalPort(first.get())));
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_SEND));

    // A second peer is taken and let go at once; the first one stays.
    Fd second = RawConnect(port);
    char byte = 0;
    ASSERT_TRUE(PumpUntil([&] { return ::recv(second.get(), &byte, 1, MSG_DONTWAIT) == 0; }));
    EXPECT_EQ(w.State(), PeerAccepted);
    EXPECT_EQ(Status(w), ConnectedTo(sockettest::LocalPort(first.get())));
    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerReceives(first.get(), 36), kStartBuffer);

    first.Reset();
    ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerClosed; }));
    EXPECT_EQ(Status(w), "Listening");
    EXPECT_FALSE(w.Enabled(IDC_BUTTON_SEND));
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_CLOSE));
    EXPECT_FALSE(w.Enabled(IDC_MODE));

    // The next peer is served without pressing anything.
    Fd third = RawConnect(port);
    ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerAccepted; }));
    EXPECT_EQ(Status(w), ConnectedTo(sockettest::LocalPort(third.get())));
    ASSERT_TRUE(sockettest::SendAll(third.get(), "abc"));
    ASSERT_TRUE(PumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "3"; }));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(Connection, CloseReturnsToReadyFromEveryState) {
    struct Case {
        const char* name;
        int state;
        const char* controls;
        const char* status;
        std::function<void(TestMainWindow&, Fd& listener, Fd& peer)> reach;
    };
    const Case cases[] = {
        {"connecting", Connecting, "010000000", "Connecting",
         [](TestMainWindow& w, Fd& listener, Fd&) {
             ConnectClient(w, sockettest::LocalPort(listener.get()));
         }},
        {"connected", Connected, "011000000", "Connected [",
         [](TestMainWindow& w, Fd& listener, Fd&) {
             ConnectClient(w, sockettest::LocalPort(listener.get()));
             PumpUntil([&] { return w.State() == Connected; });
         }},
        {"listening", Listening, "010000000", "Listening",
         [](TestMainWindow& w, Fd&, Fd&) { ListenAnywhere(w); }},
        {"peer accepted", PeerAccepted, "011000000", "Connected [",
         [](TestMainWindow& w, Fd&, Fd& peer) {
             peer = RawConnect(ListenAnywhere(w));
             PumpUntil([&] { return w.State() == PeerAccepted; });
         }},
        {"peer closed", PeerClosed, "010000000", "Listening",
         [](TestMainWindow& w, Fd&, Fd& peer) {
             peer = RawConnect(ListenAnywhere(w));
             PumpUntil([&] { return w.State() == PeerAccepted; });
             peer.Reset();
             PumpUntil([&] { return w.State() == PeerClosed; });
         }},
        {"udp open", UdpOpen, "011000000", "Ready",
         [](TestMainWindow& w, Fd&, Fd&) {
             OpenUdp(w, FreePort(SOCK_DGRAM), FreePort(SOCK_DGRAM));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        Fd listener = RawListener();
        Fd peer;
        c.reach(w, listener, peer);
        ASSERT_EQ(w.State(), c.state);
        ExpectControlsOfState(w, c.controls, c.status);

        w.Click(IDC_BUTTON_CLOSE);
        ExpectIdleView(w);
        // Nothing of the closed connection turns up later.
        sockettest::Drain();
        ExpectIdleView(w);
        EXPECT_TRUE(prompts.MessageBoxes().empty());
    }
}

TEST(Connection, LocalPortInUseShowsTheSystemText) {
    for (int mode : {TcpServer, Udp}) {
        SCOPED_TRACE(mode);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        Fd holder = AnyAddress(mode == TcpServer ? SOCK_STREAM : SOCK_DGRAM);
        const std::uint16_t port = sockettest::LocalPort(holder.get());
        if (mode == TcpServer) {
            Listen(w, port);
        } else {
            OpenUdp(w, port, FreePort(SOCK_DGRAM));
        }
        ExpectOneError(prompts, w, EADDRINUSE);
        ExpectIdleView(w);
    }
}

TEST(Connection, FailedAcceptNotificationClosesBothEndpoints) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd peer = RawConnect(ListenAnywhere(w));
    ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerAccepted; }));

    // What the socket layer reports when a pending connection broke.
    LinkDlgProbe::NotifyAccept(w.dlg, ECONNABORTED);
    ExpectOneError(prompts, w, ECONNABORTED);
    ExpectIdleView(w);
}

TEST(Connection, ConnectChecksOnlyTheFieldsItsModeUses) {
    struct Row {
        const char* name;
        int mode;
        int field;
        const char* text;
        const char* refusal;  // null: the connection opens
    };
    const Row rows[] = {
        {"server, bad remote port", TcpServer, IDC_REMOTE_PORT, "0", nullptr},
        {"client, bad local port", TcpClient, IDC_LOCAL_PORT, "x", nullptr},
        {"client, bad data length", TcpClient, IDC_DATA_LENGTH, "", nullptr},
        {"udp, bad data length", Udp, IDC_DATA_LENGTH, "70000", nullptr},
        {"client, bad remote port", TcpClient, IDC_REMOTE_PORT, "0", kRangeMessage},
        {"udp, bad local port", Udp, IDC_LOCAL_PORT, "0", kRangeMessage},
        {"server, empty local port", TcpServer, IDC_LOCAL_PORT, "", kNumberMessage},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        Fd listener = RawListener();
        w.ChooseMode(row.mode);
        w.SetText(IDC_REMOTE_IP, "127.0.0.1");
        w.SetText(IDC_REMOTE_PORT, std::to_string(sockettest::LocalPort(listener.get())));
        w.SetText(IDC_LOCAL_PORT,
                  std::to_string(FreePort(row.mode == Udp ? SOCK_DGRAM : SOCK_STREAM)));
        w.SetText(row.field, row.text);
        w.Click(IDC_BUTTON_CONNECT);

        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        if (row.refusal == nullptr) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_NE(w.State(), Idle);
        } else {
            ASSERT_EQ(boxes.size(), 1U);
            EXPECT_EQ(boxes[0].text, row.refusal);
            EXPECT_EQ(CWnd::GetFocus(), w.Item(row.field));
            ExpectIdleView(w);
        }
        w.Click(IDC_BUTTON_CLOSE);
    }
}

TEST(Connection, SendBufferOfAnyLengthNeverStopsTheConnection) {
    // However the data-length field came to be out of range, the connection
    // does not read it: only RESIZE does.
    struct Case {
        const char* name;
        std::size_t loaded;  // bytes loaded from a file; or the field typed empty
        bool typedEmpty;
    };
    for (const Case c : {Case{"loaded 100000", 100000, false}, Case{"loaded 0", 0, false},
                         Case{"field emptied", 36, true}}) {
        SCOPED_TRACE(c.name);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        TempDir folder;
        std::string bytes(c.loaded, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
        if (c.typedEmpty) {
            bytes = kStartBuffer;
        } else {
            std::ofstream(folder / "data.bin", std::ios::binary) << bytes;
            prompts.QueueFile(FileDialogResult{folder / "data.bin", 1});
            w.Click(IDC_BUTTON_LOAD);
            ASSERT_EQ(w.Text(IDC_DATA_LENGTH), std::to_string(c.loaded));
        }
        const std::string fieldText = c.typedEmpty ? "" : std::to_string(c.loaded);
        // Received bytes write the stored length back over a typed one.
        const auto spoil = [&] {
            if (c.typedEmpty) w.SetText(IDC_DATA_LENGTH, fieldText);
        };

        // A client against an echo peer.
        Fd listener = RawListener();
        const std::uint16_t port = sockettest::LocalPort(listener.get());
        spoil();
        ConnectClient(w, port);
        Fd peer = AcceptWindow(listener.get());
        ASSERT_TRUE(PumpUntil([&] { return w.State() == Connected; }));
        EXPECT_EQ(Status(w), ConnectedTo(port));
        EXPECT_TRUE(w.Enabled(IDC_BUTTON_SEND));

        w.Click(IDC_BUTTON_SEND);
        std::string echoed;
        ASSERT_TRUE(PumpUntil([&] {
            std::string got;
            ReadAvailable(peer.get(), got);
            echoed += got;
            sockettest::SendAll(peer.get(), got);
            return echoed.size() >= bytes.size() &&
                   w.RecvPane().m_nLength == static_cast<std::int64_t>(bytes.size());
        }));
        EXPECT_TRUE(echoed == bytes);
        sockettest::Drain();
        EXPECT_EQ(w.Text(IDC_RECV_COUNT), std::to_string(bytes.size()));

        spoil();
        peer.Reset();
        ASSERT_TRUE(PumpUntil([&] { return w.State() == Idle; }));
        ExpectIdleView(w);

        // A server serving peers with the same buffer.
        spoil();
        Fd client = RawConnect(ListenAnywhere(w));
        ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerAccepted; }));
        EXPECT_EQ(Status(w), ConnectedTo(sockettest::LocalPort(client.get())));
        EXPECT_TRUE(w.Enabled(IDC_BUTTON_SEND));
        spoil();
        client.Reset();
        ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerClosed; }));
        EXPECT_EQ(Status(w), "Listening");
        spoil();
        w.Click(IDC_BUTTON_CLOSE);
        ExpectIdleView(w);
        EXPECT_TRUE(prompts.MessageBoxes().empty());

        // RESIZE is where the field is checked.
        w.SetText(IDC_DATA_LENGTH, fieldText);
        w.Click(IDC_BUTTON_RESIZE);
        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].text, c.typedEmpty ? kNumberMessage : kRangeMessage);
        EXPECT_EQ(w.SendPane().m_nLength, static_cast<std::int64_t>(bytes.size()));
    }
}

TEST(Connection, ModeChoiceSetsCaptionAndFields) {
    struct Row {
        int mode;
        const char* caption;
        bool telnet, remoteIp, remotePort, localPort, keepAlive;
    };
    const Row rows[] = {
        {TcpClient, "Connect", true, true, true, false, true},
        {TcpServer, "Listen", false, false, false, true, true},
        {Udp, "Connect", false, true, true, true, false},
    };
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    for (int round = 0; round < 2; ++round) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.mode);
            w.ChooseMode(row.mode);
            EXPECT_EQ(w.Text(IDC_BUTTON_CONNECT), row.caption);
            EXPECT_EQ(w.Enabled(IDC_BUTTON_TELNET), row.telnet);
            EXPECT_EQ(w.Enabled(IDC_REMOTE_IP), row.remoteIp);
            EXPECT_EQ(w.Enabled(IDC_REMOTE_PORT), row.remotePort);
            EXPECT_EQ(w.Enabled(IDC_LOCAL_PORT), row.localPort);
            EXPECT_EQ(w.Enabled(IDC_KEEP_ALIVE), row.keepAlive);
            EXPECT_EQ(w.State(), Idle);
        }
    }

    // UDP clears Keep Alive; back in a TCP mode it stays cleared but can be ticked.
    w.ChooseMode(TcpClient);
    w.Get<CButton>(IDC_KEEP_ALIVE).SetCheck(1);
    w.ChooseMode(TcpServer);
    EXPECT_EQ(w.Get<CButton>(IDC_KEEP_ALIVE).GetCheck(), 1);
    w.ChooseMode(Udp);
    EXPECT_EQ(w.Get<CButton>(IDC_KEEP_ALIVE).GetCheck(), 0);
    w.ChooseMode(TcpClient);
    EXPECT_EQ(w.Get<CButton>(IDC_KEEP_ALIVE).GetCheck(), 0);
    EXPECT_TRUE(w.Enabled(IDC_KEEP_ALIVE));
}
