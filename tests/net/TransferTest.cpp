// The receive and send paths over real loopback sockets: pieces of at most
// 1024 bytes, urgent data kept in its place, datagram limits, a flood of bad
// datagrams, a partial TCP send completed in order, and 64 MiB arriving byte
// for byte.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/ioctl.h>

#include <thread>
#include <vector>

#include "NetTestSupport.h"
#include "framework/BlockMemory.h"
#include "framework/SocketApi.h"
#include "framework/testing/SocketSetup.h"

using namespace nettest;
using sockettest::Pattern;
using sockettest::RawListener;
using sockettest::RawUdp;

namespace {

std::string PaneBytes(const CHexView& pane) {
    std::string bytes;
    pane.m_data.ForEachSpan([&](std::span<const std::uint8_t> run) {
        bytes.append(reinterpret_cast<const char*>(run.data()), run.size());
    });
    return bytes;
}

// Closes with a reset (RST) instead of an orderly shutdown.
void ResetConnection(Fd& peer) {
    const linger abort{1, 0};
    ::setsockopt(peer.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    peer.Reset();
}

// The window connected as a TCP client to a peer with a small receive
// buffer that reads nothing until the test does: most of a large SEND waits
// in the window.
struct SlowPeer {
    explicit SlowPeer(TestMainWindow& w) {
        Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const int small = 4096;
        ::setsockopt(listener.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in sa = sockettest::Loopback(0);
        ::bind(listener.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(listener.get(), 1);
        ConnectClient(w, sockettest::LocalPort(listener.get()));
        peer = AcceptWindow(listener.get());
        int flags = 0;
        ::ioctl(peer.get(), FIONBIO, &flags);  // blocking reads
        connected = PumpUntil([&] { return w.State() == Connected; });
        int size = 0;
        socklen_t length = sizeof size;
        ::getsockopt(w.DataHandle(), SOL_SOCKET, SO_SNDBUF, &size, &length);
        sendBuffer = static_cast<std::size_t>(size);
    }
    Fd peer;
    bool connected = false;
    std::size_t sendBuffer = 0;
};

// The window connected as a TCP client to a raw peer.
struct ClientPair {
    explicit ClientPair(TestMainWindow& w) {
        Fd listener = RawListener();
        ConnectClient(w, sockettest::LocalPort(listener.get()));
        peer = AcceptWindow(listener.get());
        connected = PumpUntil([&] { return w.State() == Connected; });
    }
    Fd peer;
    bool connected = false;
};

// "abc", then one urgent byte "X", then "def": the urgent byte is data
// like any other and keeps its place in the pane, the count and SAVE.
void SendWithUrgentByte(int fd) {
    ASSERT_TRUE(sockettest::SendAll(fd, "abc"));
    ASSERT_EQ(::send(fd, "X", 1, MSG_OOB), 1);
    ASSERT_TRUE(sockettest::SendAll(fd, "def"));
}

void ExpectUrgentByteInPlace(TestMainWindow& w) {
    ASSERT_TRUE(PumpUntil([&] { return w.RecvPane().m_nLength >= 6; }));
    sockettest::Drain();
    EXPECT_EQ(PaneBytes(w.RecvPane()), "abcXdef");
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "7");
}

}  // namespace

TEST(Receive, TcpBurstIsCountedWholeIncludingZeroBytes) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    ClientPair pair(w);
    ASSERT_TRUE(pair.connected);

    std::string burst = Pattern(3000, 1);
    burst[0] = burst[1023] = burst[1024] = burst[2999] = '\0';
    ASSERT_TRUE(sockettest::SendAll(pair.peer.get(), burst));
    ASSERT_TRUE(PumpUntil([&] { return w.RecvPane().m_nLength >= 3000; }));
    sockettest::Drain();
    EXPECT_EQ(w.RecvPane().m_nLength, 3000);
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "3000");
    EXPECT_EQ(PaneBytes(w.RecvPane()), burst);
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(Receive, UrgentByteStaysInTheStreamOfClientAndAcceptedPeer) {
    EnglishScope language;
    ScriptedPrompts prompts;
    {
        SCOPED_TRACE("TCP client");
        TestMainWindow w;
        ClientPair pair(w);
        ASSERT_TRUE(pair.connected);
        SendWithUrgentByte(pair.peer.get());
        ExpectUrgentByteInPlace(w);
    }
    {
        // Sent before the window has accepted: the accepted socket must keep
        // urgent data in line from its first byte.
        SCOPED_TRACE("TCP server");
        TestMainWindow w;
        Fd peer = sockettest::RawConnect(ListenAnywhere(w));
        SendWithUrgentByte(peer.get());
        ExpectUrgentByteInPlace(w);
        EXPECT_EQ(w.State(), PeerAccepted);
    }
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(Receive, EachNotificationReadsAtMost1024Bytes) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    // An endpoint of the test's own, so that the test hands out the
    // notifications one at a time.
    Fd listener = RawListener();
    CLinkSocket endpoint;
    ASSERT_TRUE(endpoint.Create());
    endpoint.Connect(AddressFromText("127.0.0.1", sockettest::LocalPort(listener.get())));
    Fd peer = AcceptWindow(listener.get());
    ASSERT_TRUE(sockettest::SendAll(peer.get(), Pattern(3000, 8)));
    int waiting = 0;
    ASSERT_TRUE(PumpUntil([&] {
        ::ioctl(endpoint.m_hSocket, FIONREAD, &waiting);
        return waiting == 3000;
    }));

    for (std::int64_t expected : {1024, 2048, 3000}) {
        static_cast<CLinkSocketOwner&>(w.dlg).OnSocketReceive(&endpoint, 0);
        EXPECT_EQ(w.RecvPane().m_nLength, expected);
        EXPECT_EQ(w.Text(IDC_RECV_COUNT), std::to_string(expected));
    }
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(Receive, DatagramOf1024BytesArrivesWholeAndLongerOnesAreRefused) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd sender = RawUdp();
    const std::uint16_t local = FreePort(SOCK_DGRAM);
    OpenUdp(w, local, sockettest::LocalPort(sender.get()));
    ASSERT_EQ(w.State(), UdpOpen);

    const std::string whole = Pattern(1024, 2);
    ASSERT_TRUE(sockettest::SendDatagram(sender.get(), local, whole));
    ASSERT_TRUE(PumpUntil([&] { return w.RecvPane().m_nLength == 1024; }));
    EXPECT_EQ(PaneBytes(w.RecvPane()), whole);

    ASSERT_TRUE(sockettest::SendDatagram(sender.get(), local, Pattern(1025, 3)));
    ASSERT_TRUE(PumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
    EXPECT_EQ(prompts.MessageBoxes()[0].text, std::strerror(EMSGSIZE));
    EXPECT_EQ(prompts.MessageBoxes()[0].type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(w.RecvPane().m_nLength, 1024);

    // The endpoint stays open and the next datagram is counted as usual.
    ASSERT_TRUE(sockettest::SendDatagram(sender.get(), local, std::string(1, '\0')));
    ASSERT_TRUE(PumpUntil([&] { return w.RecvPane().m_nLength == 1025; }));
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "1025");
    EXPECT_EQ(w.State(), UdpOpen);
}

TEST(Receive, DatagramsArrivingWhileAnErrorIsShownAreAllCounted) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd sender = RawUdp();
    const std::uint16_t local = FreePort(SOCK_DGRAM);
    OpenUdp(w, local, sockettest::LocalPort(sender.get()));
    ASSERT_EQ(w.State(), UdpOpen);

    // While the first box is open (its loop runs, as a real box's does),
    // bursts of datagrams, one in ten too long. Each burst fits in the
    // socket's buffer, so every datagram reaches the socket; the window must
    // take each burst in before the next is sent.
    const std::string longer = Pattern(1025, 4);
    std::string expected;
    int longDuringBox = 0;
    bool flooded = false;
    bool everyBurstCounted = true;
    prompts.onMessageBox = [&](const PromptRecord&) {
        if (std::exchange(flooded, true)) return;
        for (int burst = 0; burst < 20 && everyBurstCounted; ++burst) {
            for (int i = 0; i < 50; ++i) {
                if (i % 10 == 0) {
                    ASSERT_TRUE(sockettest::SendDatagram(sender.get(), local, longer));
                    ++longDuringBox;
                }
                const std::string datagram = Pattern(1 + static_cast<std::size_t>(i * 20),
                                                     static_cast<unsigned>(burst * 50 + i));
                ASSERT_TRUE(sockettest::SendDatagram(sender.get(), local, datagram));
                expected += datagram;
            }
            everyBurstCounted = PumpUntil([&] {
                return w.RecvPane().m_nLength == static_cast<std::int64_t>(expected.size());
            });
        }
    };
    ASSERT_TRUE(sockettest::SendDatagram(sender.get(), local, longer));
    ASSERT_TRUE(PumpUntil([&] { return prompts.MessageBoxes().size() == 2; }, kLongWaitMs));
    sockettest::Drain();

    EXPECT_TRUE(everyBurstCounted);
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), std::to_string(expected.size()));
    EXPECT_TRUE(PaneBytes(w.RecvPane()) == expected);
    // One box at a time: the first datagram's, then one for all that came
    // while it was open.
    const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(prompts.MaxDepth(), 1);
    EXPECT_EQ(boxes[0].text, std::strerror(EMSGSIZE));
    EXPECT_EQ(boxes[1].text, std::string(std::strerror(EMSGSIZE)) + "\n\n" +
                                 std::to_string(longDuringBox) +
                                 " datagram(s) longer than 1024 bytes were not received.");
    EXPECT_EQ(boxes[1].type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(w.State(), UdpOpen);
}

TEST(Receive, SixtyFourMebibytesArriveByteForByte) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    ClientPair pair(w);
    ASSERT_TRUE(pair.connected);

    const std::string payload = Pattern(64U << 20, 5);
    const int fd = pair.peer.get();
    std::thread peer([&] {
        int flags = 0;
        ::ioctl(fd, FIONBIO, &flags);  // blocking from here on
        sockettest::SendAll(fd, payload);
    });
    const bool done = PumpUntil(
        [&] { return w.RecvPane().m_nLength >= static_cast<std::int64_t>(payload.size()); },
        kLongWaitMs);
    peer.join();
    ASSERT_TRUE(done) << w.RecvPane().m_nLength;
    EXPECT_EQ(w.RecvPane().m_nLength, static_cast<std::int64_t>(payload.size()));
    EXPECT_TRUE(PaneBytes(w.RecvPane()) == payload);
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), std::to_string(payload.size()));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(Send, UdpGoesBothWays) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd peer = RawUdp();
    const std::uint16_t local = FreePort(SOCK_DGRAM);
    OpenUdp(w, local, sockettest::LocalPort(peer.get()));
    ASSERT_EQ(w.State(), UdpOpen);
    EXPECT_EQ(Status(w), "Ready");
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_SEND));

    w.Click(IDC_BUTTON_SEND);
    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerDatagram(peer.get()), kStartBuffer);
    EXPECT_EQ(PeerDatagram(peer.get()), kStartBuffer);

    ASSERT_TRUE(sockettest::SendDatagram(peer.get(), local, "hello"));
    ASSERT_TRUE(PumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "5"; }));
    EXPECT_EQ(PaneBytes(w.RecvPane()), "hello");
}

TEST(Send, FailedSendLeavesControlsThatMatchTheSockets) {
    // UDP: longer than any datagram can be; the endpoint is closed.
    {
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        Fd peer = RawUdp();
        OpenUdp(w, FreePort(SOCK_DGRAM), sockettest::LocalPort(peer.get()));
        ASSERT_EQ(w.State(), UdpOpen);
        const std::string tooLong(65535, 'x');
        SetSendBytes(w, tooLong);
        w.Click(IDC_BUTTON_SEND);
        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].text, std::strerror(EMSGSIZE));
        EXPECT_EQ(w.State(), Idle);
        EXPECT_EQ(w.DataHandle(), INVALID_SOCKET);
        EXPECT_EQ(Status(w), "Ready");
        EXPECT_FALSE(w.Enabled(IDC_BUTTON_SEND));
        EXPECT_FALSE(w.Enabled(IDC_BUTTON_CLOSE));
        EXPECT_TRUE(w.Enabled(IDC_BUTTON_CONNECT));
        EXPECT_TRUE(w.Enabled(IDC_MODE));
    }
    // TCP server: the peer is gone, the listener still listens and serves
    // the next peer.
    {
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        w.ChooseMode(TcpServer);
        const std::uint16_t port = ListenAnywhere(w);
        Fd peer = sockettest::RawConnect(port);
        ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerAccepted; }));
        // Reset, and SEND before the window has heard of it.
        ResetConnection(peer);
        pollfd broken{w.DataHandle(), POLLIN, 0};
        ASSERT_EQ(::poll(&broken, 1, 5000), 1);
        w.Click(IDC_BUTTON_SEND);
        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_TRUE(boxes[0].text == std::strerror(ECONNRESET) ||
                    boxes[0].text == std::strerror(EPIPE))
            << boxes[0].text;
        EXPECT_EQ(w.State(), PeerClosed);
        EXPECT_EQ(Status(w), "Listening");
        EXPECT_FALSE(w.Enabled(IDC_BUTTON_SEND));
        EXPECT_TRUE(w.Enabled(IDC_BUTTON_CLOSE));
        EXPECT_FALSE(w.Enabled(IDC_BUTTON_CONNECT));
        EXPECT_NE(w.ListenHandle(), INVALID_SOCKET);

        Fd next = sockettest::RawConnect(port);
        ASSERT_TRUE(PumpUntil([&] { return w.State() == PeerAccepted; }));
        EXPECT_EQ(Status(w), ConnectedTo(sockettest::LocalPort(next.get())));
        EXPECT_EQ(prompts.MessageBoxes().size(), 1U);
    }
}

TEST(Send, BytesStillQueuedWhenTheConnectionEndsAreCountedForTheUser) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "peer reset" : "close");
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        SlowPeer slow(w);
        ASSERT_TRUE(slow.connected);
        const std::string payload = Pattern(slow.sendBuffer * 4, 9);
        SetSendBytes(w, payload);
        w.Click(IDC_BUTTON_SEND);
        sockettest::Drain();
        const std::int64_t queued = w.dlg.BytesNotYetSent();
        ASSERT_GT(queued, 0);
        const std::string notSent = std::to_string(queued) + " byte(s) were not sent.";

        if (!reset) {
            w.Click(IDC_BUTTON_CLOSE);
            const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
            ASSERT_EQ(boxes.size(), 1U);
            EXPECT_EQ(boxes[0].text, notSent);
            EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
            // Everything before the unsent rest arrives, in order.
            std::string got;
            char buffer[65536];
            ssize_t n = 0;
            while ((n = ::recv(slow.peer.get(), buffer, sizeof buffer, 0)) > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            }
            EXPECT_EQ(n, 0);
            EXPECT_EQ(got.size(), payload.size() - static_cast<std::size_t>(queued));
            EXPECT_TRUE(got == payload.substr(0, got.size()));
        } else {
            ResetConnection(slow.peer);
            ASSERT_TRUE(PumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
            const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
            ASSERT_EQ(boxes.size(), 1U);
            EXPECT_TRUE(boxes[0].text == std::strerror(ECONNRESET) + ("\n\n" + notSent) ||
                        boxes[0].text == std::strerror(EPIPE) + ("\n\n" + notSent))
                << boxes[0].text;
            EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONSTOP);
        }
        EXPECT_EQ(w.State(), Idle);
        EXPECT_EQ(Status(w), "Ready");
        EXPECT_FALSE(w.Enabled(IDC_BUTTON_SEND));
        EXPECT_EQ(w.dlg.BytesNotYetSent(), 0);
    }
}

TEST(Send, PartialTcpSendCompletesInOrder) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    SlowPeer slow(w);
    ASSERT_TRUE(slow.connected);
    Fd& peer = slow.peer;

    // Far more than the system takes at once, then a second press that
    // must wait behind the rest of the first.
    const std::string first = Pattern(slow.sendBuffer * 4, 6);
    const std::string second = Pattern(100000, 7);
    SetSendBytes(w, first);
    w.Click(IDC_BUTTON_SEND);
    SetSendBytes(w, second);
    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(w.State(), Connected);

    const std::string got = PeerReceives(peer.get(), first.size() + second.size(), kLongWaitMs);
    ASSERT_EQ(got.size(), first.size() + second.size());
    EXPECT_TRUE(got == first + second);
    EXPECT_TRUE(prompts.MessageBoxes().empty());
    EXPECT_EQ(w.State(), Connected);
}

// A press's bytes go out as they were at the press, from the pane's own
// storage: an edit, a RESIZE or a LOAD of the pane while they still wait
// changes nothing of what the peer gets, and once everything is out the
// program holds no more than the panes.
TEST(Send, QueuedBytesGoOutAsPressedWhateverThePaneDoesMeanwhile) {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    SlowPeer slow(w);
    ASSERT_TRUE(slow.connected);
    Fd& peer = slow.peer;
    CHexView& pane = w.SendPane();
    const auto heldByPanes = [&] {
        return static_cast<std::size_t>(pane.m_data.AllocatedBytes() +
                                        w.RecvPane().m_data.AllocatedBytes());
    };

    const std::string first = Pattern(3 * ByteBuffer::kChunkSize + 5, 8);
    ASSERT_TRUE(pane.SetData(static_cast<std::int64_t>(first.size()),
                             reinterpret_cast<const BYTE*>(first.data())));
    ASSERT_EQ(BlockBytesInUse(), heldByPanes());
    w.Click(IDC_BUTTON_SEND);
    ASSERT_GT(w.dlg.PendingSend().BytesQueued(), 0);
    EXPECT_EQ(BlockBytesInUse(), heldByPanes()) << "the press copied the pane";

    // An edit in the first chunk, then a RESIZE into it: the second press
    // sends the edited front.
    std::string second = first.substr(0, 1000);
    second[10] = static_cast<char>(~second[10]);
    ASSERT_TRUE(pane.m_data.Set(10, static_cast<std::uint8_t>(second[10])));
    ASSERT_TRUE(pane.ResizeData(1000));
    w.Click(IDC_BUTTON_SEND);
    // The bytes a LOAD gives the pane.
    const std::string third = Pattern(70000, 9);
    ByteBuffer loaded;
    ASSERT_TRUE(loaded.Assign(third.data(), static_cast<std::int64_t>(third.size())));
    pane.SetData(std::move(loaded));
    w.Click(IDC_BUTTON_SEND);
    EXPECT_GT(w.dlg.PendingSend().BytesQueued(), 0);

    const std::string all = first + second + third;
    const std::string got = PeerReceives(peer.get(), all.size(), kLongWaitMs);
    ASSERT_EQ(got.size(), all.size());
    EXPECT_TRUE(got == all);
    EXPECT_TRUE(w.dlg.PendingSend().Empty());
    EXPECT_EQ(BlockBytesInUse(), heldByPanes());
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}
