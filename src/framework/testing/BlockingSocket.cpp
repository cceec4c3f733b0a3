#include "framework/testing/BlockingSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include <utility>

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

CBlockingSocket::~CBlockingSocket() {
    Close();
}

CBlockingSocket::CBlockingSocket(CBlockingSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)) {}

CBlockingSocket& CBlockingSocket::operator=(CBlockingSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

CBlockingSocket CBlockingSocket::Listen() {
    CBlockingSocket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener.IsOpen()) return listener;
    const sockaddr_in address = Loopback(0);
    if (::bind(listener.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.m_fd, 1) != 0) {
        listener.Close();
    }
    return listener;
}

CBlockingSocket CBlockingSocket::Connect(std::uint16_t port) {
    CBlockingSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen()) return socket;
    const sockaddr_in address = Loopback(port);
    if (::connect(socket.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        socket.Close();
    }
    return socket;
}

CBlockingSocket CBlockingSocket::Datagram() {
    CBlockingSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket.IsOpen()) return socket;
    const sockaddr_in address = Loopback(0);
    if (::bind(socket.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        socket.Close();
    }
    return socket;
}

std::uint16_t CBlockingSocket::Port() const {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    return ntohs(address.sin_port);
}

CBlockingSocket CBlockingSocket::Accept() const {
    int fd = -1;
    do {
        fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return CBlockingSocket(fd);
}

bool CBlockingSocket::SendAll(const void* data, std::size_t length) const {
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t sent = ::send(m_fd, bytes, length, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

long CBlockingSocket::WaitAndReceive(void* buffer, std::size_t length) const {
    pollfd watched{m_fd, POLLIN, 0};
    while (::poll(&watched, 1, -1) < 0) {
        if (errno != EINTR) return -1;
    }
    ssize_t received = 0;
    do {
        received = ::recv(m_fd, buffer, length, 0);
    } while (received < 0 && errno == EINTR);
    return static_cast<long>(received);
}

bool CBlockingSocket::SendDatagram(std::uint16_t port, const void* data, std::size_t length) const {
    const sockaddr_in address = Loopback(port);
    for (;;) {
        const ssize_t sent = ::sendto(m_fd, data, length, MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (sent >= 0) return true;
        if (errno == EINTR) continue;
        // A full send queue: wait until it drains.
        if (errno == ENOBUFS || errno == EAGAIN) {
            pollfd watched{m_fd, POLLOUT, 0};
            ::poll(&watched, 1, 1);
            continue;
        }
        return false;
    }
}

bool CBlockingSocket::WaitReadable(int timeoutMs) const {
    pollfd watched{m_fd, POLLIN, 0};
    int ready = 0;
    while ((ready = ::poll(&watched, 1, timeoutMs)) < 0) {
        if (errno != EINTR) return false;
    }
    return ready > 0;
}

void CBlockingSocket::ShutdownSend() const {
    if (m_fd >= 0) ::shutdown(m_fd, SHUT_WR);
}

void CBlockingSocket::Close() {
    if (m_fd >= 0) ::close(std::exchange(m_fd, -1));
}
