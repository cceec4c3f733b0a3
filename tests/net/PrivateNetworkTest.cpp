// UDP broadcast and multicast, and the addresses that only a private
// network makes safe to use: every test here runs inside a network
// namespace of its own and is skipped where none can be made.

#include <gtest/gtest.h>

#include <netdb.h>
#include <poll.h>

#include "NetTestSupport.h"
#include "framework/SocketApi.h"
#include "framework/testing/SocketSetup.h"
#include "testkit/ScriptedLookups.h"

using namespace nettest;

TEST(PrivateNetwork, MulticastRangeDecidesTheUdpPath) {
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    struct Case {
        const char* address;
        bool multicast;
    };
    for (const Case c :
         {Case{"224.0.0.0", true}, Case{"230.1.2.3", true}, Case{"239.255.255.255", true},
          Case{"223.255.255.255", false}, Case{"240.0.0.0", false}, Case{"127.0.0.1", false}}) {
        SCOPED_TRACE(c.address);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        const std::uint16_t local = FreePort(SOCK_DGRAM);
        OpenUdp(w, local, FreePort(SOCK_DGRAM), c.address);
        ASSERT_EQ(w.State(), UdpOpen);
        EXPECT_TRUE(prompts.MessageBoxes().empty());
        const int fd = w.DataHandle();
        EXPECT_EQ(sockettest::LocalPort(fd), local);
        EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_BROADCAST), c.multicast ? 0 : 1);
        if (c.multicast) {
            EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL), 8);
            EXPECT_EQ(IntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP), 0);
            EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_REUSEADDR), 1);
        }
        w.Click(IDC_BUTTON_CLOSE);
    }
}

TEST(PrivateNetwork, BroadcastReachesEveryListener) {
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd listener = AnyAddress(SOCK_DGRAM);
    OpenUdp(w, FreePort(SOCK_DGRAM), sockettest::LocalPort(listener.get()), "255.255.255.255");
    ASSERT_EQ(w.State(), UdpOpen);

    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerDatagram(listener.get()), kStartBuffer);
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(PrivateNetwork, MulticastRoundTrip) {
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    const std::uint32_t group = InetAddr("239.1.2.3");
    const std::uint16_t peerPort = FreePort(SOCK_DGRAM);
    const std::uint16_t local = FreePort(SOCK_DGRAM);
    Fd member(OpenMulticastSocket(peerPort, group));
    ASSERT_GE(member.get(), 0);
    OpenUdp(w, local, peerPort, "239.1.2.3");
    ASSERT_EQ(w.State(), UdpOpen);

    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerDatagram(member.get()), kStartBuffer);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(local);
    to.sin_addr.s_addr = group;
    ASSERT_EQ(::sendto(member.get(), "group", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              5);
    ASSERT_TRUE(PumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "5"; }));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(PrivateNetwork, UnknownHostIsRefusedWithTheResolversTextAndNothingLeaves) {
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    // The system's own resolver, asked from inside the namespace, where no
    // name service can be reached.
    const char* unknown = "no-such-host.invalid";
    std::uint32_t ignored = 0;
    const int code = LookupHostAddress(unknown, ignored);
    ASSERT_NE(code, 0);
    const std::string resolverText = FormatSocketError(code);

    struct Case {
        const char* name;
        int mode;
        bool telnet;
    };
    for (const Case c : {Case{"udp", Udp, false}, Case{"tcp", TcpClient, false},
                         Case{"telnet", TcpClient, true}}) {
        SCOPED_TRACE(c.name);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        // Bound to every address: it would get a broadcast as well as
        // anything sent to a local address.
        Fd everyone = AnyAddress(c.mode == Udp ? SOCK_DGRAM : SOCK_STREAM);
        const std::uint16_t port = sockettest::LocalPort(everyone.get());
        if (c.mode == Udp) {
            OpenUdp(w, FreePort(SOCK_DGRAM), port, unknown);
        } else if (c.telnet) {
            w.SetText(IDC_REMOTE_IP, unknown);
            w.SetText(IDC_REMOTE_PORT, std::to_string(port));
            w.Click(IDC_BUTTON_TELNET);
        } else {
            ConnectClient(w, port, unknown);
        }
        ASSERT_TRUE(PumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].text, resolverText);
        EXPECT_EQ(w.State(), Idle);
        EXPECT_FALSE(w.TelnetActive());
        EXPECT_EQ(Status(w), "Ready");
        EXPECT_EQ(w.DataHandle(), INVALID_SOCKET);
        EXPECT_TRUE(w.Enabled(IDC_MODE));

        // Neither a datagram nor a connection came.
        sockettest::Drain();
        pollfd waiting{everyone.get(), POLLIN, 0};
        EXPECT_EQ(::poll(&waiting, 1, 0), 0);
    }
}

TEST(PrivateNetwork, UdpSendToANameThatStopsResolvingSendsNothing) {
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    ScriptedLookups lookups;
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd everyone = AnyAddress(SOCK_DGRAM);
    OpenUdp(w, FreePort(SOCK_DGRAM), sockettest::LocalPort(everyone.get()), "peer.velmora.test");
    ASSERT_TRUE(lookups.WaitForCount(1));
    lookups.Answer(0, "127.0.0.1");
    ASSERT_TRUE(PumpUntil([&] { return w.State() == UdpOpen; }));

    w.Click(IDC_BUTTON_SEND);
    ASSERT_TRUE(lookups.WaitForCount(2));
    lookups.Fail(1, ResolverErrorCode(EAI_NONAME));
    ASSERT_TRUE(PumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
    EXPECT_EQ(prompts.MessageBoxes()[0].text, gai_strerror(EAI_NONAME));
    sockettest::Drain();
    char byte = 0;
    EXPECT_LT(::recv(everyone.get(), &byte, 1, MSG_DONTWAIT), 0);
}
