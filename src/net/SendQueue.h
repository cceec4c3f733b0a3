#pragma once
// CSendQueue: the bytes of SEND presses that the system has not taken yet,
// in the order they were pressed. Each press is held as a snapshot of the
// send pane: no copy of the bytes is made, and an edit, LOAD or RESIZE of
// the pane after the press changes nothing of what goes out. Whole chunks
// are let go of as they are sent, and the queue holds no memory once it is
// empty.

#include <cstdint>
#include <vector>

#include "framework/AsyncSocket.h"
#include "panes/ByteBuffer.h"

class CSendQueue {
public:
    // Queues the bytes after those already queued. False when there is no
    // memory to queue them: nothing is queued then. An empty snapshot adds
    // nothing.
    [[nodiscard]] bool Push(ByteSnapshot bytes) noexcept;

    // Bytes queued and not yet taken by the system.
    [[nodiscard]] std::int64_t BytesQueued() const noexcept { return m_nBytesQueued; }
    [[nodiscard]] bool Empty() const noexcept { return m_nBytesQueued == 0; }

    // The next bytes to go, as slices for one gathered send (at most
    // kMaxSendSlices of them and at most INT_MAX bytes); returns the number
    // of slices written to `slices`, 0 when the queue is empty.
    int Front(SendSlice* slices) const noexcept;
    // Drops the first `count` bytes, which the system has taken.
    void Consume(std::int64_t count) noexcept;
    // Drops everything queued.
    void Clear() noexcept;

private:
    struct Entry {
        ByteSnapshot bytes;
        std::int64_t sent = 0;
    };
    // Presses in order; a few at most in practice, so dropping the first
    // one moves little.
    std::vector<Entry> m_entries;
    std::int64_t m_nBytesQueued = 0;
};

// The bytes of `bytes` from offset `first` on as slices for one gathered
// send, as CSendQueue::Front gives them; returns the number of slices.
int GatherSlices(const ByteSnapshot& bytes, std::int64_t first, SendSlice* slices,
                 int maxSlices) noexcept;
