#include "framework/qt/DisplayCheck.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// A remote display gets this long to answer.
constexpr int kConnectTimeoutMs = 3000;
constexpr int kX11TcpPortBase = 6000;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int Get() const { return m_fd; }

private:
    int m_fd;
};

// Connects without blocking longer than the time-out.
bool ConnectWithin(int fd, const sockaddr* address, socklen_t length) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
    if (::connect(fd, address, length) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd wait{fd, POLLOUT, 0};
    if (::poll(&wait, 1, kConnectTimeoutMs) != 1) return false;
    int error = 0;
    socklen_t size = sizeof(error);
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

// A local stream socket by file name, or in the abstract namespace (the
// name after a leading NUL), as X servers on Linux listen on both.
bool ConnectLocal(std::string_view name, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (name.empty() || name.size() + offset >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path + offset, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                               name.size() + (abstract ? 0 : 1));
    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return fd.Get() >= 0 &&
           ConnectWithin(fd.Get(), reinterpret_cast<const sockaddr*>(&address), length);
}

bool ConnectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return false;
    bool connected = false;
    for (const addrinfo* a = found; a && !connected; a = a->ai_next) {
        Descriptor fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
        connected = fd.Get() >= 0 && ConnectWithin(fd.Get(), a->ai_addr, a->ai_addrlen);
    }
    ::freeaddrinfo(found);
    return connected;
}

bool CanReachX11(const std::string& display) {
    const X11Address address = ParseX11Display(display);
    switch (address.kind) {
    case X11Address::Kind::Local: {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(address.number);
        return ConnectLocal(socket, true) || ConnectLocal(socket, false);
    }
    case X11Address::Kind::SocketPath:
        return ConnectLocal(address.socketPath, false);
    case X11Address::Kind::Tcp:
        return ConnectTcp(address.host, kX11TcpPortBase + address.number);
    case X11Address::Kind::Invalid:
        break;
    }
    return false;
}

bool CanReachWayland(const DisplayEnvironment& environment) {
    if (!environment.waylandSocket.empty()) return true;
    // The client library's own default name.
    const std::string name =
        environment.waylandDisplay.empty() ? "wayland-0" : environment.waylandDisplay;
    if (name.front() == '/') return ConnectLocal(name, false);
    if (environment.runtimeDir.empty()) return false;
    return ConnectLocal(environment.runtimeDir + "/" + name, false);
}

}  // namespace

DisplayEnvironment DisplayEnvironment::FromProcess() {
    return {Variable("QT_QPA_PLATFORM"), Variable("DISPLAY"), Variable("WAYLAND_DISPLAY"),
            Variable("WAYLAND_SOCKET"), Variable("XDG_RUNTIME_DIR")};
}

X11Address ParseX11Display(std::string_view display) {
    X11Address address;
    const std::size_t colon = display.rfind(':');
    if (colon == std::string_view::npos) return address;
    // The number, and an optional ".screen" after it.
    std::string_view number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    const char* end = number.data() + number.size();
    if (number.empty() || std::from_chars(number.data(), end, address.number).ptr != end ||
        address.number < 0 || address.number > 0xFFFF - kX11TcpPortBase) {
        return address;
    }
    std::string_view host = display.substr(0, colon);
    if (!host.empty() && host.front() == '/') {
        address.kind = X11Address::Kind::SocketPath;
        address.socketPath = std::string(host);
        return address;
    }
    std::string_view protocol;
    if (const std::size_t slash = host.find('/'); slash != std::string_view::npos) {
        protocol = host.substr(0, slash);
        host = host.substr(slash + 1);
    }
    // "host/unix:0" and "unix:0" name the local socket; "::1:0" style
    // addresses come in brackets.
    if (protocol == "unix" || host.empty() || host == "unix") {
        address.kind = X11Address::Kind::Local;
        return address;
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    address.kind = X11Address::Kind::Tcp;
    address.host = std::string(host);
    return address;
}

bool CanReachDisplay(const DisplayEnvironment& environment) {
    const std::string& platforms = environment.platform;
    if (platforms.empty()) {
        // The toolkit's own choice: X11, or Wayland in a Wayland session.
        return (!environment.x11Display.empty() && CanReachX11(environment.x11Display)) ||
               ((!environment.waylandDisplay.empty() || !environment.waylandSocket.empty()) &&
                CanReachWayland(environment));
    }
    // A list ("wayland;xcb") is tried in order; one platform that works is enough.
    std::size_t start = 0;
    while (start <= platforms.size()) {
        std::size_t stop = platforms.find(';', start);
        if (stop == std::string::npos) stop = platforms.size();
        std::string_view name = std::string_view(platforms).substr(start, stop - start);
        name = name.substr(0, name.find(':'));  // "xcb:option=value"
        if (name == "xcb") {
            if (!environment.x11Display.empty() && CanReachX11(environment.x11Display)) return true;
        } else if (name.substr(0, 7) == "wayland") {
            if (CanReachWayland(environment)) return true;
        } else if (!name.empty()) {
            return true;
        }
        start = stop + 1;
    }
    return false;
}
