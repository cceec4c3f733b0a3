// CFile over real files in a temporary folder, and where file dialogs start.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
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
#include "testkit/TempDir.h"

namespace {

namespace fs = std::filesystem;

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr UINT kExisting = CFile::modeReadWrite | CFile::shareExclusive;
constexpr UINT kCreate = CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive;

}  // namespace

TEST(File, CreateEmptiesWritesAndOpenReadsBackWithLength) {
    TempDir dir;
    const std::string path = dir / "data.bin";
    WriteBytes(path, std::string(90000, 'o'));
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
        // Creating over a file in use must not empty it first.
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

TEST(FileDialog, HomeFolderComesFromTheEnvironmentElseTheAccount) {
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    ::setenv("HOME", "/srv/someone//", 1);
    EXPECT_EQ(GetHomeFolder(), "/srv/someone");
    ::setenv("HOME", "/", 1);
    EXPECT_EQ(GetHomeFolder(), "/");
    ::unsetenv("HOME");
    const std::string fromAccount = GetHomeFolder();
    EXPECT_FALSE(fromAccount.empty());
    EXPECT_EQ(fromAccount.front(), '/');
    if (saved) ::setenv("HOME", savedHome.c_str(), 1);
}
