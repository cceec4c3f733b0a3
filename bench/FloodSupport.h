#pragma once
// What the flood benchmarks share: the loopback peer that streams the
// bytes, and the bare receiver every window is measured against (one poll()
// and one read of at most 1024 bytes per wakeup, nothing else).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <thread>

#include "framework/WinApp.h"
#include "framework/qt/Timer.h"
#include "framework/testing/BlockingSocket.h"
#include "support/DisplayRuns.h"

namespace flood {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kReadSize = 1024;
constexpr int kTimerIntervalMs = 10;
constexpr double kLatenessBarMs = 50;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}
inline double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Where the calling thread's time goes, from the scheduler's own account
// (/proc/thread-self/schedstat): on a CPU, runnable but waiting for one, and
// the rest of the wall-clock time, asleep. A receive path that sleeps while
// bytes wait shows here, however loaded the machine is.
struct ThreadTimes {
    Clock::time_point wall = Clock::now();
    double onCpu = 0;
    double waitingForCpu = 0;

    [[nodiscard]] static ThreadTimes Now() {
        ThreadTimes t;
        std::ifstream stat("/proc/thread-self/schedstat");
        unsigned long long run = 0, wait = 0;
        stat >> run >> wait;
        t.onCpu = static_cast<double>(run) / 1e9;
        t.waitingForCpu = static_cast<double>(wait) / 1e9;
        return t;
    }
};

struct TimeShares {
    double onCpu = 0;
    double waitingForCpu = 0;
    double asleep = 0;
};

inline TimeShares SharesBetween(const ThreadTimes& from, const ThreadTimes& to) {
    const double wall = Seconds(to.wall - from.wall);
    TimeShares s;
    if (wall <= 0) return s;
    s.onCpu = (to.onCpu - from.onCpu) / wall;
    s.waitingForCpu = (to.waitingForCpu - from.waitingForCpu) / wall;
    s.asleep = std::max(0.0, 1 - s.onCpu - s.waitingForCpu);
    return s;
}

// The worst lateness of a 10 ms timer while it runs: the event loop's
// promptness under a flood.
class LatenessProbe {
public:
    LatenessProbe() {
        m_timer.Start(kTimerIntervalMs, [this] {
            const Clock::time_point now = Clock::now();
            m_worstGap = std::max(m_worstGap, now - m_lastTick);
            m_lastTick = now;
        });
    }
    // Milliseconds beyond the interval, at worst, so far.
    [[nodiscard]] double WorstMs() const {
        return std::max(0.0, Micros(m_worstGap) / 1000 - kTimerIntervalMs);
    }
    void Stop() { m_timer.Stop(); }

private:
    Clock::time_point m_lastTick = Clock::now();
    Clock::duration m_worstGap = Clock::duration::zero();
    CRepeatingTimer m_timer;
};

inline const char* Verdict(bool held) {
    return held ? "ok" : "MISSED";
}

inline void PrintShares(const char* what, const TimeShares& s) {
    std::printf("  %-22s UI thread %3.0f %% on a CPU, %3.0f %% waiting for one, %3.0f %% asleep\n",
                what, s.onCpu * 100, s.waitingForCpu * 100, s.asleep * 100);
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
            while (connection.WaitAndReceive(drain, sizeof drain) > 0) {}
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

// A benchmark's main: one run offscreen and one on an X server (see
// DisplayRuns.h); in each, the size of the flood from the first argument
// (else `defaultSize`), the application object run, its exit code returned.
template <class App>
int RunBench(int argc, char** argv, long defaultSize) {
    if (const int parent = bench::RunOnEveryDisplay(argc, argv); parent >= 0) return parent;
    const long size =
        argc > 1 && argv[1][0] != '-' ? std::strtol(argv[1], nullptr, 10) : defaultSize;
    std::printf("%s\n", bench::DisplayDescription().c_str());
    App app(static_cast<std::size_t>(std::max(1L, size)));
    char* qtArgv[] = {argv[0], nullptr};
    const int rc = AfxWinMain(1, qtArgv);
    return rc != 0 ? rc : app.exitCode;
}

}  // namespace flood
