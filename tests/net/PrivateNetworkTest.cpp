// UDP broadcast and multicast, and the addresses that only a private
// network makes safe to use: every test here runs inside a network
// namespace of its own and is skipped where none can be made.

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "framework/SocketApi.h"

using namespace nettest;

TEST(PrivateNetwork, MulticastRangeDecidesTheUdpPath)
{
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    struct Case {
        const char* address;
        bool multicast;
    };
    for (const Case c : {Case{"224.0.0.0", true}, Case{"230.1.2.3", true},
                         Case{"239.255.255.255", true}, Case{"223.255.255.255", false},
                         Case{"240.0.0.0", false}, Case{"127.0.0.1", false}}) {
        SCOPED_TRACE(c.address);
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        const std::uint16_t local = FreePort(SOCK_DGRAM);
        OpenUdp(w, local, FreePort(SOCK_DGRAM), c.address);
        ASSERT_EQ(w.dlg.m_nState, UdpOpen);
        EXPECT_TRUE(prompts.MessageBoxes().empty());
        const int fd = w.dlg.m_dataSocket.m_hSocket;
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

TEST(PrivateNetwork, BroadcastReachesEveryListener)
{
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    Fd listener = AnyAddress(SOCK_DGRAM);
    OpenUdp(w, FreePort(SOCK_DGRAM), sockettest::LocalPort(listener.get()), "255.255.255.255");
    ASSERT_EQ(w.dlg.m_nState, UdpOpen);

    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerDatagram(listener.get()), kStartBuffer);
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(PrivateNetwork, MulticastRoundTrip)
{
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
    ASSERT_EQ(w.dlg.m_nState, UdpOpen);

    w.Click(IDC_BUTTON_SEND);
    EXPECT_EQ(PeerDatagram(member.get()), kStartBuffer);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(local);
    to.sin_addr.s_addr = group;
    ASSERT_EQ(::sendto(member.get(), "group", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              5);
    ASSERT_TRUE(AfxPumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "5"; }));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
}

TEST(PrivateNetwork, UnknownHostIsUsedAsTheLimitedBroadcast)
{
    PrivateNetwork net;
    NETTEST_REQUIRE_PRIVATE_NETWORK(net);
    const char* unknown = "no-such-host.invalid";
    ASSERT_EQ(ResolveHostName(unknown), kInetAddrNone);

    // UDP: the datagrams go out as broadcasts.
    {
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        Fd listener = AnyAddress(SOCK_DGRAM);
        OpenUdp(w, FreePort(SOCK_DGRAM), sockettest::LocalPort(listener.get()), unknown);
        ASSERT_EQ(w.dlg.m_nState, UdpOpen);
        w.Click(IDC_BUTTON_SEND);
        EXPECT_EQ(PeerDatagram(listener.get()), kStartBuffer);
    }
    // TCP: no connection can be made to it; the attempt ends with the
    // system's text.
    {
        EnglishScope language;
        ScriptedPrompts prompts;
        TestMainWindow w;
        w.dlg.m_bTelnetActive = true;  // as TELNET leaves it
        ConnectClient(w, FreePort(SOCK_STREAM), unknown);
        ASSERT_TRUE(AfxPumpUntil([&] { return !prompts.MessageBoxes().empty(); }));
        const std::vector<PromptRecord> boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].text, std::strerror(ENETUNREACH));
        EXPECT_EQ(w.dlg.m_nState, Idle);
        EXPECT_FALSE(w.dlg.m_bTelnetActive);
        EXPECT_EQ(Status(w), "Ready");
        EXPECT_EQ(w.dlg.m_dataSocket.m_hSocket, INVALID_SOCKET);
        EXPECT_TRUE(w.Enabled(IDC_MODE));
    }
}
