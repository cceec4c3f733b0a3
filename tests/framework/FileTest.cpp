// CFile over real files in a temporary folder, and the file dialog's
// request as the prompts seam sees it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/File.h"
#include "framework/FileDialog.h"
#include "testkit/ScriptedPrompts.h"

namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "velmora-file-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_path.empty()) fs::remove_all(m_path, ignored);
    }
    [[nodiscard]] std::string operator/(const std::string& name) const {
        return (m_path / name).string();
    }

private:
    fs::path m_path;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr UINT kExisting = CFile::modeReadWrite | CFile::shareExclusive;
constexpr UINT kCreate = CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive;

// Runs `body` in a child process and returns its exit code (-1 if it did
// not exit normally). The child leaves with _exit, past every destructor.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(File, CreateWritesAndOpenReadsBackWithLength) {
    TempDir dir;
    const std::string path = dir / "data.bin";
    std::string bytes(70000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 8));
    {
        CFile file;
        ASSERT_EQ(file.Open(path, kCreate), 0);
        const CFile::IoResult written = file.Write(bytes.data(), 70000);
        EXPECT_EQ(written.count, 70000);
        EXPECT_EQ(written.error, 0);
        EXPECT_EQ(file.Close(), 0);
        EXPECT_FALSE(file.IsOpen());
    }
    CFile file;
    ASSERT_EQ(file.Open(path, kExisting), 0);
    EXPECT_EQ(file.GetLength(), 70000);
    // Asking for more than there is stops at the end, without an error.
    std::string back(80000, 'x');
    const CFile::IoResult read = file.Read(back.data(), 80000);
    EXPECT_EQ(read.count, 70000);
    EXPECT_EQ(read.error, 0);
    back.resize(70000);
    EXPECT_TRUE(back == bytes);
}

TEST(File, CreateEmptiesAnExistingFileAndOpeningAnExistingOneKeepsIt) {
    TempDir dir;
    const std::string path = dir / "old.bin";
    WriteBytes(path, "old content");
    {
        CFile file;
        ASSERT_EQ(file.Open(path, kExisting), 0);
        EXPECT_EQ(file.GetLength(), 11);
    }
    EXPECT_EQ(ReadBytes(path), "old content");
    {
        CFile file;
        ASSERT_EQ(file.Open(path, kCreate), 0);
        EXPECT_EQ(file.GetLength(), 0);
        EXPECT_EQ(file.Write("new", 3).count, 3);
    }
    EXPECT_EQ(ReadBytes(path), "new");
}

TEST(File, OpenFailuresComeBackAsErrnoValuesAndHarmNothing) {
    TempDir dir;
    const std::string readOnly = dir / "readonly.bin";
    WriteBytes(readOnly, "keep");
    ::chmod(readOnly.c_str(), 0444);
    ::mkfifo((dir / "pipe").c_str(), 0666);
    fs::create_directory(dir / "folder");
    struct Row {
        const char* name;
        std::string path;
        UINT flags;
        int error;
    };
    const Row rows[] = {
        {"missing", dir / "missing.bin", kExisting, ENOENT},
        {"missing folder on create", dir / "no/such.bin", kCreate, ENOENT},
        {"empty name", "", kCreate, ENOENT},
        {"folder", dir / "folder", kExisting, EISDIR},
        {"folder on create", dir / "folder", kCreate, EISDIR},
        // Refused even where the system would let the user write (root).
        {"read-only", readOnly, kExisting, EACCES},
        {"read-only on create", readOnly, kCreate, EACCES},
        // Neither blocks nor opens.
        {"pipe", dir / "pipe", kExisting, EINVAL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CFile file;
        EXPECT_EQ(file.Open(row.path, row.flags), row.error);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.GetLength(), -1);
        EXPECT_EQ(file.Read(nullptr, 0).error, EBADF);
    }
    EXPECT_EQ(ReadBytes(readOnly), "keep");
    EXPECT_FALSE(fs::exists(dir / "no"));
}

TEST(File, AFileHeldOpenIsInUseAndKeepsItsContent) {
    TempDir dir;
    const std::string path = dir / "busy.bin";
    WriteBytes(path, "busy");
    {
        CFile holder;
        ASSERT_EQ(holder.Open(path, kExisting), 0);
        CFile second;
        EXPECT_EQ(second.Open(path, kExisting), EWOULDBLOCK);
        // Creating over a file in use must not empty it first.
        EXPECT_EQ(second.Open(path, kCreate), EWOULDBLOCK);
        EXPECT_EQ(ReadBytes(path), "busy");
    }
    CFile after;
    EXPECT_EQ(after.Open(path, kExisting), 0);
}

TEST(File, AFileLockedByAnotherProcessIsInUse) {
    TempDir dir;
    const std::string path = dir / "other.bin";
    WriteBytes(path, "theirs");
    int locked[2];
    int release[2];
    ASSERT_EQ(::pipe(locked), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only the parent's ends stay open elsewhere, so closing them ends
        // the wait below; the alarm bounds it should the parent die.
        ::close(locked[0]);
        ::close(release[1]);
        ::alarm(60);
        const int fd = ::open(path.c_str(), O_RDWR);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        (void)!::write(locked[1], &ok, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);  // until the parent lets go
        ::_exit(0);
    }
    ::close(locked[1]);
    ::close(release[0]);
    char ok = 'n';
    ASSERT_EQ(::read(locked[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    {
        CFile file;
        EXPECT_EQ(file.Open(path, kExisting), EWOULDBLOCK);
        EXPECT_EQ(file.Open(path, kCreate), EWOULDBLOCK);
    }
    EXPECT_EQ(ReadBytes(path), "theirs");
    ::close(release[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(locked[0]);
    CFile file;
    EXPECT_EQ(file.Open(path, kExisting), 0);
}

TEST(File, AShortWriteReportsHowMuchWentAndWhy) {
    TempDir dir;
    const std::string path = dir / "limited.bin";
    // The child may write no more than 1000 bytes to any file.
    const int code = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
        CFile file;
        if (file.Open(path, kCreate) != 0) return 11;
        const std::string bytes(5000, 'a');
        const CFile::IoResult result = file.Write(bytes.data(), 5000);
        if (result.count != 1000) return 12;
        if (result.error != EFBIG) return 13;
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(fs::file_size(path), 1000u);
}

TEST(File, ErrorTextIsTheSystemsOwn) {
    EXPECT_EQ(AfxFileErrorText(ENOENT), "No such file or directory");
    EXPECT_FALSE(AfxFileErrorText(999999).empty());
}

TEST(FileDialog, FilterListParsesIntoNamedPatterns) {
    const auto filters = ParseFileDialogFilter("*.bin\0*.bin\0All files\0*.*\0");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].name, "*.bin");
    EXPECT_EQ(filters[0].pattern, "*.bin");
    EXPECT_EQ(filters[1].name, "All files");
    EXPECT_EQ(filters[1].pattern, "*.*");
    EXPECT_TRUE(ParseFileDialogFilter(nullptr).empty());
    EXPECT_TRUE(ParseFileDialogFilter("").empty());
    // A name left without a pattern is no entry.
    EXPECT_EQ(ParseFileDialogFilter("a\0*.a\0b\0").size(), 1u);
}

TEST(FileDialog, RequestCarriesTheSettingsAndTheAnswerIsKept) {
    ScriptedPrompts prompts;
    CFileDialog dlg(false, "bin", "/home/u/*.bin", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    "*.bin\0*.bin\0*.*\0*.*\0");
    dlg.m_ofn.nFilterIndex = 2;
    dlg.m_ofn.strTitle = "Save";
    prompts.QueueFile(FileDialogResult{"/tmp/x.bin", 1});
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), "/tmp/x.bin");
    EXPECT_EQ(dlg.m_ofn.nFilterIndex, 1);
    ASSERT_EQ(prompts.Records().size(), 1u);
    const FileDialogRequest& request = prompts.Records()[0].fileRequest;
    EXPECT_EQ(request.kind, FileDialogKind::SaveAs);
    EXPECT_EQ(request.title, "Save");
    EXPECT_EQ(request.initialPath, "/home/u/*.bin");
    EXPECT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filterIndex, 2);
    EXPECT_EQ(request.defaultExtension, "bin");
    EXPECT_TRUE(request.hideReadOnly);
    EXPECT_TRUE(request.overwritePrompt);

    // Cancel keeps the earlier answer; an index the list does not have is
    // not taken over.
    prompts.QueueFile(std::nullopt);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    prompts.QueueFile(FileDialogResult{"/tmp/y.bin", 7});
    CFileDialog open(true, "bin", "", OFN_HIDEREADONLY, "*.bin\0*.bin\0");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.m_ofn.nFilterIndex, 1);
    EXPECT_EQ(prompts.Records().back().fileRequest.kind, FileDialogKind::Open);
    EXPECT_FALSE(prompts.Records().back().fileRequest.overwritePrompt);
}

TEST(FileDialog, HomeFolderComesFromTheEnvironmentElseTheAccount) {
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    ::setenv("HOME", "/srv/someone//", 1);
    EXPECT_EQ(AfxGetHomeFolder(), "/srv/someone");
    ::setenv("HOME", "/", 1);
    EXPECT_EQ(AfxGetHomeFolder(), "/");
    ::unsetenv("HOME");
    const std::string fromAccount = AfxGetHomeFolder();
    EXPECT_FALSE(fromAccount.empty());
    EXPECT_EQ(fromAccount.front(), '/');
    if (saved) ::setenv("HOME", savedHome.c_str(), 1);
}
