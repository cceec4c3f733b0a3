#pragma once
// CFile: one open file, used by the buffer commands to save and load plain
// byte files. An open file is held without sharing: the object takes an
// exclusive advisory lock (flock) for as long as it keeps the file open, and
// a file that another open file already holds locked counts as in use, so
// the open fails. Every failure comes back as an errno value; nothing
// throws.

#include <cstdint>
#include <string>

#include "framework/WinDef.h"

class CFile {
public:
    // Open flags. Without modeCreate only an existing file opens.
    enum OpenFlags : UINT {
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        // Creates the file, or empties an existing one once it is locked.
        modeCreate = 0x1000,
    };

    // The result of a read or a write: the bytes moved and the errno value
    // that stopped it (0 when the whole request was done, or a read met
    // the end of the file).
    struct IoResult {
        std::int64_t count = 0;
        int error = 0;
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // 0 on success, else the errno value: ENOENT for a missing file,
    // EWOULDBLOCK for a file in use, EISDIR for a folder, EACCES for a
    // file without write permission, EINVAL for anything that is not a
    // plain file (a device or a pipe would block or never end).
    [[nodiscard]] int Open(const std::string& path, UINT nOpenFlags);
    // Releases the lock and closes; 0, or the errno value of a close that
    // failed (data may not have reached the file). Closing a closed file
    // does nothing.
    int Close();

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }

    // The file's length in bytes, or -1 with the errno value in *pError.
    [[nodiscard]] std::int64_t GetLength(int* pError = nullptr) const;
    // Reads up to nCount bytes from the current position; stops early only
    // at the end of the file or on an error.
    [[nodiscard]] IoResult Read(void* pBuffer, std::int64_t nCount);
    // Writes all nCount bytes at the current position, however many system
    // calls that takes; a short count always comes with its error.
    [[nodiscard]] IoResult Write(const void* pBuffer, std::int64_t nCount);

private:
    int m_fd = -1;
};

// The system's text for an errno value, in the user's language where the
// system has one.
[[nodiscard]] std::string SystemErrorText(int nError);
