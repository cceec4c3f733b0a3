// The start-up display check: display names, and connection attempts on
// sockets the test listens on itself (abstract, file and TCP on
// 127.0.0.1), live and dead.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "framework/qt/DisplayCheck.h"
#include "testkit/TempDir.h"

namespace {

// A listening stream socket, closed with the object.
class Listener {
public:
    // A local socket: a file, or a name in the abstract namespace.
    static Listener Local(const std::string& name, bool abstract) {
        Listener l(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t offset = abstract ? 1 : 0;
        std::memcpy(address.sun_path + offset, name.data(), name.size());
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                                   name.size() + (abstract ? 0 : 1));
        // Room for every attempt of a test: nobody accepts.
        l.m_ok = ::bind(l.m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                 ::listen(l.m_fd, 16) == 0;
        return l;
    }
    // TCP on 127.0.0.1, on a port the system picks.
    static Listener Tcp() {
        Listener l(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        l.m_ok = ::bind(l.m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                 ::listen(l.m_fd, 16) == 0 &&
                 ::getsockname(l.m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
        l.m_port = ntohs(address.sin_port);
        return l;
    }
    Listener(Listener&& other) noexcept : m_fd(other.m_fd), m_ok(other.m_ok), m_port(other.m_port) {
        other.m_fd = -1;
    }
    ~Listener() { Close(); }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    [[nodiscard]] bool Ok() const { return m_ok; }
    [[nodiscard]] int Port() const { return m_port; }

private:
    explicit Listener(int fd) : m_fd(fd) {}
    int m_fd;
    bool m_ok = false;
    int m_port = 0;
};

DisplayEnvironment X11(const std::string& display, const std::string& platform = {}) {
    DisplayEnvironment environment;
    environment.platform = platform;
    environment.x11Display = display;
    return environment;
}

// A display number nothing listens on yet, high enough to stay clear of
// real servers.
int FreeDisplayNumber() {
    for (int number = 40000 + ::getpid() % 1000; number < 50000; number += 1000) {
        if (!CanReachDisplay(X11(":" + std::to_string(number)))) return number;
    }
    return -1;
}

TEST(DisplayCheck, DisplayNames) {
    using Kind = X11Address::Kind;
    struct Row {
        const char* display;
        Kind kind;
        const char* host;
        int number;
    };
    const Row rows[] = {
        {":0", Kind::Local, "", 0},
        {":1.0", Kind::Local, "", 1},
        {"unix:2", Kind::Local, "", 2},
        {"host/unix:3", Kind::Local, "", 3},
        {"localhost:10.0", Kind::Tcp, "localhost", 10},
        {"tcp/example.org:4", Kind::Tcp, "example.org", 4},
        {"[::1]:5", Kind::Tcp, "::1", 5},
        {"/tmp/launch-x/org.xquartz:0", Kind::SocketPath, "", 0},
        {"", Kind::Invalid, "", 0},
        {"0", Kind::Invalid, "", 0},
        {":", Kind::Invalid, "", 0},
        {":x", Kind::Invalid, "", 0},
        {":-1", Kind::Invalid, "", 0},
        {":99999", Kind::Invalid, "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.display);
        const X11Address address = ParseX11Display(row.display);
        EXPECT_EQ(address.kind, row.kind);
        if (row.kind == Kind::Invalid) continue;
        EXPECT_EQ(address.host, row.host);
        EXPECT_EQ(address.number, row.number);
    }
    EXPECT_EQ(ParseX11Display("/tmp/launch-x/org.xquartz:0").socketPath,
              "/tmp/launch-x/org.xquartz");
}

TEST(DisplayCheck, X11DisplayIsReachedOnlyWhileItsServerListens) {
    const int number = FreeDisplayNumber();
    ASSERT_GE(number, 0);
    const std::string display = ":" + std::to_string(number);
    // A server with only the abstract socket (no file in /tmp/.X11-unix).
    Listener server = Listener::Local("/tmp/.X11-unix/X" + std::to_string(number), true);
    ASSERT_TRUE(server.Ok());
    EXPECT_TRUE(CanReachDisplay(X11(display)));
    EXPECT_TRUE(CanReachDisplay(X11(display + ".0", "xcb")));
    server.Close();
    EXPECT_FALSE(CanReachDisplay(X11(display)));
    EXPECT_FALSE(CanReachDisplay(X11(display, "xcb")));

    // Over TCP, as a forwarded display (ssh -X) is.
    Listener tcp = Listener::Tcp();
    ASSERT_TRUE(tcp.Ok());
    ASSERT_GE(tcp.Port(), 6000);
    const std::string remote = "127.0.0.1:" + std::to_string(tcp.Port() - 6000) + ".0";
    EXPECT_TRUE(CanReachDisplay(X11(remote)));
    tcp.Close();
    EXPECT_FALSE(CanReachDisplay(X11(remote)));

    EXPECT_FALSE(CanReachDisplay(X11("")));
    EXPECT_FALSE(CanReachDisplay(X11("nonsense")));
}

TEST(DisplayCheck, WaylandSocketMustHaveAServer) {
    TempDir runtime;
    DisplayEnvironment environment;
    environment.runtimeDir = runtime / "";
    environment.waylandDisplay = "wayland-test";
    EXPECT_FALSE(CanReachDisplay(environment));
    {
        Listener compositor = Listener::Local(runtime / "wayland-test", false);
        ASSERT_TRUE(compositor.Ok());
        EXPECT_TRUE(CanReachDisplay(environment));
        environment.platform = "wayland";
        EXPECT_TRUE(CanReachDisplay(environment));
        // By its full path too.
        DisplayEnvironment byPath;
        byPath.waylandDisplay = runtime / "wayland-test";
        EXPECT_TRUE(CanReachDisplay(byPath));
    }
    // The compositor is gone, its socket file stays behind.
    EXPECT_FALSE(CanReachDisplay(environment));
    environment.platform = {};
    EXPECT_FALSE(CanReachDisplay(environment));
    // A connection handed down by the compositor needs no socket.
    environment.waylandSocket = "3";
    EXPECT_TRUE(CanReachDisplay(environment));
}

TEST(DisplayCheck, PlatformsChooseWhatIsTried) {
    const int number = FreeDisplayNumber();
    ASSERT_GE(number, 0);
    DisplayEnvironment dead = X11(":" + std::to_string(number));
    // Platforms without a display server decide for themselves.
    for (const char* platform : {"offscreen", "vnc", "minimal", "eglfs"}) {
        SCOPED_TRACE(platform);
        dead.platform = platform;
        EXPECT_TRUE(CanReachDisplay(dead));
    }
    dead.platform = "xcb";
    EXPECT_FALSE(CanReachDisplay(dead));
    dead.platform = "wayland;xcb";
    EXPECT_FALSE(CanReachDisplay(dead));
    // One platform of a list that works is enough.
    dead.platform = "wayland;offscreen";
    EXPECT_TRUE(CanReachDisplay(dead));
    Listener server = Listener::Local("/tmp/.X11-unix/X" + std::to_string(number), true);
    ASSERT_TRUE(server.Ok());
    dead.platform = "wayland;xcb";
    EXPECT_TRUE(CanReachDisplay(dead));
    dead.platform = "xcb:nograb";
    EXPECT_TRUE(CanReachDisplay(dead));
}

}  // namespace
