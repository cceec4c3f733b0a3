// Socket helpers: address conversion, error codes and texts, options, and
// broadcast and multicast for real inside a private network namespace.

#include <gtest/gtest.h>

#include <net/if.h>
#include <net/route.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>

#include "SocketTestSupport.h"
#include "framework/SocketApi.h"
#include "framework/testing/SocketSetup.h"

using namespace sockettest;

namespace {

int IntOption(int fd, int level, int name) {
    int value = -1;
    socklen_t size = sizeof value;
    getsockopt(fd, level, name, &value, &size);
    return value;
}

bool AddRoute(int fd, const char* destination, const char* mask, bool host) {
    rtentry route{};
    auto* dst = reinterpret_cast<sockaddr_in*>(&route.rt_dst);
    dst->sin_family = AF_INET;
    dst->sin_addr.s_addr = inet_addr(destination);
    auto* genmask = reinterpret_cast<sockaddr_in*>(&route.rt_genmask);
    genmask->sin_family = AF_INET;
    genmask->sin_addr.s_addr = inet_addr(mask);
    route.rt_flags = static_cast<unsigned short>(RTF_UP | (host ? RTF_HOST : 0));
    char device[] = "lo";
    route.rt_dev = device;
    return ioctl(fd, SIOCADDRT, &route) == 0;
}

// Runs `make` on a thread of its own that has moved into a new network
// namespace with `lo` up and routes for multicast and the limited broadcast
// on `lo`. Sockets it opens belong to that namespace for their whole life,
// whichever thread uses them later, so the test goes on from the main
// thread's event loop. Returns an empty text, or why it could not.
std::string InPrivateNetwork(const std::function<void()>& make) {
    std::string failure;
    std::thread worker([&] {
        if (unshare(CLONE_NEWNET) != 0) {
            failure = std::string("cannot create a network namespace: ") + strerror(errno);
            return;
        }
        Fd control(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        if (ioctl(control.get(), SIOCGIFFLAGS, &request) != 0) {
            failure = "cannot read the flags of lo";
            return;
        }
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (ioctl(control.get(), SIOCSIFFLAGS, &request) != 0 ||
            !AddRoute(control.get(), "224.0.0.0", "240.0.0.0", false) ||
            !AddRoute(control.get(), "255.255.255.255", "255.255.255.255", true)) {
            failure = std::string("cannot set up lo in the namespace: ") + strerror(errno);
            return;
        }
        make();
    });
    worker.join();
    return failure;
}

}  // namespace

TEST(SocketApi, InetAddrTakesWhatInetAddrTakes) {
    EXPECT_EQ(InetAddr("127.0.0.1"), SwapToNetwork32(0x7F000001));
    EXPECT_EQ(InetAddr("127.1"), SwapToNetwork32(0x7F000001));
    EXPECT_EQ(InetAddr(""), kInetAddrNone);
    EXPECT_EQ(InetAddr("localhost"), kInetAddrNone);
    EXPECT_EQ(InetAddr("1.2.3.256"), kInetAddrNone);
    // The limited broadcast is an address, not a failure.
    EXPECT_EQ(ParseInetAddress("255.255.255.255"), std::optional<std::uint32_t>(kInetAddrNone));
    EXPECT_EQ(ParseInetAddress("0x7f.1"), SwapToNetwork32(0x7F000001));
    EXPECT_EQ(ParseInetAddress("localhost"), std::nullopt);
    EXPECT_EQ(ParseInetAddress(std::string_view("127.0.0.1\0", 10)), std::nullopt);
    // Dotted text is resolved without asking any name service.
    std::uint32_t found = 0;
    EXPECT_EQ(LookupHostAddress("127.0.0.2", found), 0);
    EXPECT_EQ(found, SwapToNetwork32(0x7F000002));

    const SocketAddress address = AddressFromText("192.168.7.9", 1470);
    EXPECT_EQ(address.AddressText(), "192.168.7.9");
    EXPECT_EQ(address.HostPort(), 1470);
    EXPECT_EQ(address.port, SwapToNetwork16(1470));
}

TEST(SocketApi, ResolverErrorsHaveCodesAndTextsOfTheirOwn) {
    // No name at all, and one that no resolver could be asked about.
    for (const std::string_view name : {std::string_view(), std::string_view("a\0b", 3)}) {
        std::uint32_t found = 0;
        const int code = LookupHostAddress(name, found);
        EXPECT_EQ(WSAGetLastError(), code);
        EXPECT_TRUE(IsResolverError(code));
        EXPECT_EQ(code, ResolverErrorCode(EAI_NONAME));
        EXPECT_EQ(FormatSocketError(code), gai_strerror(EAI_NONAME));
    }

    for (int eai : {EAI_AGAIN, EAI_FAIL, EAI_NONAME, EAI_SERVICE, EAI_FAMILY, EAI_MEMORY}) {
        EXPECT_TRUE(IsResolverError(ResolverErrorCode(eai))) << eai;
        EXPECT_GT(ResolverErrorCode(eai), 4095) << "must not collide with errno";
    }
    EXPECT_FALSE(IsResolverError(ECONNREFUSED));
    EXPECT_EQ(FormatSocketError(ECONNREFUSED), strerror(ECONNREFUSED));
    EXPECT_FALSE(FormatSocketError(0x7FFF).empty());
}

TEST(SocketApi, KeepAliveMapsMillisecondsToTheSystemsSeconds) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(SetKeepAlive(fd.get(), true, 10000, 1000));
    EXPECT_EQ(IntOption(fd.get(), SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(IntOption(fd.get(), IPPROTO_TCP, TCP_KEEPIDLE), 10);
    EXPECT_EQ(IntOption(fd.get(), IPPROTO_TCP, TCP_KEEPINTVL), 1);
    ASSERT_TRUE(SetKeepAlive(fd.get(), true, 1, 1500));  // whole seconds, rounded up
    EXPECT_EQ(IntOption(fd.get(), IPPROTO_TCP, TCP_KEEPIDLE), 1);
    EXPECT_EQ(IntOption(fd.get(), IPPROTO_TCP, TCP_KEEPINTVL), 2);
}

TEST(SocketApi, BroadcastNeedsTheOptionAndArrives) {
    Fd receiver;
    Fd sender;
    const std::string failure = InPrivateNetwork([&] {
        receiver = Fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in any{};
        any.sin_family = AF_INET;
        ::bind(receiver.get(), reinterpret_cast<sockaddr*>(&any), sizeof any);
        sender = Fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    });
    if (!failure.empty()) {
        GTEST_SKIP() << failure;
    }
    RecordingSocket rx;
    CAsyncSocket tx;
    ASSERT_TRUE(rx.Attach(receiver.Release()));
    ASSERT_TRUE(tx.Attach(sender.Release()));
    const SocketAddress everyone = AddressFromText("255.255.255.255", LocalPort(rx));

    EXPECT_EQ(tx.SendTo("hello", 5, everyone), SOCKET_ERROR);
    EXPECT_EQ(CAsyncSocket::GetLastError(), EACCES);
    ASSERT_TRUE(SetBroadcast(tx.m_hSocket, true));
    EXPECT_EQ(IntOption(tx.m_hSocket, SOL_SOCKET, SO_BROADCAST), 1);
    ASSERT_EQ(tx.SendTo("hello", 5, everyone), 5) << strerror(CAsyncSocket::GetLastError());
    ASSERT_TRUE(PumpUntil([&] { return rx.Count(Event::Receive) == 1; }));
    char block[16];
    EXPECT_EQ(rx.ReceiveFrom(block, sizeof block, nullptr), 5);
    EXPECT_EQ(std::string(block, 5), "hello");
}

TEST(SocketApi, MulticastSocketJoinsTheGroupAndReceives) {
    const std::uint32_t group = InetAddr("239.1.2.3");
    Fd member;
    Fd second;
    Fd sender;
    int openError = 0;
    const std::string failure = InPrivateNetwork([&] {
        member = Fd(OpenMulticastSocket(0, group));
        openError = WSAGetLastError();
        // A second member on the same port shares it.
        if (member.get() >= 0) {
            second = Fd(OpenMulticastSocket(LocalPort(member.get()), group));
        }
        sender = Fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    });
    if (!failure.empty()) {
        GTEST_SKIP() << failure;
    }
    ASSERT_GE(member.get(), 0) << FormatSocketError(openError);
    ASSERT_GE(second.get(), 0) << FormatSocketError(WSAGetLastError());
    EXPECT_EQ(IntOption(member.get(), IPPROTO_IP, IP_MULTICAST_TTL), 8);
    EXPECT_EQ(IntOption(member.get(), IPPROTO_IP, IP_MULTICAST_LOOP), 0);
    EXPECT_EQ(IntOption(member.get(), SOL_SOCKET, SO_REUSEADDR), 1);

    RecordingSocket rx;
    CAsyncSocket tx;
    const std::uint16_t port = LocalPort(member.get());
    ASSERT_TRUE(rx.Attach(member.Release()));
    ASSERT_TRUE(tx.Attach(sender.Release()));
    ASSERT_EQ(tx.SendTo("group", 5, SocketAddress::FromNetwork(group, port)), 5)
        << FormatSocketError(CAsyncSocket::GetLastError());
    ASSERT_TRUE(PumpUntil([&] { return rx.Count(Event::Receive) == 1; }));
    char block[16];
    EXPECT_EQ(rx.ReceiveFrom(block, sizeof block, nullptr), 5);
    EXPECT_EQ(std::string(block, 5), "group");
}
