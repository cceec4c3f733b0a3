#pragma once
// CAsyncSocket: a non-blocking IPv4 socket whose events arrive as virtual
// notifications on the user-interface thread, dispatched by the toolkit's
// event loop (also inside modal loops a handler opens).
//
// Event model, per endpoint:
// - OnConnect(error) once when a non-blocking Connect completes; error 0 on
//   success, else the reason (ECONNREFUSED, ETIMEDOUT...).
// - OnReceive(0) when bytes (or a datagram) are waiting. It is not raised
//   again until the program has called Receive or ReceiveFrom on the
//   endpoint; if bytes remain after that call, the next one follows. It is
//   never raised while the endpoint's previous OnReceive is still running,
//   even when that handler runs a nested event loop. A zero-length datagram
//   is consumed without a notification.
// - OnAccept(0) on a listening endpoint when a peer is pending; re-enabled
//   by Accept the same way.
// - OnClose(0) once the peer has shut down in order and every byte before
//   the shutdown has been read; OnClose(error) when the connection broke
//   (ECONNRESET...). Raised once; the endpoint stays open until Close.
// - OnSend(0) once, when the socket can take more bytes after
//   RequestWriteNotification(). A sender that was given a short count or
//   EAGAIN asks for it and sends the rest from OnSend.
// - OnOutOfBandData is never raised: a stream socket keeps urgent data in
//   the normal stream (SO_OOBINLINE), so Receive returns it in its place.
// Close discards whatever was pending for the socket: no handler runs for it
// afterwards, even if the object opens a new socket at once. A handler may
// close or destroy its own object.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/WinDef.h"

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

// Event mask bits, as Create, Attach and Accept take them.
constexpr long FD_READ = 1;
constexpr long FD_WRITE = 2;
constexpr long FD_OOB = 4;
constexpr long FD_ACCEPT = 8;
constexpr long FD_CONNECT = 16;
constexpr long FD_CLOSE = 32;
constexpr long FD_ALL_EVENTS = 63;

enum class SocketType { Stream, Datagram };

// An IPv4 socket address with the memory layout of the system's 16-byte
// one: family, port in network byte order, address in network byte order.
struct SocketAddress {
    static constexpr std::uint16_t kFamilyInet = 2;

    std::uint16_t family = kFamilyInet;
    std::uint16_t port = 0;     // network byte order
    std::uint32_t address = 0;  // network byte order
    std::uint8_t zero[8] = {};

    // From a network-order address and a host-order port.
    [[nodiscard]] static SocketAddress FromNetwork(std::uint32_t networkAddress,
                                                   std::uint16_t hostPort);

    [[nodiscard]] std::uint16_t HostPort() const;
    [[nodiscard]] std::string AddressText() const;  // dotted decimal
};
static_assert(sizeof(SocketAddress) == 16);

// Byte-order helpers for 16- and 32-bit values (their own inverse).
[[nodiscard]] constexpr std::uint16_t SwapToNetwork16(std::uint16_t v) {
    if constexpr (std::endian::native == std::endian::big) {
        return v;
    } else {
        return static_cast<std::uint16_t>((v >> 8) | (v << 8));
    }
}
[[nodiscard]] constexpr std::uint32_t SwapToNetwork32(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) {
        return v;
    } else {
        return (v >> 24) | ((v >> 8) & 0xFF00U) | ((v << 8) & 0xFF0000U) | (v << 24);
    }
}

// One run of bytes of a gathered send.
struct SendSlice {
    const void* data = nullptr;
    std::size_t size = 0;
};
// The most slices one gathered send takes (the system's own limit).
inline constexpr int kMaxSendSlices = 1024;

class SocketNotifier;

class CAsyncSocket {
public:
    CAsyncSocket();
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // The open socket, or INVALID_SOCKET while the endpoint is closed.
    SOCKET m_hSocket = INVALID_SOCKET;

    // Opens an AF_INET socket bound to `address` (dotted text; null means
    // any) and `port` (0: any free port), non-blocking, registered for the
    // events in `events`. A stream socket with a fixed port may reuse a port
    // whose earlier connections linger in TIME_WAIT (a second listener on
    // it still fails with EADDRINUSE). On failure returns false, the
    // endpoint stays closed and GetLastError() gives the cause.
    bool Create(UINT port = 0, SocketType type = SocketType::Stream, long events = FD_ALL_EVENTS,
                const char* address = nullptr);
    // Adopts an open socket (closing any socket held before) and registers
    // it as Create would; a listening or connected socket is watched as such.
    bool Attach(SOCKET socket, long events = FD_ALL_EVENTS);

    // Starts a connection. True when connected at once; false otherwise,
    // with EINPROGRESS as the last error while the attempt goes on. Either
    // way the outcome arrives as OnConnect. A refusal the system reports at
    // once also arrives as OnConnect; other immediate failures return false
    // with their error and raise nothing.
    bool Connect(const SocketAddress& address);
    bool Listen(int backlog = 5);
    // Accepts a pending connection into `target`, which must be closed. The
    // target gets this endpoint's event mask. Re-enables OnAccept.
    virtual bool Accept(CAsyncSocket& target);
    // Closes the socket; a no-op on a closed endpoint.
    virtual void Close();

    // Bytes read (0 at end of stream), or SOCKET_ERROR. On a datagram
    // socket a datagram longer than the buffer fails with EMSGSIZE and is
    // discarded. Each call re-enables OnReceive.
    virtual int Receive(void* buffer, int length, int flags = 0);
    // Bytes taken by the system (possibly fewer than `length`), or
    // SOCKET_ERROR; EAGAIN when it can take nothing now. Never raises SIGPIPE.
    virtual int Send(const void* data, int length, int flags = 0);
    // As Receive, also giving the sender's address when `from` is not null.
    int ReceiveFrom(void* buffer, int length, SocketAddress* from, int flags = 0);
    int SendTo(const void* data, int length, const SocketAddress& to, int flags = 0);
    // As Send, or SendTo when `to` is given, with the bytes gathered in order
    // from up to kMaxSendSlices slices in one system call: bytes held in
    // pieces go out as one block (one datagram) without being copied
    // together first. The slices must not add up to more than INT_MAX bytes.
    int SendSlices(const SendSlice* slices, int count, const SocketAddress* to = nullptr,
                   int flags = 0);

    // Asks for one OnSend(0) when the socket can take more bytes. Returns
    // false on a closed endpoint.
    bool RequestWriteNotification();

    [[nodiscard]] bool GetPeerName(std::string& address, UINT& port) const;
    [[nodiscard]] bool GetSockName(std::string& address, UINT& port) const;

    // The calling thread's last socket error: an errno value, or a resolver
    // code from SocketApi.h.
    [[nodiscard]] static int GetLastError();
    static void SetLastError(int code);

    // Changes with every open and close of the endpoint: a handler can tell
    // whether what it was told about is still the socket the object holds.
    [[nodiscard]] unsigned Generation() const { return m_generation; }

    // Notifications; the base versions do nothing.
    virtual void OnReceive(int nErrorCode);
    virtual void OnSend(int nErrorCode);
    virtual void OnOutOfBandData(int nErrorCode);
    virtual void OnAccept(int nErrorCode);
    virtual void OnConnect(int nErrorCode);
    virtual void OnClose(int nErrorCode);

private:
    friend class SocketNotifier;
    struct DispatchFrame;
    enum class Phase { Closed, Idle, Connecting, Connected, Listening, Datagram, Finished };

    void Open(SOCKET socket, long events, Phase phase);
    void Release();
    void Watch(Phase phase);
    void SetReadWatch(bool on);
    void SetWriteWatch(bool on);
    void ReenableRead();
    // What every receive call does first: re-enable the read notification,
    // check the endpoint and the length, hand over an error the layer held.
    bool BeginReceive(int length);
    int TakePendingError();

    // Called by the notifiers when the socket is readable or writable.
    void ReadActivated();
    void WriteActivated();
    void ReadStreamEnd();
    void ReadEmptyDatagram();
    void FinishConnect();
    // Runs one read-side handler under the re-entrancy rules; true when the
    // endpoint may be told again at once.
    bool DeliverRead(void (CAsyncSocket::*handler)(int), int error);
    void DeliverClose(int error);
    void DeliverOnce(void (CAsyncSocket::*handler)(int), int error);

    long m_events = 0;
    Phase m_phase = Phase::Closed;
    SocketType m_type = SocketType::Stream;
    unsigned m_generation = 0;     // changes with every open and close
    bool m_readWatched = false;    // read notifier enabled
    bool m_writeWatched = false;   // write notifier enabled
    bool m_inReadHandler = false;  // OnReceive/OnAccept running
    bool m_readCalled = false;     // Receive/Accept called since it was raised
    bool m_readSuspended = false;  // disabled while its handler runs
    bool m_writeRequested = false;
    bool m_connectResultKnown = false;  // Connect saw the outcome at once
    int m_connectResult = 0;
    int m_pendingError = 0;  // error read by the layer, owed to Receive
    // Stream bytes known to be waiting: the last count the system gave,
    // less what Receive has taken since. Only reads shrink a stream's
    // queue, so while this is above zero the next notification needs no
    // query of its own.
    long m_knownWaiting = 0;
    DispatchFrame* m_frames = nullptr;  // handlers of this object running now
    std::unique_ptr<SocketNotifier> m_readNotifier;
    std::unique_ptr<SocketNotifier> m_writeNotifier;
};
