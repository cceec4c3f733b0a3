#pragma once
// Socket test helpers: draining the event loop, raw loopback peers, and an
// endpoint that records what it is told.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/AsyncSocket.h"
#include "framework/testing/EventPump.h"
#include "framework/testing/SocketSetup.h"

namespace sockettest {

// Lets the dispatcher deliver whatever is ready, a few rounds over. What a
// notification would report is already in the kernel, so one that should
// not come would have come by then.
inline void Drain(int rounds = 20) {
    for (int i = 0; i < rounds; ++i) {
        PumpMessages();
    }
}

// `size` pseudo-random bytes, the same for the same `seed`.
inline std::string Pattern(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        Reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    int Release() { return std::exchange(m_fd, -1); }
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

inline sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

inline std::uint16_t LocalPort(int fd) {
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size);
    return ntohs(sa.sin_port);
}

inline std::uint16_t LocalPort(const CAsyncSocket& socket) {
    return LocalPort(socket.m_hSocket);
}

// Raw sockets on 127.0.0.1 at ports the system picks.
inline Fd RawSocket(int type, int backlog = 0) {
    Fd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Loopback(0);
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    if (backlog > 0) {
        ::listen(fd.get(), backlog);
    }
    return fd;
}
inline Fd RawListener() {
    return RawSocket(SOCK_STREAM, 8);
}
inline Fd RawUdp() {
    return RawSocket(SOCK_DGRAM);
}

inline Fd RawConnect(std::uint16_t port) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Loopback(port);
    ::connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return fd;
}

inline bool SendDatagram(int fd, std::uint16_t port, const std::string& payload) {
    sockaddr_in to = Loopback(port);
    return ::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(payload.size());
}

inline bool SendAll(int fd, const std::string& payload) {
    std::size_t done = 0;
    ssize_t n = 0;
    while (done < payload.size() &&
           (n = ::send(fd, payload.data() + done, payload.size() - done, MSG_NOSIGNAL)) > 0) {
        done += static_cast<std::size_t>(n);
    }
    return done == payload.size();
}

struct Event {
    enum Kind { Receive, Send, Accept, Connect, Close } kind;
    int code;
    bool operator==(const Event&) const = default;
};

// Records every notification in order, then runs the optional action for
// it (which may close or destroy the object).
class RecordingSocket : public CAsyncSocket {
public:
    using Action = std::function<void(RecordingSocket&, int)>;
    std::vector<Event> events;
    Action onReceive;
    Action onSend;
    Action onAccept;

    [[nodiscard]] int Count(Event::Kind kind) const {
        int n = 0;
        for (const Event& e : events) {
            n += e.kind == kind ? 1 : 0;
        }
        return n;
    }

    void OnReceive(int code) override { Record(Event::Receive, code, onReceive); }
    void OnSend(int code) override { Record(Event::Send, code, onSend); }
    void OnAccept(int code) override { Record(Event::Accept, code, onAccept); }
    void OnConnect(int code) override { Record(Event::Connect, code, {}); }
    void OnClose(int code) override { Record(Event::Close, code, {}); }

private:
    void Record(Event::Kind kind, int code, Action action) {
        events.push_back({kind, code});
        if (action) {
            action(*this, code);  // a copy: it may destroy this object
        }
    }
};

// Connects `client` to a raw listener and returns the accepted peer, once
// OnConnect(0) has come.
inline Fd ConnectToRawPeer(RecordingSocket& client) {
    Fd listener = RawListener();
    if (!client.Create()) {
        return Fd();
    }
    client.Connect(AddressFromText("127.0.0.1", LocalPort(listener.get())));
    if (!PumpUntil([&] { return client.Count(Event::Connect) == 1; })) {
        return Fd();
    }
    return Fd(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

}  // namespace sockettest
