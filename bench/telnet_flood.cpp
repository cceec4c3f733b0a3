// The Telnet terminal under a flood: a loopback peer (a thread with a
// blocking socket) sends 64 MiB of text lines into an open Telnet window,
// which reads them as the program does, one receive of at most 1024 bytes per
// notification, converting and showing each read with the scroll-back limit
// in force. In the same run a bare receiver takes the same bytes with one
// poll() and one read of at most 1024 bytes per wakeup and nothing else.
//
// Runs offscreen and on an X server (see support/DisplayRuns.h). Printed
// figures and their bars, in each run:
//   - terminal rate / bare rate: at least 0.4;
//   - the worst lateness of a 10 ms timer during the flood: under 50 ms;
//   - the time per read a quarter into the flood and at its end: flat,
//     since the scroll-back limit keeps the screen's text short. (Not at
//     its very start: the first megabytes wait in the socket's buffer while
//     the window opens, and reading them wakes no sender, so they cost less
//     than every read after them.)
// The exit status is 1 when a bar is missed.
//
//   build/bench/bench_telnet_flood [MiB]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "FloodSupport.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "framework/qt/Timer.h"
#include "framework/testing/BlockingSocket.h"
#include "framework/testing/EventPump.h"
#include "framework/testing/SocketSetup.h"
#include "net/LinkSocket.h"
#include "res/Resources.h"
#include "telnet/TelnetDlg.h"

namespace {

using namespace flood;

constexpr double kRatioBar = 0.4;
// Reads whose trimmed mean gives the early and the end figures.
constexpr std::size_t kSampleReads = 2000;
// A flat cost: the end within this factor of the early figure.
constexpr double kFlatFactor = 1.5;

// Numbered text lines of a terminal's width, CR LF ended, `bytes` in all.
std::string MakeFlood(std::size_t bytes) {
    std::string flood;
    flood.reserve(bytes);
    char line[96];
    for (unsigned n = 0; flood.size() < bytes; ++n) {
        const int length = std::snprintf(line, sizeof line,
                                         "%08u the quick brown fox jumps over the lazy dog %u\r\n",
                                         n, n * 2654435761U);
        flood.append(line, static_cast<std::size_t>(length));
    }
    flood.resize(bytes);
    return flood;
}

// The data endpoint as the main window routes it while Telnet is on, with
// each read timed.
class FloodSocket : public CLinkSocket {
public:
    explicit FloodSocket(CTelnetDlg& dlg) : m_dlg(dlg) { readTimes.reserve(1 << 18); }

    bool connected = false;
    bool closed = false;
    std::vector<Clock::duration> readTimes;

protected:
    void OnConnect(int nErrorCode) override { connected = nErrorCode == 0; }
    void OnReceive(int nErrorCode) override {
        const Clock::time_point start = Clock::now();
        m_dlg.m_terminal.ProcessReceive(this, nErrorCode);
        readTimes.push_back(Clock::now() - start);
    }
    void OnClose(int nErrorCode) override {
        m_dlg.m_terminal.ShowConnectionClosed(this, nErrorCode);
        closed = true;
        Close();
    }

private:
    CTelnetDlg& m_dlg;
};

struct TerminalResult {
    double rate = 0;
    double worstLatenessMs = 0;
    double earlyReadMicros = 0;
    double endReadMicros = 0;
    std::size_t reads = 0;
    int lineCount = 0;
    TimeShares ui;
};

// The mean of the middle 80 %: the scheduler's occasional preemption of one
// read says nothing about the screen's cost, and would swing a plain mean.
// Not the median: reads that end in a scroll-back cut cost more than those
// that do not, and with about every other read cutting, a median jumps
// between the two kinds from run to run.
double TrimmedMeanMicros(std::vector<Clock::duration>::const_iterator first,
                         std::vector<Clock::duration>::const_iterator last) {
    if (first == last) return 0;
    std::vector<Clock::duration> sample(first, last);
    std::sort(sample.begin(), sample.end());
    const std::size_t trim = sample.size() / 10;
    Clock::duration sum{};
    for (std::size_t i = trim; i < sample.size() - trim; ++i) sum += sample[i];
    return Micros(sum) / static_cast<double>(sample.size() - 2 * trim);
}

TerminalResult TerminalRate(const std::string& flood) {
    TerminalResult result;
    Peer peer(flood, flood.size());
    CTelnetDlg dlg;
    FloodSocket socket(dlg);
    if (!socket.Create(0, SocketType::Stream, FD_ALL_EVENTS) ||
        (!socket.Connect(AddressFromText("127.0.0.1", peer.Port())) && !socket.connected &&
         !PumpUntil([&] { return socket.connected; }))) {
        std::fprintf(stderr, "could not connect to the peer\n");
        return result;
    }
    dlg.SetConnection(&socket, peer.Port());
    dlg.Create();
    PumpMessages();

    LatenessProbe lateness;
    const ThreadTimes before = ThreadTimes::Now();
    PumpUntil([&] { return socket.closed; }, 120000);
    const ThreadTimes after = ThreadTimes::Now();
    lateness.Stop();

    result.rate = static_cast<double>(flood.size()) / Seconds(after.wall - before.wall);
    result.ui = SharesBetween(before, after);
    result.worstLatenessMs = lateness.WorstMs();
    const std::vector<Clock::duration>& times = socket.readTimes;
    const std::size_t sample = std::min(kSampleReads, times.size() / 4);
    const auto early = times.begin() + static_cast<long>(times.size() / 4);
    result.reads = times.size();
    result.earlyReadMicros = TrimmedMeanMicros(early, early + static_cast<long>(sample));
    result.endReadMicros = TrimmedMeanMicros(times.end() - static_cast<long>(sample), times.end());
    result.lineCount = dlg.m_terminal.GetLineCount();
    dlg.DestroyWindow();
    socket.Close();
    return result;
}

class FloodBenchApp : public CWinApp {
public:
    explicit FloodBenchApp(std::size_t megabytes)
        : CWinApp("bench_telnet_flood"), m_megabytes(megabytes) {}

    int exitCode = 0;

    bool InitInstance() override {
        SetResourceTables(&VelmoraResources());
        const std::string flood = MakeFlood(m_megabytes * kMiB);
        std::printf("flood: %zu MiB of text lines, reads of at most %zu bytes\n", m_megabytes,
                    kReadSize);

        const double bare = BareRate(flood, flood.size());
        const TerminalResult terminal = TerminalRate(flood);
        const double ratio = terminal.rate / bare;
        const bool flat = terminal.endReadMicros <= kFlatFactor * terminal.earlyReadMicros;

        std::printf("bare receiver:          %8.1f MB/s\n", bare / 1e6);
        std::printf(
            "telnet window:          %8.1f MB/s  (%zu reads, %d rows on screen at the end)\n",
            terminal.rate / 1e6, terminal.reads, terminal.lineCount);
        PrintShares("telnet window:", terminal.ui);
        std::printf("ratio:                  %8.3f   (bar >= %.2f)  %s\n", ratio, kRatioBar,
                    Verdict(ratio >= kRatioBar));
        std::printf("10 ms timer, worst lateness: %6.1f ms (bar < %.0f ms)  %s\n",
                    terminal.worstLatenessMs, kLatenessBarMs,
                    Verdict(terminal.worstLatenessMs < kLatenessBarMs));
        std::printf(
            "time per read (trimmed mean of %zu), a quarter in: %6.2f us, at the end: %6.2f us  "
            "%s\n",
            kSampleReads, terminal.earlyReadMicros, terminal.endReadMicros,
            flat ? "flat" : "GROWS");
        if (ratio < kRatioBar || terminal.worstLatenessMs >= kLatenessBarMs || !flat) exitCode = 1;
        return false;
    }

private:
    std::size_t m_megabytes;
};

}  // namespace

int main(int argc, char** argv) {
    return flood::RunBench<FloodBenchApp>(argc, argv, 64);
}
