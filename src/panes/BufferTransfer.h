#pragma once
// Moving a pane's bytes to and from a plain byte file in steps, so that a
// large file can be read or written from the event loop under a progress
// window, and a small one in one go.
//
// CBufferLoad reads a file straight into chunked storage of its own: the
// file is held once, and the pane takes the buffer over only when the
// whole file is in. CBufferSave writes a snapshot of a pane: the bytes
// written are those the pane held when the save began, whatever arrives or
// changes meanwhile.

#include <cstdint>

#include "framework/File.h"
#include "framework/Prompts.h"
#include "panes/ByteBuffer.h"

// Each step moves at most one chunk, a few milliseconds of work.
class CBufferLoad : public IProgressTask {
public:
    explicit CBufferLoad(CFile& file) : m_file(file) {}

    // Makes room for `length` bytes; false when there is no memory for
    // them (nothing is read then).
    [[nodiscard]] bool Begin(std::int64_t length);

    bool Step() override;
    [[nodiscard]] std::int64_t Done() const override { return m_nDone; }
    [[nodiscard]] std::int64_t Total() const override { return m_nTotal; }
    // The errno value that stopped the read, 0 when none did.
    [[nodiscard]] int Error() const { return m_nError; }

    // The bytes read: all of the file, or fewer when it turned out shorter
    // than its length said.
    [[nodiscard]] ByteBuffer TakeBytes() { return std::move(m_bytes); }

private:
    CFile& m_file;
    ByteBuffer m_bytes{BlockPages::Small};
    std::int64_t m_nDone = 0;
    std::int64_t m_nTotal = 0;
    int m_nError = 0;
};

class CBufferSave : public IProgressTask {
public:
    CBufferSave(CFile& file, ByteSnapshot bytes)
        : m_file(file), m_bytes(std::move(bytes)), m_nTotal(m_bytes.Size()) {}

    bool Step() override;
    // The bytes that have reached the file.
    [[nodiscard]] std::int64_t Done() const override { return m_nDone; }
    [[nodiscard]] std::int64_t Total() const override { return m_nTotal; }
    [[nodiscard]] int Error() const { return m_nError; }

private:
    CFile& m_file;
    ByteSnapshot m_bytes;
    std::int64_t m_nTotal;
    std::int64_t m_nDone = 0;
    int m_nError = 0;
};
