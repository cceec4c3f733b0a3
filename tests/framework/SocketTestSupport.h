#pragma once
// Helpers for the socket tests: an event pump with a time bound, blocking
// loopback peers on raw sockets, and an endpoint that records what it is told.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/AsyncSocket.h"

namespace sockettest {

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 5000)
{
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > ms) {
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
    return done();
}

// Lets the dispatcher poll and deliver whatever is ready now, a few times
// over: a notification that should not come would have come by then, since
// what it waits for is already in the kernel.
inline void Drain(int rounds = 20)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// A file descriptor closed with its owner.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    int Release() { return std::exchange(m_fd, -1); }
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd = -1;
};

inline sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

inline std::uint16_t LocalPort(int fd)
{
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size);
    return ntohs(sa.sin_port);
}

inline std::uint16_t LocalPort(const CAsyncSocket& socket)
{
    std::string address;
    UINT port = 0;
    return socket.GetSockName(address, port) ? static_cast<std::uint16_t>(port) : 0;
}

// A listening TCP socket on 127.0.0.1 at a port the system picks.
inline Fd RawListener(int backlog = 8)
{
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Loopback(0);
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(fd.get(), backlog);
    return fd;
}

inline Fd RawConnect(std::uint16_t port)
{
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Loopback(port);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        return Fd();
    }
    return fd;
}

inline Fd RawUdp()
{
    Fd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Loopback(0);
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return fd;
}

inline bool SendDatagram(int fd, std::uint16_t port, const std::string& payload)
{
    sockaddr_in to = Loopback(port);
    return ::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(payload.size());
}

inline bool SendAll(int fd, const std::string& payload)
{
    std::size_t done = 0;
    while (done < payload.size()) {
        const ssize_t n = ::send(fd, payload.data() + done, payload.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// What one endpoint was told, in order.
struct Event {
    enum Kind { Receive, Send, Accept, Connect, Close } kind;
    int code;
    bool operator==(const Event&) const = default;
};

class RecordingSocket : public CAsyncSocket {
public:
    std::vector<Event> events;
    // Optional actions, run after the event is recorded.
    std::function<void(RecordingSocket&, int)> onReceive;
    std::function<void(RecordingSocket&, int)> onSend;
    std::function<void(RecordingSocket&, int)> onAccept;
    std::function<void(RecordingSocket&, int)> onConnect;
    std::function<void(RecordingSocket&, int)> onClose;

    [[nodiscard]] int Count(Event::Kind kind) const
    {
        int n = 0;
        for (const Event& e : events) {
            n += e.kind == kind ? 1 : 0;
        }
        return n;
    }

    void OnReceive(int code) override { Record(Event::Receive, code, onReceive); }
    void OnSend(int code) override { Record(Event::Send, code, onSend); }
    void OnAccept(int code) override { Record(Event::Accept, code, onAccept); }
    void OnConnect(int code) override { Record(Event::Connect, code, onConnect); }
    void OnClose(int code) override { Record(Event::Close, code, onClose); }

private:
    void Record(Event::Kind kind, int code,
                const std::function<void(RecordingSocket&, int)>& action)
    {
        events.push_back({kind, code});
        if (action) {
            // A copy: the action may replace itself or destroy this object.
            auto run = action;
            run(*this, code);
        }
    }
};

// Connects `client` (Create + Connect) to a raw listener and returns the
// accepted peer, after OnConnect(0).
inline Fd ConnectToRawPeer(RecordingSocket& client)
{
    Fd listener = RawListener();
    if (!client.Create()) {
        return Fd();
    }
    client.Connect(SocketAddress::FromText("127.0.0.1", LocalPort(listener.get())));
    if (!PumpUntil([&] { return client.Count(Event::Connect) == 1; })) {
        return Fd();
    }
    return Fd(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

}  // namespace sockettest
