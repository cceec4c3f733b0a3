// LOAD, SAVE and SEND of a large send pane through the real main window
// (offscreen unless a platform is chosen), with the program's own progress
// window:
//   - LOAD of a file of N MiB (default 1024): time against a plain read of
//     the same file in the same run, the peak resident growth against the
//     file's size (want <= 1.05x), and the longest wait of the event loop
//     while it runs (a 10 ms timer; want <= 100 ms);
//   - SAVE of the loaded pane to a second file: time, the longest wait, and
//     the file compared byte for byte with the first;
//   - SEND of the pane to a slow reader over loopback: the bytes checked in
//     order as they arrive, the peak resident growth above the pane (want
//     <= 64 MiB) and the resident memory once the queue has emptied.
//
//   build/bench/bench_large_buffers [MiB] [folder for the files]

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/LinkDlg.h"
#include "framework/Prompts.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "framework/qt/Timer.h"
#include "framework/testing/BlockingSocket.h"
#include "framework/testing/EventPump.h"
#include "res/Resources.h"
#include "res/resource.h"
#include "testkit/LinkDlgProbe.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kMiB = std::int64_t{1} << 20;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Byte i of the test stream: differs between neighbours and between chunks.
inline std::uint8_t PatternByte(std::uint64_t i) {
    return static_cast<std::uint8_t>(i * 131 + (i >> 11) * 7 + (i >> 21));
}

void FillPattern(std::uint64_t first, std::uint8_t* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = PatternByte(first + i);
}

bool MatchesPattern(std::uint64_t first, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != PatternByte(first + i)) return false;
    }
    return true;
}

// Resident memory now and its peak since the last ResetPeak, in bytes.
std::int64_t StatusValue(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, length, key) == 0) return std::stoll(line.substr(length)) * 1024;
    }
    return -1;
}
std::int64_t Resident() {
    return StatusValue("VmRSS:");
}
std::int64_t PeakResident() {
    return StatusValue("VmHWM:");
}
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void WritePatternFile(const std::string& path, std::int64_t size) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(8 * kMiB));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    for (std::int64_t at = 0; at < size; at += static_cast<std::int64_t>(block.size())) {
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(size - at, static_cast<std::int64_t>(block.size())));
        FillPattern(static_cast<std::uint64_t>(at), block.data(), count);
        std::fwrite(block.data(), 1, count, file);
    }
    std::fclose(file);
}

// Checks a file against the pattern, reading it in pieces.
bool FileMatchesPattern(const std::string& path, std::int64_t size) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(8 * kMiB));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::int64_t at = 0;
    for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0; at += n) {
        if (!MatchesPattern(static_cast<std::uint64_t>(at), block.data(),
                            static_cast<std::size_t>(n))) {
            at = -1;
            break;
        }
    }
    ::close(fd);
    return at == size;
}

// Seconds of a plain read of the file, 8 MiB a call, into one reused block.
double PlainRead(const std::string& path) {
    std::vector<char> block(static_cast<std::size_t>(8 * kMiB));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const Clock::time_point start = Clock::now();
    while (::read(fd, block.data(), block.size()) > 0) {}
    const double seconds = Seconds(Clock::now() - start);
    ::close(fd);
    return seconds;
}

// Seconds of a read of the whole file into memory taken fresh for it, as
// a LOAD needs (the pages of a reused block are already there).
double ReadIntoFreshMemory(const std::string& path, std::int64_t size) {
    const Clock::time_point start = Clock::now();
    {
        std::vector<char> bytes(static_cast<std::size_t>(size));
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        for (std::int64_t at = 0; at < size;) {
            const ssize_t n = ::read(fd, bytes.data() + at,
                                     static_cast<std::size_t>(std::min(size - at, 8 * kMiB)));
            if (n <= 0) break;
            at += n;
        }
        ::close(fd);
    }
    return Seconds(Clock::now() - start);
}

// The file dialogs answer with the next path; message boxes are printed
// and counted; progress windows are the program's own.
class BenchPrompts : public IUserPrompts {
public:
    explicit BenchPrompts(IUserPrompts& toolkit) : m_toolkit(toolkit) {}
    int MessageBox(CWnd*, const std::string& text, const std::string&, UINT) override {
        std::printf("message box: %s\n", text.c_str());
        ++boxes;
        return IDOK;
    }
    std::optional<FileDialogResult> FileDialog(CWnd*, const FileDialogRequest&) override {
        return FileDialogResult{nextPath, 1};
    }
    void MessageBeep(UINT) override {}
    bool RunProgress(CWnd* owner, const ProgressRequest& request, IProgressTask& task) override {
        ++progressWindows;
        return m_toolkit.RunProgress(owner, request, task);
    }

    std::string nextPath;
    int boxes = 0;
    int progressWindows = 0;

private:
    IUserPrompts& m_toolkit;
};

// A click on a button of the window, as the user makes it.
void Click(CLinkDlg& dlg, int id) {
    if (auto* button = dynamic_cast<CButton*>(dlg.GetDlgItem(id))) button->Click();
}

// The longest gap between two ticks of a 10 ms timer while `action` runs.
template <class Action>
double LongestWaitMs(Action&& action) {
    CRepeatingTimer timer;
    Clock::time_point last = Clock::now();
    double longest = 0;
    timer.Start(10, [&] {
        const Clock::time_point now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        longest = std::max(longest, gap);
        last = now;
    });
    action();
    const Clock::time_point now = Clock::now();
    return std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
}

class LargeBuffersApp : public CWinApp {
public:
    LargeBuffersApp(std::int64_t megabytes, std::string folder)
        : CWinApp("bench_large_buffers"), m_size(megabytes * kMiB), m_folder(std::move(folder)) {}

    bool InitInstance() override {
        SetResourceTables(&VelmoraResources());
        BenchPrompts prompts(UserPrompts());
        SetUserPrompts(&prompts);
        {
            CLinkDlg dlg;
            dlg.Create();
            PumpMessages();
            Run(dlg, prompts);
            dlg.DestroyWindow();
        }
        SetUserPrompts(nullptr);
        return false;
    }

    int exitCode = 0;

private:
    void Check(bool held, const char* what) {
        if (!held) {
            std::printf("FAILED: %s\n", what);
            exitCode = 1;
        }
    }

    void Run(CLinkDlg& dlg, BenchPrompts& prompts) {
        // The slow reader: 256 KiB at a time with a pause between, checking
        // every byte against the pattern. The window connects first, since
        // CONNECT would refuse the data length that a large LOAD shows.
        CBlockingSocket listener = CBlockingSocket::Listen();
        std::atomic<std::int64_t> received{0};
        std::atomic<bool> inOrder{true};
        std::thread reader([&] {
            CBlockingSocket connection = listener.Accept();
            std::vector<std::uint8_t> block(256 * 1024);
            for (long n; received < m_size &&
                         (n = connection.WaitAndReceive(block.data(), block.size())) > 0;) {
                if (!MatchesPattern(static_cast<std::uint64_t>(received.load()), block.data(),
                                    static_cast<std::size_t>(n))) {
                    inOrder = false;
                }
                received += n;
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
        // Loopback only: the fields are set and read back before CONNECT.
        dlg.GetDlgItem(IDC_REMOTE_IP)->SetWindowText("127.0.0.1");
        dlg.GetDlgItem(IDC_REMOTE_PORT)->SetWindowText(std::to_string(listener.Port()));
        if (dlg.GetDlgItem(IDC_REMOTE_IP)->GetWindowText() == "127.0.0.1") {
            Click(dlg, IDC_BUTTON_CONNECT);
        }
        PumpUntil([&] { return LinkDlgProbe::State(dlg) == Connected; }, 5000);
        Check(LinkDlgProbe::State(dlg) == Connected, "connected over loopback");
        if (LinkDlgProbe::State(dlg) != Connected) {
            // Lets the reader's accept return, so that it can end.
            CBlockingSocket::Connect(listener.Port()).Close();
            reader.join();
            return;
        }

        LoadAndSave(dlg, prompts);

        const std::int64_t before = Resident();
        ResetPeak();
        const Clock::time_point start = Clock::now();
        Click(dlg, IDC_BUTTON_SEND);
        PumpUntil(
            [&] { return dlg.PendingSend().Empty() || LinkDlgProbe::State(dlg) != Connected; },
            600000);
        const double seconds = Seconds(Clock::now() - start);
        const double growth = static_cast<double>(PeakResident() - before);
        const double after = static_cast<double>(Resident() - before);
        // (The peer's close and CLOSE refresh the controls, which refuses
        // the data length a large LOAD shows: that message is the window's
        // usual one.)
        Check(prompts.boxes == 0, "no message box");
        PumpUntil([&] { return received >= m_size; }, 60000);
        Click(dlg, IDC_BUTTON_CLOSE);
        reader.join();
        std::printf(
            "SEND:  %6.2f s to a slow reader (%.0f MiB/s), peak resident +%.1f MiB above "
            "the pane (want <= 64), %+.1f MiB once the queue emptied; %s\n",
            seconds, static_cast<double>(m_size) / kMiB / seconds, growth / kMiB, after / kMiB,
            received == m_size && inOrder ? "all bytes arrived in order"
                                          : "BYTES MISSING OR OUT OF ORDER");
        Check(received == m_size && inOrder, "SEND arrived whole and in order");
        Check(growth <= 64.0 * kMiB, "SEND peak resident");
    }

    void LoadAndSave(CLinkDlg& dlg, BenchPrompts& prompts) {
        const std::string source = m_folder + "/velmora-bench-load.bin";
        const std::string copy = m_folder + "/velmora-bench-save.bin";
        const double mib = static_cast<double>(m_size) / kMiB;
        WritePatternFile(source, m_size);
        const double plain = PlainRead(source);
        const double fresh = ReadIntoFreshMemory(source, m_size);
        std::printf("plain read of %.0f MiB into one reused block: %6.2f s (%.0f MiB/s)\n", mib,
                    plain, mib / plain);
        std::printf("the same into fresh memory, the baseline:    %6.2f s (%.0f MiB/s)\n", fresh,
                    mib / fresh);

        prompts.nextPath = source;
        const std::int64_t before = Resident();
        ResetPeak();
        Clock::time_point start = Clock::now();
        double wait = LongestWaitMs([&] { Click(dlg, IDC_BUTTON_LOAD); });
        double seconds = Seconds(Clock::now() - start);
        const double growth = static_cast<double>(PeakResident() - before);
        std::printf(
            "LOAD:  %6.2f s (%.2fx the baseline), peak resident +%.0f MiB = %.3fx the "
            "file (want <= 1.05), longest wait of the loop %.0f ms (want <= 100)\n",
            seconds, seconds / fresh, growth / kMiB, growth / static_cast<double>(m_size), wait);
        Check(ControlOf<CHexView>(dlg, IDC_SEND_PANE).m_nLength == m_size,
              "LOAD took the whole file");
        Check(growth <= 1.05 * static_cast<double>(m_size), "LOAD peak resident");
        Check(wait <= 100, "LOAD kept the loop waiting");
        Check(prompts.progressWindows == (m_size > 64 * kMiB ? 1 : 0), "LOAD progress window");

        prompts.nextPath = copy;
        start = Clock::now();
        wait = LongestWaitMs([&] { Click(dlg, IDC_BUTTON_SAVE_SEND); });
        seconds = Seconds(Clock::now() - start);
        const bool same = FileMatchesPattern(copy, m_size);
        std::printf("SAVE:  %6.2f s, longest wait of the loop %.0f ms, file %s\n", seconds, wait,
                    same ? "identical byte for byte" : "DIFFERS");
        Check(same, "SAVE wrote the pane byte for byte");
        ::unlink(copy.c_str());
        ::unlink(source.c_str());
    }

    std::int64_t m_size;
    std::string m_folder;
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long megabytes = argc > 1 ? std::max(1L, std::strtol(argv[1], nullptr, 10)) : 1024;
    const char* folder = argc > 2 ? argv[2] : "/tmp";
    LargeBuffersApp app(megabytes, folder);
    char* qtArgv[] = {argv[0], nullptr};
    const int rc = AfxWinMain(1, qtArgv);
    return rc != 0 ? rc : app.exitCode;
}
