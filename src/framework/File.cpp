#include "framework/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// One read or write call moves at most this much; larger requests loop.
constexpr std::int64_t kMaxTransfer = 0x7ffff000;

int CloseKeepingErrno(int fd) {
    const int saved = errno;
    ::close(fd);
    return saved;
}

}  // namespace

CFile::~CFile() {
    Close();
}

int CFile::Open(const std::string& path, UINT nOpenFlags) {
    Close();
    if (path.empty() || path.find('\0') != std::string::npos) return ENOENT;
    // O_NONBLOCK: opening a device or a pipe must not hang the window; it
    // is refused below anyway. No O_TRUNC: a file that turns out to be in
    // use must keep its content, so emptying waits for the lock.
    const int flags = O_RDWR | O_CLOEXEC | O_NONBLOCK;
    bool created = false;
    int fd = -1;
    if (nOpenFlags & modeCreate) {
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
        created = fd >= 0;
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) fd = ::open(path.c_str(), flags);
    if (fd < 0) return errno;

    struct stat st {};
    if (::fstat(fd, &st) != 0) return CloseKeepingErrno(fd);
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    // An existing file that grants writing to nobody is read-only, even to
    // a user whom the system would let write it anyway (root). A file made
    // just now is exempt: a strict umask may have left it without write bits.
    if (!created && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(fd);
        return EACCES;
    }
    // EWOULDBLOCK: another open file holds the lock, the file is in use.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return CloseKeepingErrno(fd);
    // A file made just now is empty already. Emptying it anyway would cost
    // the close: a file system such as ext4 then writes out everything
    // written since, at once, to guard a replaced file's content.
    if ((nOpenFlags & modeCreate) && !created && ::ftruncate(fd, 0) != 0) {
        return CloseKeepingErrno(fd);
    }
    // Back to blocking transfers: a plain file never waits, and a short
    // count must mean a real error, not EAGAIN.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    return 0;
}

int CFile::Close() {
    if (m_fd < 0) return 0;
    const int fd = m_fd;
    m_fd = -1;
    // Closing the last descriptor of the open file releases the lock.
    return ::close(fd) == 0 ? 0 : errno;
}

std::int64_t CFile::GetLength(int* pError) const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        if (pError) *pError = m_fd < 0 ? EBADF : errno;
        return -1;
    }
    if (pError) *pError = 0;
    return static_cast<std::int64_t>(st.st_size);
}

CFile::IoResult CFile::Read(void* pBuffer, std::int64_t nCount) {
    IoResult result;
    if (m_fd < 0) {
        result.error = EBADF;
        return result;
    }
    auto* bytes = static_cast<char*>(pBuffer);
    while (result.count < nCount) {
        const auto chunk = static_cast<std::size_t>(std::min(nCount - result.count, kMaxTransfer));
        const ssize_t n = ::read(m_fd, bytes + result.count, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = errno;
            break;
        }
        if (n == 0) break;  // the end of the file
        result.count += n;
    }
    return result;
}

CFile::IoResult CFile::Write(const void* pBuffer, std::int64_t nCount) {
    IoResult result;
    if (m_fd < 0) {
        result.error = EBADF;
        return result;
    }
    const auto* bytes = static_cast<const char*>(pBuffer);
    while (result.count < nCount) {
        const auto chunk = static_cast<std::size_t>(std::min(nCount - result.count, kMaxTransfer));
        const ssize_t n = ::write(m_fd, bytes + result.count, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = errno;
            break;
        }
        if (n == 0) {
            // A plain file that takes nothing has no room left.
            result.error = ENOSPC;
            break;
        }
        result.count += n;
    }
    return result;
}

std::string SystemErrorText(int nError) {
    char text[256] = {};
    // The GNU strerror_r returns the text, possibly not in `text`.
    const char* message = strerror_r(nError, text, sizeof text);
    if (message == nullptr || *message == '\0') return "Unknown error " + std::to_string(nError);
    return message;
}
