// SAVE, LOAD, CLEAR, RESIZE and the data-length spin, driven from the main
// window as the user drives them, with files in a temporary folder and the
// file dialogs scripted.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/BlockMemory.h"
#include "framework/File.h"
#include "framework/FileDialog.h"
#include "framework/WinApp.h"
#include "net/NetTestSupport.h"
#include "testkit/MainWindow.h"
#include "testkit/TempDir.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

const std::string kInitial = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr const char* kRangeMessage = "Please enter an integer between 1 and 65535.";

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every byte value, zeros included, in a run that repeats only every 251.
Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7) % 251);
    return bytes;
}

class BufferCommands : public ::testing::Test {
protected:
    [[nodiscard]] Bytes SendBytes() { return w.SendPane().m_data.ToVector(); }
    [[nodiscard]] Bytes RecvBytes() { return w.RecvPane().m_data.ToVector(); }

    [[nodiscard]] std::vector<FileDialogRequest> Dialogs() const {
        std::vector<FileDialogRequest> requests;
        for (const PromptRecord& record : prompts.Records()) {
            if (record.kind == PromptRecord::Kind::FileDialog) {
                requests.push_back(record.fileRequest);
            }
        }
        return requests;
    }
    [[nodiscard]] std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const PromptRecord& record : prompts.MessageBoxes()) texts.push_back(record.text);
        return texts;
    }

    void Choose(int button, const std::string& path, int filterIndex = 1) {
        prompts.QueueFile(FileDialogResult{path, filterIndex});
        w.Click(button);
    }
    void Cancel(int button) {
        prompts.QueueFile(std::nullopt);
        w.Click(button);
    }
    // Bytes as if they had been received.
    void Receive(const Bytes& bytes) {
        w.RecvPane().AppendData(static_cast<std::int64_t>(bytes.size()), bytes.data());
    }
    void Resize(const std::string& length) {
        w.SetText(IDC_DATA_LENGTH, length);
        w.Click(IDC_BUTTON_RESIZE);
    }
    // The path that the next dialog opens with.
    [[nodiscard]] FileDialogRequest NextRequest() {
        Cancel(IDC_BUTTON_LOAD);
        return Dialogs().back();
    }

    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    TempDir dir;
};

TEST_F(BufferCommands, SavedSendPaneLoadsBackByteForByte) {
    const std::string path = dir / "send.bin";
    Choose(IDC_BUTTON_SAVE_SEND, path);
    EXPECT_EQ(ReadFile(path), ToBytes(kInitial));

    Resize("5");
    ASSERT_EQ(w.SendPane().m_nLength, 5);
    Choose(IDC_BUTTON_LOAD, path);
    EXPECT_EQ(SendBytes(), ToBytes(kInitial));
    EXPECT_EQ(w.SendPane().m_nLength, 36);
    EXPECT_EQ(LinkDlgProbe::DataLength(w.dlg), 36u);
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "36");
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(BufferCommands, LoadTakesAnyLengthAndResizeRefusesOneOutOfRange) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{100000}}) {
        SCOPED_TRACE(size);
        prompts.Clear();
        const std::string path = dir / (std::to_string(size) + ".bin");
        const Bytes content = Pattern(size);
        WriteFile(path, content);
        Choose(IDC_BUTTON_LOAD, path);
        EXPECT_EQ(w.SendPane().m_nLength, static_cast<std::int64_t>(size));
        EXPECT_TRUE(SendBytes() == content);
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), std::to_string(size));

        w.Click(IDC_BUTTON_RESIZE);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{kRangeMessage});
        EXPECT_EQ(w.SendPane().m_nLength, static_cast<std::int64_t>(size));
    }
}

TEST_F(BufferCommands, FileThatCannotBeOpenedChangesNothingButTheRememberedChoice) {
    const std::string busy = dir / "busy.bin";
    WriteFile(busy, Pattern(10));
    CFile holder;  // another open of the file holds it
    ASSERT_EQ(holder.Open(busy, CFile::modeReadWrite | CFile::shareExclusive), 0);
    const std::string readOnly = dir / "readonly.bin";
    WriteFile(readOnly, Pattern(10));
    fs::permissions(readOnly,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::create_directory(dir / "folder");

    struct Row {
        const char* name;
        int button;
        std::string path;
    };
    const Row rows[] = {
        {"load missing", IDC_BUTTON_LOAD, dir / "missing.bin"},
        {"load in use", IDC_BUTTON_LOAD, busy},
        {"load read-only", IDC_BUTTON_LOAD, readOnly},
        {"load folder", IDC_BUTTON_LOAD, dir / "folder"},
        {"save in use", IDC_BUTTON_SAVE_SEND, busy},
    };
    int filterIndex = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompts.Clear();
        w.SetText(IDC_REMOTE_IP, "192.0.2.7");  // typed, not applied
        filterIndex = 3 - filterIndex;
        Choose(row.button, row.path, filterIndex);

        const auto boxes = prompts.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "File Open Error.");
        EXPECT_EQ(boxes[0].caption, AfxGetAppName());
        EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(SendBytes(), ToBytes(kInitial));
        EXPECT_EQ(LinkDlgProbe::DataLength(w.dlg), 36u);
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "36");
        EXPECT_EQ(w.Text(IDC_REMOTE_IP), "192.0.2.7");

        const FileDialogRequest next = NextRequest();
        EXPECT_EQ(next.initialPath, row.path);
        EXPECT_EQ(next.filterIndex, filterIndex);
    }
    EXPECT_EQ(ReadFile(busy), Pattern(10));
    EXPECT_FALSE(fs::exists(dir / "missing.bin"));
}

TEST_F(BufferCommands, SaveOfAnEmptyPaneShowsNoDialog) {
    w.Click(IDC_BUTTON_SAVE_RECV);
    const std::string empty = dir / "empty.bin";
    WriteFile(empty, {});
    Choose(IDC_BUTTON_LOAD, empty);
    prompts.Clear();
    w.Click(IDC_BUTTON_SAVE_SEND);
    EXPECT_TRUE(prompts.Records().empty());
}

TEST_F(BufferCommands, CancelChangesNothing) {
    Receive(Pattern(20));
    const FileDialogRequest before = NextRequest();
    for (int button : {IDC_BUTTON_SAVE_RECV, IDC_BUTTON_SAVE_SEND, IDC_BUTTON_LOAD}) {
        SCOPED_TRACE(button);
        prompts.Clear();
        w.SetText(IDC_DATA_LENGTH, "12");  // typed, not applied
        Cancel(button);
        EXPECT_EQ(Dialogs().size(), 1u);
        EXPECT_TRUE(prompts.MessageBoxes().empty());
        EXPECT_EQ(SendBytes(), ToBytes(kInitial));
        EXPECT_EQ(RecvBytes(), Pattern(20));
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "12");
        EXPECT_EQ(LinkDlgProbe::DataLength(w.dlg), 36u);
        const FileDialogRequest next = NextRequest();
        EXPECT_EQ(next.initialPath, before.initialPath);
        EXPECT_EQ(next.filterIndex, before.filterIndex);
    }
    EXPECT_TRUE(dir.Empty());
}

TEST_F(BufferCommands, RememberedPathAndFilterCarryFromOneCommandToTheNext) {
    Receive(Pattern(20));
    const FileDialogRequest first = NextRequest();

    const std::string one = dir / "one.bin";
    Choose(IDC_BUTTON_SAVE_SEND, one, 2);
    const std::string two = dir / "two.dat";
    Choose(IDC_BUTTON_SAVE_RECV, two, 1);
    Choose(IDC_BUTTON_LOAD, one, 2);
    Cancel(IDC_BUTTON_SAVE_SEND);

    const auto requests = Dialogs();
    ASSERT_EQ(requests.size(), 5u);
    struct Expected {
        FileDialogKind kind;
        const char* title;
        std::string path;
        int filterIndex;
    };
    const Expected expected[] = {
        {FileDialogKind::SaveAs, "Save", first.initialPath, first.filterIndex},
        {FileDialogKind::SaveAs, "Save", one, 2},
        {FileDialogKind::Open, "Load", two, 1},
        {FileDialogKind::SaveAs, "Save", one, 2},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const FileDialogRequest& request = requests[i + 1];
        EXPECT_EQ(request.kind, expected[i].kind);
        EXPECT_EQ(request.title, expected[i].title);
        EXPECT_EQ(request.initialPath, expected[i].path);
        EXPECT_EQ(request.filterIndex, expected[i].filterIndex);
        EXPECT_EQ(request.defaultExtension, "bin");
        EXPECT_TRUE(request.hideReadOnly);
        EXPECT_TRUE(request.overwritePrompt);
        ASSERT_EQ(request.filters.size(), 2u);
        EXPECT_EQ(request.filters[0].name, "*.bin");
        EXPECT_EQ(request.filters[0].pattern, "*.bin");
        EXPECT_EQ(request.filters[1].name, "*.*");
        EXPECT_EQ(request.filters[1].pattern, "*.*");
    }
    EXPECT_EQ(ReadFile(one), ToBytes(kInitial));
    EXPECT_EQ(ReadFile(two), Pattern(20));
}

TEST_F(BufferCommands, ClearAfterReceivingCountsAndDumpsAnew) {
    sockettest::Fd listener = sockettest::RawListener();
    nettest::ConnectClient(w, sockettest::LocalPort(listener.get()));
    const sockettest::Fd peer(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_GE(peer.get(), 0);
    ASSERT_TRUE(sockettest::SendAll(peer.get(), std::string(5000, 'x')));
    ASSERT_TRUE(PumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "5000"; }));

    w.Click(IDC_BUTTON_CLEAR);
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "0");
    EXPECT_EQ(w.RecvPane().m_nLength, 0);
    EXPECT_EQ(SendBytes(), ToBytes(kInitial));
    EXPECT_EQ(w.State(), Connected);

    ASSERT_TRUE(sockettest::SendAll(peer.get(), "next block"));
    ASSERT_TRUE(PumpUntil([&] { return w.Text(IDC_RECV_COUNT) == "10"; }));
    EXPECT_EQ(RecvBytes(), ToBytes("next block"));
    char line[80] = {};
    const int n = w.RecvPane().GetLine(0, line, sizeof line);
    EXPECT_EQ(std::string(line, static_cast<std::size_t>(n)).substr(0, 9), "00000000|");
}

TEST_F(BufferCommands, ResizeKeepsTheFrontAndPadsWithZeros) {
    Resize("40");
    Bytes grown = ToBytes(kInitial);
    grown.resize(40, 0);
    EXPECT_EQ(SendBytes(), grown);
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "40");

    Resize("10");
    EXPECT_EQ(SendBytes(), ToBytes(kInitial.substr(0, 10)));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(BufferCommands, EnterInTheLengthFieldResizesOnce) {
    w.SetText(IDC_DATA_LENGTH, "70000");
    w.Key(IDC_DATA_LENGTH, VK_RETURN);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kRangeMessage});
    EXPECT_EQ(w.SendPane().m_nLength, 36);

    w.SetText(IDC_DATA_LENGTH, "40");
    w.Key(IDC_DATA_LENGTH, VK_RETURN);
    EXPECT_EQ(w.SendPane().m_nLength, 40);
    EXPECT_EQ(BoxTexts().size(), 1u);
}

TEST_F(BufferCommands, SpinStepsTheLengthWithinItsBounds) {
    CSpinButtonCtrl& spin = w.Get<CSpinButtonCtrl>(IDC_SPIN);
    struct Step {
        const char* name;
        const char* start;  // applied with RESIZE first, when set
        int delta;          // as proposed: -1 is the up arrow
        const char* shown;
    };
    const Step steps[] = {
        {"down from 36", nullptr, +1, "35"},   {"up again", nullptr, -1, "36"},
        {"1 down to 0", "1", +1, "0"},         {"0 stays 0", nullptr, +1, "0"},
        {"0 up to 1", nullptr, -1, "1"},       {"held down past 0", "3", +20, "0"},
        {"held up from 0", nullptr, -20, "1"}, {"held up", "3", -20, "23"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.start) Resize(step.start);
        const std::int64_t length = w.SendPane().m_nLength;
        EXPECT_EQ(spin.Step(step.delta), 0);  // the change is allowed
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), step.shown);
        // Only RESIZE changes the buffer.
        EXPECT_EQ(w.SendPane().m_nLength, length);
    }
    // The top of the range does not wrap round either.
    LinkDlgProbe::SetDataLength(w.dlg, 4294967290u);
    spin.Step(-20);
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "4294967295");
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(BufferCommands, UnappliedEditsGiveWayToTheStoredValues) {
    const std::string five = dir / "five.bin";
    WriteFile(five, Pattern(5));
    struct Row {
        const char* name;
        const char* typedLength;
        std::function<void()> command;
        const char* shownLength;
    };
    const Row rows[] = {
        {"load", "77", [&] { Choose(IDC_BUTTON_LOAD, five); }, "5"},
        {"clear", "77", [&] { w.Click(IDC_BUTTON_CLEAR); }, "5"},
        // A number that does not parse is never stored.
        {"failed resize", "12a", [&] { w.Click(IDC_BUTTON_RESIZE); }, "5"},
        {"spin", "77", [&] { w.Get<CSpinButtonCtrl>(IDC_SPIN).Step(-1); }, "6"},
    };
    // The mode chosen by the user survives every write of the stored values.
    w.ChooseMode(Udp);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        w.SetText(IDC_REMOTE_IP, "192.0.2.7");
        w.SetText(IDC_DATA_LENGTH, row.typedLength);
        row.command();
        EXPECT_EQ(w.Text(IDC_REMOTE_IP), "10.1.0.1");
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), row.shownLength);
        EXPECT_EQ(w.Get<CComboBox>(IDC_MODE).GetCurSel(), Udp);
    }
}

constexpr std::int64_t kChunk = ByteBuffer::kChunkSize;
// Longer than the program writes or reads in one go.
constexpr std::size_t kLong = (std::size_t{64} << 20) + 3 * kChunk + 5;

// Lets no block be taken beyond those held now, for its lifetime.
struct NoMoreBlocks {
    NoMoreBlocks() { SetBlockLimit(BlockBytesInUse()); }
    ~NoMoreBlocks() { SetBlockLimit(SIZE_MAX); }
};

TEST_F(BufferCommands, FilesOfSeveralChunksSaveAndLoadByteForByte) {
    for (const std::int64_t size : {kChunk - 1, kChunk, kChunk + 1, 5 * kChunk + 3}) {
        SCOPED_TRACE(size);
        const Bytes content = Pattern(static_cast<std::size_t>(size));
        const std::string in = dir / "in.bin";
        WriteFile(in, content);
        Choose(IDC_BUTTON_LOAD, in);
        EXPECT_TRUE(SendBytes() == content);
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), std::to_string(size));

        const std::string sent = dir / "send.bin";
        Choose(IDC_BUTTON_SAVE_SEND, sent);
        EXPECT_TRUE(ReadFile(sent) == content);

        w.Click(IDC_BUTTON_CLEAR);
        Receive(content);
        const std::string received = dir / "recv.bin";
        Choose(IDC_BUTTON_SAVE_RECV, received);
        EXPECT_TRUE(ReadFile(received) == content);
    }
    EXPECT_TRUE(prompts.MessageBoxes().empty());
    EXPECT_TRUE(prompts.ProgressWindows().empty());
}

// A long LOAD runs under the progress window while a peer's bytes keep
// arriving; Cancel leaves the send pane as it was, a full run replaces it.
TEST_F(BufferCommands, LongLoadShowsProgressKeepsReceivingAndCanBeCanceled) {
    sockettest::Fd listener = sockettest::RawListener();
    nettest::ConnectClient(w, sockettest::LocalPort(listener.get()));
    const sockettest::Fd peer(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(PumpUntil([&] { return w.State() == Connected; }));
    const std::string path = dir / "long.bin";
    const Bytes content = Pattern(kLong);
    WriteFile(path, content);

    int steps = 0;
    prompts.onProgressStep = [&](const IProgressTask& task) {
        EXPECT_EQ(task.Total(), static_cast<std::int64_t>(kLong));
        if (++steps == 2) sockettest::SendAll(peer.get(), "during load");
        // Cancel once the peer's bytes have been received meanwhile.
        return w.RecvPane().m_nLength == 11;
    };
    Choose(IDC_BUTTON_LOAD, path);
    auto windows = prompts.ProgressWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_TRUE(windows[0].progressCanceled);
    EXPECT_EQ(windows[0].caption, "Load");
    EXPECT_EQ(windows[0].text, "Loading " + path);
    EXPECT_EQ(windows[0].progressRequest.countFormat, "%1 of %2 bytes");
    EXPECT_EQ(windows[0].progressRequest.cancelText, "Cancel");
    EXPECT_EQ(RecvBytes(), ToBytes("during load"));
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), "11");
    EXPECT_EQ(SendBytes(), ToBytes(kInitial));
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "36");

    prompts.Clear();
    std::int64_t lastDone = 0;
    prompts.onProgressStep = [&](const IProgressTask& task) {
        EXPECT_GT(task.Done(), lastDone);
        lastDone = task.Done();
        return false;
    };
    Choose(IDC_BUTTON_LOAD, path);
    windows = prompts.ProgressWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_FALSE(windows[0].progressCanceled);
    EXPECT_GT(windows[0].progressSteps, 30);
    EXPECT_TRUE(SendBytes() == content);
    EXPECT_EQ(w.Text(IDC_DATA_LENGTH), std::to_string(kLong));
    EXPECT_TRUE(prompts.MessageBoxes().empty());
    EXPECT_EQ(w.State(), Connected);
}

// A long SAVE writes the pane as it was when the file opened, whatever
// arrives meanwhile; Cancel says how much reached the file.
TEST_F(BufferCommands, LongSaveWritesItsMomentAndCancelTellsWhatWasWritten) {
    const Bytes content = Pattern(kLong);
    Receive(content);
    const std::string whole = dir / "whole.bin";
    prompts.onProgressStep = [&](const IProgressTask&) {
        Receive(ToBytes("later"));
        return false;
    };
    Choose(IDC_BUTTON_SAVE_RECV, whole);
    ASSERT_EQ(prompts.ProgressWindows().size(), 1u);
    EXPECT_EQ(prompts.ProgressWindows()[0].caption, "Save");
    EXPECT_EQ(prompts.ProgressWindows()[0].text, "Saving " + whole);
    EXPECT_TRUE(ReadFile(whole) == content);
    EXPECT_TRUE(prompts.MessageBoxes().empty());

    prompts.Clear();
    int steps = 0;
    prompts.onProgressStep = [&](const IProgressTask&) { return ++steps == 5; };
    const std::string part = dir / "part.bin";
    Choose(IDC_BUTTON_SAVE_RECV, part);
    const auto written = static_cast<std::size_t>(fs::file_size(part));
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, kLong);
    const Bytes got = ReadFile(part);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), content.begin()));
    const std::string total = std::to_string(w.RecvPane().m_nLength);
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"Saving was canceled: " + std::to_string(written) + " of " +
                                       total + " bytes were written to " + part + "."});
}

TEST_F(BufferCommands, LoadWithoutMemoryForTheFileChangesNothing) {
    for (const std::size_t size : {std::size_t{3} << 20, kLong}) {
        SCOPED_TRACE(size);
        prompts.Clear();
        const std::string path = dir / "big.bin";
        WriteFile(path, Pattern(size));
        {
            NoMoreBlocks limit;
            Choose(IDC_BUTTON_LOAD, path);
        }
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Not enough memory to load " + path + " (" +
                                                       std::to_string(size) +
                                                       " bytes). The send data is unchanged."});
        EXPECT_TRUE(prompts.ProgressWindows().empty());
        EXPECT_EQ(SendBytes(), ToBytes(kInitial));
        EXPECT_EQ(w.Text(IDC_DATA_LENGTH), "36");
    }
}

// Received bytes that cannot be stored end the connection with one message;
// everything received before stays, and saves.
TEST_F(BufferCommands, ReceiveWithoutMemoryKeepsTheCaptureAndCloses) {
    sockettest::Fd listener = sockettest::RawListener();
    nettest::ConnectClient(w, sockettest::LocalPort(listener.get()));
    const sockettest::Fd peer(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(PumpUntil([&] { return w.State() == Connected; }));
    // Nearly a chunk first, so that the next reads need a new one.
    const Bytes first = Pattern(static_cast<std::size_t>(kChunk) - 100);
    ASSERT_TRUE(sockettest::SendAll(peer.get(), std::string(first.begin(), first.end())));
    ASSERT_TRUE(PumpUntil([&] { return w.RecvPane().m_nLength == kChunk - 100; }));
    {
        NoMoreBlocks limit;
        ASSERT_TRUE(sockettest::SendAll(peer.get(), std::string(20000, 'z')));
        ASSERT_TRUE(PumpUntil([&] { return w.State() == Idle; }));
        PumpMessages();
    }
    const std::int64_t kept = w.RecvPane().m_nLength;
    EXPECT_GE(kept, kChunk - 100);
    EXPECT_LE(kept, kChunk);
    Bytes expected = first;
    expected.resize(static_cast<std::size_t>(kept), 'z');
    EXPECT_TRUE(RecvBytes() == expected);
    EXPECT_EQ(w.Text(IDC_RECV_COUNT), std::to_string(kept));
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{
                  "Not enough memory to store more received data, so the connection "
                  "was closed. The " +
                  std::to_string(kept) + " bytes received before it are kept and can be saved."});
    EXPECT_EQ(w.DataHandle(), INVALID_SOCKET);
    EXPECT_EQ(w.Text(IDC_STATUS), "Ready");
    EXPECT_TRUE(w.Enabled(IDC_BUTTON_CONNECT));

    const std::string saved = dir / "capture.bin";
    Choose(IDC_BUTTON_SAVE_RECV, saved);
    EXPECT_TRUE(ReadFile(saved) == expected);
}

// The child's side of the tests below: they need a process of their own.
// Each one ends the process, with 0 when all held.
[[noreturn]] void OpenFirstDialogOfTheRun() {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    prompts.QueueFile(std::nullopt);
    w.Click(IDC_BUTTON_SAVE_SEND);
    const FileDialogRequest& request = prompts.Records().at(0).fileRequest;
    std::fprintf(stderr, "initial path [%s] filter %d\n", request.initialPath.c_str(),
                 request.filterIndex);
    const bool ok = request.initialPath == "/srv/test user/*.bin" && request.filterIndex == 1;
    std::_Exit(ok ? 0 : 1);
}

[[noreturn]] void SaveOntoADiskThatTakesTenBytes() {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    bool ok = false;
    {
        TempDir dir;
        const std::string path = dir / "short.bin";
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit saved = limit;
        limit.rlim_cur = 10;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        prompts.QueueFile(FileDialogResult{path, 1});
        w.Click(IDC_BUTTON_SAVE_SEND);
        // The test's own output goes to a file as well.
        ::setrlimit(RLIMIT_FSIZE, &saved);
        const auto boxes = prompts.MessageBoxes();
        for (const PromptRecord& box : boxes) std::fprintf(stderr, "[%s]\n", box.text.c_str());
        ok = boxes.size() == 1 && boxes[0].type == (MB_OK | MB_ICONEXCLAMATION) &&
             fs::file_size(path) == 10u;
    }
    std::_Exit(ok ? 0 : 1);
}

// The address space the process holds now, from the system's own count.
std::uint64_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

// With 1 GiB of address space left, as under `prlimit --as`: a 4 GiB file
// (sparse, so it costs no disk) gives a message, never an abort, and one of
// 768 MiB loads, because the file is held once.
[[noreturn]] void LoadPastAnAddressSpaceLimit() {
    EnglishScope language;
    ScriptedPrompts prompts;
    TestMainWindow w;
    bool ok = false;
    {
        TempDir dir;
        const std::string path = dir / "huge.bin";
        WriteFile(path, {});
        fs::resize_file(path, std::uintmax_t{4} << 30);
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        const rlimit saved = limit;
        limit.rlim_cur = AddressSpaceInUse() + (std::uint64_t{1} << 30);
        ::setrlimit(RLIMIT_AS, &limit);
        prompts.QueueFile(FileDialogResult{path, 1});
        w.Click(IDC_BUTTON_LOAD);
        const auto boxes = prompts.MessageBoxes();
        for (const PromptRecord& box : boxes) std::fprintf(stderr, "[%s]\n", box.text.c_str());
        ok = boxes.size() == 1 && boxes[0].text.rfind("Not enough memory to load", 0) == 0 &&
             w.SendPane().m_data.ToVector() == ToBytes(kInitial) && w.Text(IDC_DATA_LENGTH) == "36";
        constexpr std::int64_t kFits = std::int64_t{768} << 20;
        fs::resize_file(path, kFits);
        prompts.QueueFile(FileDialogResult{path, 1});
        w.Click(IDC_BUTTON_LOAD);
        ::setrlimit(RLIMIT_AS, &saved);
        ok = ok && prompts.MessageBoxes().size() == 1 && w.SendPane().m_nLength == kFits;
    }
    std::_Exit(ok ? 0 : 1);
}

// The remembered path starts out only once per run, so this runs in a
// process of its own.
TEST(BufferCommandsFirstRun, FirstDialogOpensOnBinFilesInTheHomeFolder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    ::setenv("HOME", "/srv/test user/", 1);
    EXPECT_EXIT(OpenFirstDialogOfTheRun(), ::testing::ExitedWithCode(0), "");
    if (saved) {
        ::setenv("HOME", savedHome.c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

// A disk that takes only part of the file: the user is told what is missing.
TEST(BufferCommandsShortWrite, IncompleteSaveIsReported) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The reason is the system's own text, in the system's language.
    EXPECT_EXIT(SaveOntoADiskThatTakesTenBytes(), ::testing::ExitedWithCode(0),
                "Could not write .*short.bin: " + SystemErrorText(EFBIG) + ".*10 of 36 bytes");
}

TEST(BufferCommandsAddressSpace, LoadPastTheLimitShowsTheMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer holds more address space than a limit leaves";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoadPastAnAddressSpaceLimit(), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
