#pragma once
// Helpers for driving the main window's connections against raw loopback
// peers: free ports, opening each mode the way the user does, reading what
// a peer got, and a private network namespace for broadcast and multicast.
//
// Every address the window is given here is 127.0.0.1 unless the test runs
// inside its own network namespace.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <net/if.h>
#include <net/route.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "framework/SocketTestSupport.h"
#include "testkit/MainWindow.h"

namespace nettest {

using sockettest::Fd;

constexpr int kLongWaitMs = 60000;
constexpr const char* kStartBuffer = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

inline int IntOption(int fd, int level, int name) {
    int value = -1;
    socklen_t size = sizeof value;
    ::getsockopt(fd, level, name, &value, &size);
    return value;
}

// A socket on every address at a free port (a listener for SOCK_STREAM),
// the way another program would hold it.
inline Fd AnyAddress(int type) {
    Fd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&any), sizeof any);
    if (type == SOCK_STREAM) ::listen(fd.get(), 1);
    return fd;
}

// A port that was free a moment ago: bound at port 0, read back, released.
inline std::uint16_t FreePort(int type) {
    return sockettest::LocalPort(AnyAddress(type).get());
}

// The user's steps for each mode: fields first, then CONNECT.
inline void ConnectClient(TestMainWindow& w, std::uint16_t port,
                          const std::string& address = "127.0.0.1") {
    w.ChooseMode(TcpClient);
    w.SetText(IDC_REMOTE_IP, address);
    w.SetText(IDC_REMOTE_PORT, std::to_string(port));
    w.Click(IDC_BUTTON_CONNECT);
}

inline void Listen(TestMainWindow& w, std::uint16_t localPort) {
    w.ChooseMode(TcpServer);
    w.SetText(IDC_LOCAL_PORT, std::to_string(localPort));
    w.Click(IDC_BUTTON_CONNECT);
}

// Listens on a free port and returns it.
inline std::uint16_t ListenAnywhere(TestMainWindow& w) {
    const std::uint16_t port = FreePort(SOCK_STREAM);
    Listen(w, port);
    return port;
}

inline void OpenUdp(TestMainWindow& w, std::uint16_t localPort, std::uint16_t remotePort,
                    const std::string& address = "127.0.0.1") {
    w.ChooseMode(Udp);
    w.SetText(IDC_REMOTE_IP, address);
    w.SetText(IDC_REMOTE_PORT, std::to_string(remotePort));
    w.SetText(IDC_LOCAL_PORT, std::to_string(localPort));
    w.Click(IDC_BUTTON_CONNECT);
}

// Appends whatever the socket holds now, without waiting.
inline void ReadAvailable(int fd, std::string& into) {
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
        into.append(buffer, static_cast<std::size_t>(n));
    }
}

// Pumps the window's events until the peer holds `count` bytes.
inline std::string PeerReceives(int fd, std::size_t count, int timeoutMs = 5000) {
    std::string got;
    PumpUntil(
        [&] {
            ReadAvailable(fd, got);
            return got.size() >= count;
        },
        timeoutMs);
    return got;
}

// One datagram, waited for while the window's events are pumped.
inline std::string PeerDatagram(int fd) {
    std::string got;
    char buffer[65536];
    PumpUntil([&] {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n >= 0) got.assign(buffer, static_cast<std::size_t>(n));
        return n >= 0;
    });
    return got;
}

// Accepts the window's connection on a raw listener while pumping (the
// window may connect only later, from the event loop).
inline Fd AcceptWindow(int listener) {
    Fd peer;
    PumpUntil([&] {
        pollfd pending{listener, POLLIN, 0};
        if (::poll(&pending, 1, 0) != 1) return false;
        peer = Fd(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        return peer.get() >= 0;
    });
    return peer;
}

// Makes `bytes` the SEND pane's contents.
inline void SetSendBytes(TestMainWindow& w, const std::string& bytes) {
    w.SendPane().SetData(static_cast<std::int64_t>(bytes.size()),
                         reinterpret_cast<const BYTE*>(bytes.data()));
}

[[nodiscard]] inline std::string Status(TestMainWindow& w) {
    return w.Text(IDC_STATUS);
}

// The window at rest: Ready, nothing open, CONNECT and the mode choice back.
inline void ExpectIdleView(TestMainWindow& w) {
    EXPECT_EQ(w.State(), Idle);
    EXPECT_EQ(Status(w), "Ready");
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_CONNECT));
    EXPECT_FALSE(w.Enabled(IDC_BUTTON_CLOSE));
    EXPECT_FALSE(w.Enabled(IDC_BUTTON_SEND));
    EXPECT_TRUE(w.Enabled(IDC_MODE));
    EXPECT_FALSE(w.TelnetActive());
    EXPECT_EQ(w.DataHandle(), INVALID_SOCKET);
    EXPECT_EQ(w.ListenHandle(), INVALID_SOCKET);
}

[[nodiscard]] inline std::string ConnectedTo(std::uint16_t port) {
    return "Connected [127.0.0.1 : " + std::to_string(port) + "]";
}

// The calling thread moved into a network namespace of its own for the
// scope's life, with lo up and routes on lo for multicast (224.0.0.0/4)
// and the limited broadcast; nothing sent there can leave the machine.
// Sockets made inside stay in it. Failure() says why it could not be made.
class PrivateNetwork {
public:
    PrivateNetwork() {
        m_home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (m_home < 0 || ::unshare(CLONE_NEWNET) != 0) {
            m_failure = std::string("no private network namespace: ") + std::strerror(errno);
            return;
        }
        m_entered = true;
        Fd control(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        if (::ioctl(control.get(), SIOCGIFFLAGS, &request) != 0) {
            m_failure = "cannot read the flags of lo";
            return;
        }
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (::ioctl(control.get(), SIOCSIFFLAGS, &request) != 0 ||
            !AddRoute(control.get(), "224.0.0.0", "240.0.0.0", false) ||
            !AddRoute(control.get(), "255.255.255.255", "255.255.255.255", true)) {
            m_failure = std::string("cannot set up lo: ") + std::strerror(errno);
        }
    }
    ~PrivateNetwork() {
        if (m_entered) ::setns(m_home, CLONE_NEWNET);
        if (m_home >= 0) ::close(m_home);
    }
    PrivateNetwork(const PrivateNetwork&) = delete;
    PrivateNetwork& operator=(const PrivateNetwork&) = delete;

    [[nodiscard]] const std::string& Failure() const { return m_failure; }

private:
    static bool AddRoute(int fd, const char* destination, const char* mask, bool host) {
        rtentry route{};
        auto* dst = reinterpret_cast<sockaddr_in*>(&route.rt_dst);
        dst->sin_family = AF_INET;
        dst->sin_addr.s_addr = ::inet_addr(destination);
        auto* genmask = reinterpret_cast<sockaddr_in*>(&route.rt_genmask);
        genmask->sin_family = AF_INET;
        genmask->sin_addr.s_addr = ::inet_addr(mask);
        route.rt_flags = static_cast<unsigned short>(RTF_UP | (host ? RTF_HOST : 0));
        char device[] = "lo";
        route.rt_dev = device;
        return ::ioctl(fd, SIOCADDRT, &route) == 0;
    }

    int m_home = -1;
    bool m_entered = false;
    std::string m_failure;
};

}  // namespace nettest

// Skips the test (with the reason) when no private network can be made.
#define NETTEST_REQUIRE_PRIVATE_NETWORK(net)                           \
    do {                                                               \
        if (!(net).Failure().empty()) GTEST_SKIP() << (net).Failure(); \
    } while (false)
