// Costs of the hex pane on the receive path, measured on the main window's
// real panes (offscreen):
//   - one read: AppendData of 1024 bytes (with its rebuild) and the read of
//     m_nLength that the receive count needs, on a pane holding 1 GiB
//     against one holding 1 KiB, in the same run (want <= 1.2x);
//   - the same with the view's text produced after every append, as if each
//     read were followed by a paint (the upper bound of the real cost);
//   - producing and painting a full view, and painting alone;
//   - the memory a pane of 1 GiB holds.
//
//   build/bench/bench_hex_view [rounds]
//
// Each round times a batch of appends on each pane in turn (the order
// alternating), starting from the held size; the figures are the medians
// of the rounds, which a busy machine disturbs least.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/LinkDlg.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "framework/testing/EventPump.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "testkit/LinkDlgProbe.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kMiB = kKiB * kKiB;
constexpr std::int64_t kGiB = kKiB * kMiB;
constexpr std::int64_t kRead = 1024;
// Appends per batch: 64 MiB, so that the few MiB a small pane keeps
// populated between batches hardly count against fresh memory.
constexpr int kBatch = 65536;

volatile std::int64_t g_sink = 0;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<BYTE> Pattern(std::int64_t count) {
    std::vector<BYTE> bytes(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<BYTE>(i * 131 + (i >> 8));
    }
    return bytes;
}

// Resident memory of the process, in bytes.
std::int64_t Resident() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0;
    std::int64_t resident = 0;
    statm >> size >> resident;
    return resident * 4096;
}

void Fill(CHexView& pane, std::int64_t bytes) {
    const auto block = Pattern(kMiB);
    pane.ResizeData(0);
    while (pane.m_nLength + kMiB <= bytes) pane.AppendData(kMiB, block.data());
    pane.AppendData(bytes - pane.m_nLength, block.data());
}

// ns per read for one batch of appends from the held size.
double TimeBatch(CHexView& pane, std::int64_t held, bool produceView) {
    static const auto read = Pattern(kRead);
    pane.ResizeData(held);
    char line[77];
    const auto start = Clock::now();
    for (int i = 0; i < kBatch; ++i) {
        pane.AppendData(kRead, read.data());
        g_sink = g_sink + pane.m_nLength;
        if (produceView) g_sink = g_sink + pane.GetLine(0, line, 77);
    }
    const auto end = Clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count() / kBatch;
}

void CompareAppends(CHexView& big, CHexView& small, int rounds, bool produceView) {
    std::vector<double> bigTimes;
    std::vector<double> smallTimes;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            bigTimes.push_back(TimeBatch(big, kGiB, produceView));
            smallTimes.push_back(TimeBatch(small, kKiB, produceView));
        } else {
            smallTimes.push_back(TimeBatch(small, kKiB, produceView));
            bigTimes.push_back(TimeBatch(big, kGiB, produceView));
        }
    }
    const double b = Median(bigTimes);
    const double s = Median(smallTimes);
    const char* what =
        produceView ? "append 1 KiB + m_nLength + view text" : "append 1 KiB + m_nLength";
    std::printf("%-40s held 1 GiB %7.1f ns, held 1 KiB %7.1f ns: %.2fx (want <= 1.2)\n", what, b, s,
                b / s);
}

void TimePaints(CHexView& pane, int count) {
    // A full view: the pane ends at the last page of the buffer.
    pane.AppendData(0, nullptr);
    pane.RedrawNow();
    std::vector<double> stale;
    std::vector<double> unchanged;
    for (int i = 0; i < count; ++i) {
        pane.AppendData(0, nullptr);  // marks the view stale
        auto start = Clock::now();
        pane.RedrawNow();
        stale.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        start = Clock::now();
        pane.RedrawNow();
        unchanged.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::printf("%-40s %7.1f us (text produced and painted), %7.1f us (painted only)\n",
                "paint of a full view (12 rows)", Median(stale), Median(unchanged));
}

class BenchApp : public CWinApp {
public:
    explicit BenchApp(int rounds) : CWinApp("velmora"), m_rounds(rounds) {}

    bool InitInstance() override {
        SetResourceTables(&VelmoraResources());
        CLinkDlg dlg;
        dlg.Create();
        PumpMessages();
        CHexView& big = ControlOf<CHexView>(dlg, IDC_RECV_PANE);
        CHexView& small = ControlOf<CHexView>(dlg, IDC_SEND_PANE);

        const std::int64_t residentBefore = Resident();
        const auto start = Clock::now();
        Fill(big, kGiB);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const std::int64_t grown = Resident() - residentBefore;
        std::printf("%-40s %.2f s (%.0f MiB/s), resident +%.1f MiB for 1024 MiB held\n",
                    "fill 1 GiB in appends of 1 MiB", seconds, 1024 / seconds,
                    static_cast<double>(grown) / kMiB);
        Fill(small, kKiB);

        CompareAppends(big, small, m_rounds, false);
        CompareAppends(big, small, m_rounds, true);
        big.ResizeData(kGiB);
        TimePaints(big, 200);
        dlg.DestroyWindow();
        std::printf("(sink %lld)\n", static_cast<long long>(g_sink));
        return false;
    }

private:
    int m_rounds;
};

}  // namespace

int main(int argc, char** argv) {
    // The panes are measured offscreen unless a platform is chosen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    BenchApp app(argc > 1 ? std::max(1, std::atoi(argv[1])) : 7);
    char* qtArgv[] = {argv[0], nullptr};
    return AfxWinMain(1, qtArgv);
}
