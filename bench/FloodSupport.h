#pragma once
// What the flood benchmarks share: the loopback peer that streams the
// bytes, and the bare receiver every window is measured against (one poll()
// and one read of at most 1024 bytes per wakeup, nothing else).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "framework/BlockingSocket.h"
#include "framework/WinApp.h"

namespace flood {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kReadSize = 1024;
constexpr int kTimerIntervalMs = 10;
constexpr double kLatenessBarMs = 50;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
inline double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// A peer thread that accepts one connection and sends `total` bytes, the
// block over and over (the sender need not hold the whole stream: a memory
// bar is about the receiver), then closes.
class Peer {
public:
    Peer(std::string_view block, std::size_t total) : m_listener(CBlockingSocket::Listen()) {
        m_thread = std::thread([this, block, total] {
            CBlockingSocket connection = m_listener.Accept();
            for (std::size_t sent = 0; sent < total; sent += block.size()) {
                if (!connection.SendAll(block.data(), std::min(block.size(), total - sent))) break;
            }
            connection.ShutdownSend();
            // Wait for the receiver's close, so nothing unread is reset away.
            char drain[64];
            while (connection.WaitAndReceive(drain, sizeof drain) > 0) {
            }
        });
    }
    ~Peer() { m_thread.join(); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    [[nodiscard]] std::uint16_t Port() const { return m_listener.Port(); }

private:
    CBlockingSocket m_listener;
    std::thread m_thread;
};

// Bytes per second of the bare receiver over the same stream.
inline double BareRate(std::string_view block, std::size_t total) {
    Peer peer(block, total);
    CBlockingSocket socket = CBlockingSocket::Connect(peer.Port());
    char buffer[kReadSize];
    std::size_t received = 0;
    const Clock::time_point start = Clock::now();
    for (long n; received < total && (n = socket.WaitAndReceive(buffer, sizeof buffer)) > 0;) {
        received += static_cast<std::size_t>(n);
    }
    const double seconds = Seconds(Clock::now() - start);
    socket.Close();
    if (received != total) std::fprintf(stderr, "bare receiver got %zu bytes\n", received);
    return static_cast<double>(received) / seconds;
}

// A benchmark's main: the megabytes to flood from the first argument (else
// `defaultMiB`), the application object run, its exit code returned.
template <class App>
int RunBench(int argc, char** argv, long defaultMiB) {
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : defaultMiB;
    App app(static_cast<std::size_t>(std::max(1L, megabytes)));
    char* qtArgv[] = {argv[0], nullptr};
    const int rc = AfxWinMain(1, qtArgv);
    return rc != 0 ? rc : app.exitCode;
}

}  // namespace flood
