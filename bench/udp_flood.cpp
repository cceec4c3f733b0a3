// The receive path under a UDP flood: a loopback sender (a thread with a
// blocking socket) sends a fixed number of datagrams of random sizes from 1
// to 1024 bytes as fast as it can into the real main window, open in UDP
// mode, which reads them as the program does: one datagram per
// notification, appended to the receive pane and counted. In the same run a
// bare receiver takes the same datagrams with one poll() and one read per
// wakeup and nothing else. Both run at the system's default socket buffer,
// so what neither takes in time is lost there; the loss is read from the
// system's own count of the socket's drops.
//
// A second flood mixes in a share of datagrams too long for one read.
// Each makes the read fail, and the failure is reported in a message box;
// a scripted user (through the prompts seam) keeps each box open for a
// while, as a person reading it would. The boxes must come one at a time
// and the event loop must keep running meanwhile.
//
// Runs offscreen and on an X server (see support/DisplayRuns.h). Printed
// figures and their bars, in each run:
//   - datagrams per second taken by the window / by the bare receiver: at
//     least 0.5;
//   - message boxes open at once in the second flood: at most 1;
//   - the worst lateness of a 10 ms timer during each flood: under 50 ms.
// The exit status is 1 when a bar is missed.
//
//   build/bench/bench_udp_flood [thousands of datagrams]

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "FloodSupport.h"
#include "app/LinkDlg.h"
#include "framework/Prompts.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "framework/testing/BlockingSocket.h"
#include "framework/testing/EventPump.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "testkit/LinkDlgProbe.h"

namespace {

using namespace flood;

constexpr double kRatioBar = 0.5;
constexpr std::size_t kLongest = 1024;
// The second flood: one datagram in this many is too long for one read.
constexpr int kOversizeEvery = 100;
constexpr std::size_t kOversizeLongest = 4096;
// How long the scripted user keeps each message box open.
constexpr int kReadingMs = 50;
// The flood has ended once the sender is done and nothing came for this long.
constexpr int kQuietMs = 100;
constexpr int kTimeoutMs = 120000;

struct Flood {
    std::vector<std::uint16_t> sizes;
    std::vector<char> bytes = std::vector<char>(kOversizeLongest);
};

Flood MakeFlood(std::size_t count, bool oversize) {
    Flood flood;
    std::mt19937 random(1470);
    for (char& c : flood.bytes) c = static_cast<char>(random());
    std::uniform_int_distribution<std::size_t> size(1, kLongest);
    std::uniform_int_distribution<std::size_t> tooLong(kLongest + 1, kOversizeLongest);
    flood.sizes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const bool longOne = oversize && i % kOversizeEvery == kOversizeEvery / 2;
        flood.sizes.push_back(static_cast<std::uint16_t>(longOne ? tooLong(random) : size(random)));
    }
    return flood;
}

// The datagrams the system dropped at the socket bound to `port` (on the
// loopback or on any address) because its buffer was full: the last column
// of /proc/net/udp.
unsigned long DropsAt(std::uint16_t port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ":%04X", port);
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, address, field;
        fields >> slot >> address;
        if (address != std::string("0100007F") + suffix &&
            address != std::string("00000000") + suffix) {
            continue;
        }
        unsigned long drops = 0;
        while (fields >> field) drops = std::strtoul(field.c_str(), nullptr, 10);
        return drops;
    }
    return 0;
}

// Sends the flood from a thread of its own, as fast as the system takes it.
class Sender {
public:
    Sender(const Flood& flood, std::uint16_t port) : m_socket(CBlockingSocket::Datagram()) {
        m_thread = std::thread([this, &flood, port] {
            for (const std::uint16_t size : flood.sizes) {
                if (m_socket.SendDatagram(port, flood.bytes.data(), size)) ++m_sent;
            }
            m_done = true;
        });
    }
    ~Sender() { m_thread.join(); }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;
    [[nodiscard]] bool Done() const { return m_done; }
    [[nodiscard]] std::size_t Sent() const { return m_sent; }

private:
    CBlockingSocket m_socket;
    std::atomic<std::size_t> m_sent{0};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

struct Taken {
    double rate = 0;  // datagrams per second
    std::size_t sent = 0;
    unsigned long dropped = 0;
    double worstLatenessMs = 0;
    TimeShares ui;
    [[nodiscard]] double LostShare() const {
        return sent == 0 ? 0 : static_cast<double>(dropped) / static_cast<double>(sent);
    }
};

Taken BareTaken(const Flood& flood) {
    Taken result;
    CBlockingSocket socket = CBlockingSocket::Datagram();
    char buffer[kReadSize];
    std::size_t taken = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point last = start;
    {
        Sender sender(flood, socket.Port());
        for (;;) {
            if (!socket.WaitReadable(sender.Done() ? kQuietMs : 1000)) {
                if (sender.Done()) break;
                continue;
            }
            if (socket.WaitAndReceive(buffer, sizeof buffer) < 0) break;
            ++taken;
            last = Clock::now();
        }
        result.sent = sender.Sent();
    }
    result.dropped = DropsAt(socket.Port());
    result.rate = static_cast<double>(taken) / std::max(1e-9, Seconds(last - start));
    return result;
}

// The user who reads each message box for a while before pressing OK; the
// box's own loop handles events meanwhile, as a real one does.
class ReadingUser : public IUserPrompts {
public:
    ReadingUser() { SetUserPrompts(this); }
    // The bytes the receive pane holds now (for what it took while a box was open).
    std::function<std::int64_t()> held = [] { return std::int64_t{0}; };
    ~ReadingUser() override { SetUserPrompts(nullptr); }
    ReadingUser(const ReadingUser&) = delete;
    ReadingUser& operator=(const ReadingUser&) = delete;

    int boxes = 0;
    int open = 0;
    int mostOpen = 0;
    std::int64_t takenWhileOpen = 0;

    int MessageBox(CWnd*, const std::string&, const std::string&, UINT) override {
        ++boxes;
        mostOpen = std::max(mostOpen, ++open);
        const std::int64_t before = held();
        PumpUntil([] { return false; }, kReadingMs);
        takenWhileOpen += held() - before;
        --open;
        return IDOK;
    }
    std::optional<FileDialogResult> FileDialog(CWnd*, const FileDialogRequest&) override {
        return std::nullopt;
    }
    void MessageBeep(UINT) override {}
    bool RunProgress(CWnd*, const ProgressRequest&, IProgressTask& task) override {
        while (task.Step()) {}
        return true;
    }
};

std::uint16_t FreeDatagramPort() {
    const CBlockingSocket probe = CBlockingSocket::Datagram();
    return probe.Port();
}

Taken WindowTaken(const Flood& flood, ReadingUser& user) {
    Taken result;
    CLinkDlg dlg;
    dlg.Create();
    PumpMessages();
    CHexView& recvView = ControlOf<CHexView>(dlg, IDC_RECV_PANE);
    user.held = [&recvView] { return recvView.m_nLength; };
    // UDP on a free local port, the remote address the loopback one, as
    // the user enters them.
    const std::uint16_t port = FreeDatagramPort();
    ControlOf<CComboBox>(dlg, IDC_MODE).SelectByUser(Udp);
    dlg.GetDlgItem(IDC_REMOTE_IP)->SetWindowText("127.0.0.1");
    dlg.GetDlgItem(IDC_REMOTE_PORT)->SetWindowText(std::to_string(port));
    dlg.GetDlgItem(IDC_LOCAL_PORT)->SetWindowText(std::to_string(port));
    ControlOf<CButton>(dlg, IDC_BUTTON_CONNECT).Click();
    if (LinkDlgProbe::State(dlg) != UdpOpen) {
        std::fprintf(stderr, "could not open the UDP endpoint on port %u\n", port);
        dlg.DestroyWindow();
        return result;
    }
    LatenessProbe lateness;
    const ThreadTimes before = ThreadTimes::Now();
    Clock::time_point last = before.wall;
    {
        Sender sender(flood, port);
        std::int64_t length = 0;
        PumpUntil(
            [&] {
                const Clock::time_point now = Clock::now();
                if (recvView.m_nLength != length) {
                    length = recvView.m_nLength;
                    last = now;
                }
                return sender.Done() && now - last > std::chrono::milliseconds(kQuietMs);
            },
            kTimeoutMs);
        result.sent = sender.Sent();
    }
    lateness.Stop();
    result.dropped = DropsAt(port);
    result.worstLatenessMs = lateness.WorstMs();
    result.ui = SharesBetween(before, ThreadTimes::Now());
    const std::size_t taken = result.sent - std::min<std::size_t>(result.sent, result.dropped);
    result.rate = static_cast<double>(taken) / std::max(1e-9, Seconds(last - before.wall));
    ControlOf<CButton>(dlg, IDC_BUTTON_CLOSE).Click();
    dlg.DestroyWindow();
    user.held = [] { return std::int64_t{0}; };
    return result;
}

class UdpFloodApp : public CWinApp {
public:
    explicit UdpFloodApp(std::size_t thousands)
        : CWinApp("bench_udp_flood"), m_count(thousands * 1000) {}

    int exitCode = 0;

    bool InitInstance() override {
        SetResourceTables(&VelmoraResources());
        std::printf(
            "flood: %zu datagrams of 1 to %zu random bytes over loopback UDP, default "
            "socket buffers\n",
            m_count, kLongest);
        ReadingUser user;
        const Flood plain = MakeFlood(m_count, false);
        const Taken bare = BareTaken(plain);
        const Taken window = WindowTaken(plain, user);
        const int plainBoxes = std::exchange(user.boxes, 0);
        const double ratio = window.rate / bare.rate;
        const bool ratioHeld = ratio >= kRatioBar;
        std::printf("bare receiver:   %9.0f datagrams/s, %5.1f %% lost at the socket buffer\n",
                    bare.rate, bare.LostShare() * 100);
        std::printf("main window:     %9.0f datagrams/s, %5.1f %% lost at the socket buffer\n",
                    window.rate, window.LostShare() * 100);
        PrintShares("main window:", window.ui);
        std::printf("ratio:           %9.3f   (bar >= %.2f)  %s\n", ratio, kRatioBar,
                    Verdict(ratioHeld));

        std::printf(
            "second flood: one datagram in %d of %zu to %zu bytes, each box read for %d ms\n",
            kOversizeEvery, kLongest + 1, kOversizeLongest, kReadingMs);
        const Flood mixed = MakeFlood(m_count, true);
        const Taken withBoxes = WindowTaken(mixed, user);
        const bool oneAtATime = user.mostOpen <= 1;
        std::printf(
            "main window:     %9.0f datagrams/s, %5.1f %% lost, %d message boxes, at most "
            "%d open at once (bar <= 1)  %s\n",
            withBoxes.rate, withBoxes.LostShare() * 100, user.boxes, user.mostOpen,
            Verdict(oneAtATime));
        std::printf(
            "  bytes taken while a box was open: %lld (%s)\n",
            static_cast<long long>(user.takenWhileOpen),
            user.takenWhileOpen > 0 ? "reading went on" : "reading STOPPED while a box was open");
        const double worst = std::max(window.worstLatenessMs, withBoxes.worstLatenessMs);
        const bool latenessHeld = worst < kLatenessBarMs;
        std::printf("10 ms timer, worst lateness: %6.1f ms (bar < %.0f ms)  %s\n", worst,
                    kLatenessBarMs, Verdict(latenessHeld));
        if (plainBoxes != 0)
            std::printf("UNEXPECTED: %d message boxes in the first flood\n", plainBoxes);
        if (!ratioHeld || !oneAtATime || !latenessHeld || window.sent != m_count ||
            plainBoxes != 0) {
            exitCode = 1;
        }
        return false;
    }

private:
    std::size_t m_count;
};

}  // namespace

int main(int argc, char** argv) {
    return flood::RunBench<UdpFloodApp>(argc, argv, 200);
}
