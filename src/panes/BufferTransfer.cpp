#include "panes/BufferTransfer.h"

bool CBufferLoad::Begin(std::int64_t length) {
    // All the chunks at once: a file that cannot fit is refused before any
    // of it is read, and the chunks take memory only as they fill.
    m_nTotal = std::max<std::int64_t>(length, 0);
    return m_bytes.Resize(m_nTotal);
}

bool CBufferLoad::Step() {
    if (m_nDone >= m_nTotal) return false;
    // The buffer is new and shared with no one, so its chunks are writable.
    const std::span<std::uint8_t> room = m_bytes.WritableAt(m_nDone);
    const CFile::IoResult read = m_file.Read(room.data(), static_cast<std::int64_t>(room.size()));
    m_nDone += read.count;
    if (read.error != 0) {
        m_nError = read.error;
        return false;
    }
    if (read.count < static_cast<std::int64_t>(room.size())) {
        // The file ended early (it shrank since its length was taken).
        m_bytes.Resize(m_nDone);
        m_nTotal = m_nDone;
        return false;
    }
    return m_nDone < m_nTotal;
}

bool CBufferSave::Step() {
    if (m_nDone >= m_nTotal) return false;
    const std::span<const std::uint8_t> run = m_bytes.ContiguousAt(m_nDone);
    const CFile::IoResult written = m_file.Write(run.data(), static_cast<std::int64_t>(run.size()));
    m_nDone += written.count;
    // Chunks written are no longer needed here; if the pane has let go of
    // them too (a CLEAR meanwhile), their memory goes back now.
    m_bytes.ReleaseBefore(m_nDone);
    if (written.error != 0) {
        m_nError = written.error;
        return false;
    }
    return m_nDone < m_nTotal;
}
