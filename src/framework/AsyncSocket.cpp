#include "framework/AsyncSocket.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "framework/SocketApi.h"

static_assert(sizeof(SocketAddress) == sizeof(sockaddr_in));
static_assert(offsetof(SocketAddress, port) == offsetof(sockaddr_in, sin_port));
static_assert(offsetof(SocketAddress, address) == offsetof(sockaddr_in, sin_addr));
static_assert(SocketAddress::kFamilyInet == AF_INET);

namespace {

sockaddr_in ToSockaddr(const SocketAddress& address) {
    sockaddr_in sa{};
    std::memcpy(&sa, &address, sizeof sa);
    return sa;
}

SocketAddress FromSockaddr(const sockaddr_in& sa) {
    SocketAddress address;
    address.port = sa.sin_port;
    address.address = sa.sin_addr.s_addr;
    return address;
}

bool DescribeName(const sockaddr_in& sa, std::string& address, UINT& port) {
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text) == nullptr) {
        CAsyncSocket::SetLastError(errno);
        return false;
    }
    address = text;
    port = ntohs(sa.sin_port);
    return true;
}

int SocketOptionInt(int fd, int level, int name) {
    int value = 0;
    socklen_t size = sizeof value;
    if (getsockopt(fd, level, name, &value, &size) != 0) {
        return -1;
    }
    return value;
}

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Refusals and unreachable peers that a connect can report at once on the
// loopback are outcomes of the attempt, not faults of the call.
bool IsConnectOutcome(int error) {
    return error == ECONNREFUSED || error == ETIMEDOUT || error == ECONNRESET ||
           error == EHOSTUNREACH || error == ENETUNREACH;
}

constexpr int kReadsPerWakeup = 16;

bool StillConnecting(int fd) {
    tcp_info info{};
    socklen_t size = sizeof info;
    return getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
           info.tcpi_state == TCP_SYN_SENT;
}

}  // namespace

// One direction of one socket, watched by the toolkit's event dispatcher.
// Overriding event() calls the socket directly, without a signal.
class SocketNotifier final : public QSocketNotifier {
public:
    SocketNotifier(Type type, CAsyncSocket* owner) : QSocketNotifier(type), m_owner(owner) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::SockAct) {
            return QSocketNotifier::event(e);
        }
        // The handler may destroy this notifier: touch nothing afterwards.
        if (type() == Read) {
            m_owner->ReadActivated();
        } else {
            m_owner->WriteActivated();
        }
        return true;
    }

private:
    CAsyncSocket* m_owner;
};

// Marks a handler of this object as running, so that the dispatch code
// knows, once it returns, whether the object still exists.
struct CAsyncSocket::DispatchFrame {
    explicit DispatchFrame(CAsyncSocket* socket) : owner(socket), previous(socket->m_frames) {
        socket->m_frames = this;
    }
    ~DispatchFrame() {
        if (!destroyed) {
            owner->m_frames = previous;
        }
    }
    DispatchFrame(const DispatchFrame&) = delete;
    DispatchFrame& operator=(const DispatchFrame&) = delete;

    CAsyncSocket* owner;
    DispatchFrame* previous;
    bool destroyed = false;
};

SocketAddress SocketAddress::FromNetwork(std::uint32_t networkAddress, std::uint16_t hostPort) {
    SocketAddress address;
    address.port = htons(hostPort);
    address.address = networkAddress;
    return address;
}

std::uint16_t SocketAddress::HostPort() const {
    return ntohs(port);
}

std::string SocketAddress::AddressText() const {
    char text[INET_ADDRSTRLEN] = {};
    in_addr in{};
    in.s_addr = address;
    inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

CAsyncSocket::CAsyncSocket() = default;

CAsyncSocket::~CAsyncSocket() {
    for (DispatchFrame* frame = m_frames; frame != nullptr; frame = frame->previous) {
        frame->destroyed = true;
    }
    if (m_hSocket != INVALID_SOCKET) {
        ::close(m_hSocket);
    }
    // Deleting a notifier also drops an activation the dispatcher still
    // had pending for it, so nothing reaches this object afterwards.
}

int CAsyncSocket::GetLastError() {
    return WSAGetLastError();
}

void CAsyncSocket::SetLastError(int code) {
    WSASetLastError(code);
}

bool CAsyncSocket::Create(UINT port, SocketType type, long events, const char* address) {
    if (m_hSocket != INVALID_SOCKET) {
        SetLastError(EISCONN);
        return false;
    }
    in_addr bindAddress{};
    bindAddress.s_addr = htonl(INADDR_ANY);
    if (address != nullptr && inet_pton(AF_INET, address, &bindAddress) != 1) {
        SetLastError(EINVAL);
        return false;
    }
    if (port > 0xFFFF) {
        SetLastError(EINVAL);
        return false;
    }
    const int kind = type == SocketType::Stream ? SOCK_STREAM : SOCK_DGRAM;
    const int fd = ::socket(AF_INET, kind | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(errno);
        return false;
    }
    // A listener restarted on its port must not be refused because earlier
    // connections of that port are still in TIME_WAIT.
    if (type == SocketType::Stream && port != 0) {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr = bindAddress;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        const int error = errno;
        ::close(fd);
        SetLastError(error);
        return false;
    }
    m_type = type;
    Open(fd, events, type == SocketType::Stream ? Phase::Idle : Phase::Datagram);
    return true;
}

bool CAsyncSocket::Attach(SOCKET socket, long events) {
    const int kind = SocketOptionInt(socket, SOL_SOCKET, SO_TYPE);
    if (kind != SOCK_STREAM && kind != SOCK_DGRAM) {
        SetLastError(kind < 0 ? errno : EPROTOTYPE);
        return false;
    }
    if (!SetNonBlocking(socket)) {
        SetLastError(errno);
        return false;
    }
    if (socket == m_hSocket) {
        Release();  // registered anew below; the socket stays open
    } else {
        Close();
    }
    m_type = kind == SOCK_STREAM ? SocketType::Stream : SocketType::Datagram;
    Phase phase = Phase::Datagram;
    if (m_type == SocketType::Stream) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        if (SocketOptionInt(socket, SOL_SOCKET, SO_ACCEPTCONN) == 1) {
            phase = Phase::Listening;
        } else if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &size) == 0) {
            phase = Phase::Connected;
        } else {
            phase = Phase::Idle;
        }
    }
    Open(socket, events, phase);
    return true;
}

void CAsyncSocket::Open(SOCKET socket, long events, Phase phase) {
    if (m_type == SocketType::Stream) {
        // Urgent data stays in the byte stream, in its place: without this
        // the system takes the urgent byte out and an ordinary read never
        // sees it. Set before the socket connects or listens, so that it
        // holds from the first byte; an accepted socket inherits it from its
        // listener and is given it again here.
        const int on = 1;
        setsockopt(socket, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
    }
    m_hSocket = socket;
    m_events = events;
    ++m_generation;
    m_inReadHandler = false;
    m_readCalled = false;
    m_readSuspended = false;
    m_writeRequested = false;
    m_connectResultKnown = false;
    m_connectResult = 0;
    m_pendingError = 0;
    m_knownWaiting = 0;
    if (!m_readNotifier) {
        m_readNotifier = std::make_unique<SocketNotifier>(QSocketNotifier::Read, this);
        m_writeNotifier = std::make_unique<SocketNotifier>(QSocketNotifier::Write, this);
    }
    m_readNotifier->setSocket(socket);
    m_writeNotifier->setSocket(socket);
    m_readWatched = false;
    m_writeWatched = false;
    Watch(phase);
}

// Sets the phase and the notifiers that belong to it. A stream socket that
// is neither connecting, connected nor listening is not watched at all: the
// system reports it as hung up, which would read as a close.
void CAsyncSocket::Watch(Phase phase) {
    m_phase = phase;
    switch (phase) {
    case Phase::Closed:
    case Phase::Idle:
    case Phase::Finished:
        SetReadWatch(false);
        SetWriteWatch(m_writeRequested && phase == Phase::Finished);
        break;
    case Phase::Connecting:
        // A failed attempt may show up on either side first.
        SetReadWatch(true);
        SetWriteWatch(true);
        break;
    case Phase::Connected:
    case Phase::Listening:
    case Phase::Datagram:
        SetReadWatch(true);
        SetWriteWatch(m_writeRequested);
        break;
    }
}

void CAsyncSocket::SetReadWatch(bool on) {
    if (m_readWatched != on) {
        m_readWatched = on;
        m_readNotifier->setEnabled(on);
    }
}

void CAsyncSocket::SetWriteWatch(bool on) {
    if (m_writeWatched != on) {
        m_writeWatched = on;
        m_writeNotifier->setEnabled(on);
    }
}

void CAsyncSocket::Close() {
    if (m_hSocket == INVALID_SOCKET) {
        return;
    }
    const SOCKET socket = m_hSocket;
    Release();
    ::close(socket);
}

// Stops watching the socket and forgets it. Disabling the notifiers also
// drops activations the dispatcher still holds for it.
void CAsyncSocket::Release() {
    m_knownWaiting = 0;
    m_writeRequested = false;
    Watch(Phase::Closed);
    m_hSocket = INVALID_SOCKET;
    ++m_generation;
    m_inReadHandler = false;
    m_readSuspended = false;
}

bool CAsyncSocket::Connect(const SocketAddress& address) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return false;
    }
    const sockaddr_in sa = ToSockaddr(address);
    const int rc = ::connect(m_hSocket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    const int error = rc == 0 ? 0 : errno;
    if (m_type == SocketType::Datagram) {
        // Only sets the default peer; there is no attempt to report.
        SetLastError(error);
        return rc == 0;
    }
    if (rc != 0 && error != EINPROGRESS && !IsConnectOutcome(error)) {
        SetLastError(error);
        return false;
    }
    m_connectResultKnown = error != EINPROGRESS;
    m_connectResult = error;
    Watch(Phase::Connecting);
    if (rc == 0) {
        return true;
    }
    SetLastError(EINPROGRESS);
    return false;
}

bool CAsyncSocket::Listen(int backlog) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return false;
    }
    if (::listen(m_hSocket, backlog) != 0) {
        SetLastError(errno);
        return false;
    }
    Watch(Phase::Listening);
    return true;
}

bool CAsyncSocket::Accept(CAsyncSocket& target) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return false;
    }
    ReenableRead();
    if (target.m_hSocket != INVALID_SOCKET) {
        SetLastError(EISCONN);
        return false;
    }
    const int fd = ::accept4(m_hSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        SetLastError(errno);
        return false;
    }
    target.m_type = SocketType::Stream;
    target.Open(fd, m_events, Phase::Connected);
    return true;
}

// A call that reads re-enables the read-side notification. Inside the
// handler the notifier is left as it is (the common case costs nothing);
// the dispatch code settles it when the handler returns.
void CAsyncSocket::ReenableRead() {
    m_readCalled = true;
    if (!m_inReadHandler && !m_readWatched &&
        (m_phase == Phase::Connected || m_phase == Phase::Listening ||
         m_phase == Phase::Datagram)) {
        SetReadWatch(true);
    }
}

int CAsyncSocket::TakePendingError() {
    return std::exchange(m_pendingError, 0);
}

bool CAsyncSocket::BeginReceive(int length) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return false;
    }
    // Any call re-enables the read notification, even one that fails.
    ReenableRead();
    if (length < 0) {
        SetLastError(EINVAL);
        return false;
    }
    if (const int error = TakePendingError(); error != 0) {
        SetLastError(error);
        return false;
    }
    return true;
}

int CAsyncSocket::Receive(void* buffer, int length, int flags) {
    if (m_type == SocketType::Datagram) {
        return ReceiveFrom(buffer, length, nullptr, flags);
    }
    if (!BeginReceive(length)) return SOCKET_ERROR;
    const ssize_t n = ::recv(m_hSocket, buffer, static_cast<size_t>(length), flags);
    if (n < 0) {
        m_knownWaiting = 0;
        SetLastError(errno);
        return SOCKET_ERROR;
    }
    if ((flags & MSG_PEEK) == 0)
        m_knownWaiting = std::max(0L, m_knownWaiting - static_cast<long>(n));
    return static_cast<int>(n);
}

int CAsyncSocket::ReceiveFrom(void* buffer, int length, SocketAddress* from, int flags) {
    if (!BeginReceive(length)) return SOCKET_ERROR;
    sockaddr_in sender{};
    iovec part{buffer, static_cast<size_t>(length)};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    const ssize_t n = ::recvmsg(m_hSocket, &message, flags);
    if (n < 0) {
        SetLastError(errno);
        return SOCKET_ERROR;
    }
    // The system hands over the head of a datagram longer than the buffer
    // and drops the rest; the caller must not take the head for the whole.
    if (m_type == SocketType::Datagram && (message.msg_flags & MSG_TRUNC) != 0) {
        SetLastError(EMSGSIZE);
        return SOCKET_ERROR;
    }
    if (from != nullptr) {
        *from = FromSockaddr(sender);
    }
    return static_cast<int>(n);
}

int CAsyncSocket::Send(const void* data, int length, int flags) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return SOCKET_ERROR;
    }
    if (length < 0) {
        SetLastError(EINVAL);
        return SOCKET_ERROR;
    }
    const ssize_t n = ::send(m_hSocket, data, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    if (n < 0) {
        SetLastError(errno);
        return SOCKET_ERROR;
    }
    return static_cast<int>(n);
}

int CAsyncSocket::SendTo(const void* data, int length, const SocketAddress& to, int flags) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return SOCKET_ERROR;
    }
    if (length < 0) {
        SetLastError(EINVAL);
        return SOCKET_ERROR;
    }
    const sockaddr_in sa = ToSockaddr(to);
    const ssize_t n = ::sendto(m_hSocket, data, static_cast<size_t>(length), flags | MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n < 0) {
        SetLastError(errno);
        return SOCKET_ERROR;
    }
    return static_cast<int>(n);
}

int CAsyncSocket::SendSlices(const SendSlice* slices, int count, const SocketAddress* to,
                             int flags) {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return SOCKET_ERROR;
    }
    if (count < 0 || count > kMaxSendSlices) {
        SetLastError(EINVAL);
        return SOCKET_ERROR;
    }
    iovec pieces[kMaxSendSlices];
    for (int i = 0; i < count; ++i) {
        pieces[i].iov_base = const_cast<void*>(slices[i].data);
        pieces[i].iov_len = slices[i].size;
    }
    sockaddr_in sa{};
    msghdr message{};
    if (to != nullptr) {
        sa = ToSockaddr(*to);
        message.msg_name = &sa;
        message.msg_namelen = sizeof sa;
    }
    message.msg_iov = pieces;
    message.msg_iovlen = static_cast<std::size_t>(count);
    const ssize_t n = ::sendmsg(m_hSocket, &message, flags | MSG_NOSIGNAL);
    if (n < 0) {
        SetLastError(errno);
        return SOCKET_ERROR;
    }
    return static_cast<int>(n);
}

bool CAsyncSocket::RequestWriteNotification() {
    if (m_hSocket == INVALID_SOCKET) {
        SetLastError(ENOTSOCK);
        return false;
    }
    m_writeRequested = true;
    // While connecting, the write side is already watched; the request is
    // served after OnConnect.
    if (m_phase != Phase::Connecting && m_phase != Phase::Idle) {
        SetWriteWatch(true);
    }
    return true;
}

namespace {

// getpeername or getsockname, with the address as dotted text and the port
// in host order.
template <class NameCall>
bool NameOfSocket(SOCKET socket, NameCall call, std::string& address, UINT& port) {
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    if (socket == INVALID_SOCKET) {
        CAsyncSocket::SetLastError(ENOTSOCK);
        return false;
    }
    if (call(socket, reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
        CAsyncSocket::SetLastError(errno);
        return false;
    }
    return DescribeName(sa, address, port);
}

}  // namespace

bool CAsyncSocket::GetPeerName(std::string& address, UINT& port) const {
    return NameOfSocket(m_hSocket, ::getpeername, address, port);
}

bool CAsyncSocket::GetSockName(std::string& address, UINT& port) const {
    return NameOfSocket(m_hSocket, ::getsockname, address, port);
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}
void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}

// ---- Dispatch -------------------------------------------------------------

void CAsyncSocket::ReadActivated() {
    if (m_inReadHandler) {
        // A nested event loop inside this endpoint's read handler: hold the
        // read side until the handler returns.
        SetReadWatch(false);
        m_readSuspended = true;
        return;
    }
    switch (m_phase) {
    case Phase::Connecting:
        FinishConnect();
        return;
    case Phase::Listening:
        DeliverRead(&CAsyncSocket::OnAccept, 0);
        return;
    case Phase::Connected:
    case Phase::Datagram:
        break;
    default:
        SetReadWatch(false);
        return;
    }
    // While the handler keeps reading and bytes keep coming, raise the next
    // notifications from here: one wake-up of the event loop then serves a
    // few reads. The bound keeps timers, paints and other sockets served.
    for (int round = 0; round < kReadsPerWakeup; ++round) {
        if (m_phase == Phase::Connected && m_knownWaiting > 0) {
            if (!DeliverRead(&CAsyncSocket::OnReceive, 0)) return;
            continue;
        }
        int waiting = 0;
        if (::ioctl(m_hSocket, FIONREAD, &waiting) != 0) {
            const int error = errno;
            if (error == EINVAL && SocketOptionInt(m_hSocket, SOL_SOCKET, SO_ACCEPTCONN) == 1) {
                // Put into listening by a direct call on the handle.
                Watch(Phase::Listening);
                DeliverRead(&CAsyncSocket::OnAccept, 0);
                return;
            }
            DeliverRead(&CAsyncSocket::OnReceive, error);
            return;
        }
        if (waiting == 0) {
            if (round > 0) {
                return;  // the next wake-up sorts out what the quiet means
            }
            if (m_phase == Phase::Connected) {
                ReadStreamEnd();
            } else {
                ReadEmptyDatagram();
            }
            return;
        }
        if (m_phase == Phase::Connected) m_knownWaiting = waiting;
        if (!DeliverRead(&CAsyncSocket::OnReceive, 0)) {
            return;
        }
    }
}

// Readable with nothing waiting: the peer has shut down, the connection
// broke, or the wake-up was spurious.
void CAsyncSocket::ReadStreamEnd() {
    char probe = 0;
    const ssize_t n = ::recv(m_hSocket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {  // arrived since the query
        DeliverRead(&CAsyncSocket::OnReceive, 0);
    } else if (n == 0) {
        DeliverClose(0);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        DeliverClose(errno);
    }
}

// A zero-length datagram is taken off the queue without a notification. A
// pending socket error is raised with OnReceive and owed to the next
// Receive, since taking it here clears it in the system.
void CAsyncSocket::ReadEmptyDatagram() {
    char none = 0;
    const ssize_t n = ::recv(m_hSocket, &none, 0, MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        m_pendingError = errno;
        DeliverRead(&CAsyncSocket::OnReceive, m_pendingError);
    }
}

bool CAsyncSocket::DeliverRead(void (CAsyncSocket::*handler)(int), int error) {
    const long bit = handler == &CAsyncSocket::OnAccept ? FD_ACCEPT : FD_READ;
    if ((m_events & bit) == 0) {
        SetReadWatch(false);
        return false;
    }
    const unsigned generation = m_generation;
    m_readCalled = false;
    m_inReadHandler = true;
    {
        DispatchFrame frame(this);
        (this->*handler)(error);
        if (frame.destroyed) {
            return false;
        }
    }
    if (generation != m_generation) {
        return false;  // closed (and perhaps reopened) by the handler
    }
    m_inReadHandler = false;
    if (!m_readCalled) {
        SetReadWatch(false);  // until Receive or Accept is called
        m_readSuspended = false;
        return false;
    }
    if (std::exchange(m_readSuspended, false)) {
        SetReadWatch(true);
    }
    return m_readWatched;
}

void CAsyncSocket::DeliverClose(int error) {
    // Raised once: the end of stream stays readable, so stop watching it.
    Watch(Phase::Finished);
    if ((m_events & FD_CLOSE) != 0) {
        DeliverOnce(&CAsyncSocket::OnClose, error);
    }
}

void CAsyncSocket::DeliverOnce(void (CAsyncSocket::*handler)(int), int error) {
    DispatchFrame frame(this);
    (this->*handler)(error);
}

void CAsyncSocket::FinishConnect() {
    int error = m_connectResult;
    if (!m_connectResultKnown) {
        error = SocketOptionInt(m_hSocket, SOL_SOCKET, SO_ERROR);
        if (error < 0) {
            error = errno;
        } else if (error == 0) {
            sockaddr_in peer{};
            socklen_t size = sizeof peer;
            if (getpeername(m_hSocket, reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
                if (StillConnecting(m_hSocket)) {
                    return;  // a spurious wake-up
                }
                error = ENOTCONN;  // failed, and its error was taken by someone else
            }
        }
    }
    Watch(error == 0 ? Phase::Connected : Phase::Finished);
    if (error != 0) {
        m_writeRequested = false;
        SetWriteWatch(false);
    }
    if ((m_events & FD_CONNECT) != 0) {
        DeliverOnce(&CAsyncSocket::OnConnect, error);
    }
}

void CAsyncSocket::WriteActivated() {
    if (m_phase == Phase::Connecting) {
        FinishConnect();
        return;
    }
    SetWriteWatch(false);
    if (!std::exchange(m_writeRequested, false) || (m_events & FD_WRITE) == 0) {
        return;
    }
    DeliverOnce(&CAsyncSocket::OnSend, 0);
}
