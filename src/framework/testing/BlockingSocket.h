#pragma once
// Blocking TCP and UDP sockets on the loopback address, for tools and benchmarks that
// play the peer from a thread of their own, or measure what a plain receive
// loop achieves. Nothing here goes beyond 127.0.0.1.

#include <cstddef>
#include <cstdint>

class CBlockingSocket {
public:
    CBlockingSocket() = default;
    ~CBlockingSocket();
    CBlockingSocket(CBlockingSocket&& other) noexcept;
    CBlockingSocket& operator=(CBlockingSocket&& other) noexcept;
    CBlockingSocket(const CBlockingSocket&) = delete;
    CBlockingSocket& operator=(const CBlockingSocket&) = delete;

    // A listener on 127.0.0.1 at a free port (read it back with Port()).
    [[nodiscard]] static CBlockingSocket Listen();
    // A connection to 127.0.0.1 at `port`.
    [[nodiscard]] static CBlockingSocket Connect(std::uint16_t port);
    // A datagram socket bound to 127.0.0.1 at a free port, with the
    // system's default buffer sizes.
    [[nodiscard]] static CBlockingSocket Datagram();

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] std::uint16_t Port() const;
    // Waits for one pending connection.
    [[nodiscard]] CBlockingSocket Accept() const;
    // Sends every byte (several calls when the system takes fewer).
    bool SendAll(const void* data, std::size_t length) const;
    // Waits with poll() until the socket is readable, then reads once, at
    // most `length` bytes: the count, 0 at the end of the stream, -1 on error.
    [[nodiscard]] long WaitAndReceive(void* buffer, std::size_t length) const;
    // Sends one datagram to 127.0.0.1 at `port`, waiting while the system
    // cannot take it; false on an error.
    bool SendDatagram(std::uint16_t port, const void* data, std::size_t length) const;
    // Waits at most `timeoutMs` (-1: for ever) until the socket is readable.
    [[nodiscard]] bool WaitReadable(int timeoutMs) const;
    // Ends the sending direction (the peer then sees the end of the stream).
    void ShutdownSend() const;
    void Close();

private:
    explicit CBlockingSocket(int fd) : m_fd(fd) {}
    int m_fd = -1;
};
