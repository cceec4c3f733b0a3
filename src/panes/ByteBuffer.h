#pragma once
// ByteBuffer: the byte store behind a hex data pane.
//
// The receive pane grows by up to 1024 bytes per read for as long as a capture
// runs, possibly past several GiB. A doubling vector would briefly hold twice
// the data and copy everything it already holds on every growth step, so the
// bytes live in fixed-size chunks instead: appending fills the last chunk and
// starts a new one when it is full, and bytes once stored never move. The only
// per-size overhead is one pointer per 2 MiB chunk, plus the unused part of
// the last chunk.
//
// Chunks come straight from the system (AllocateBlock), zero-filled and
// backed only where written. Storing fresh bytes costs mostly page faults:
// one small page fault per 4 KiB took several microseconds on the machines
// measured, more than all other work of a 1 KiB read. So every chunk after
// the first asks for large pages (one fault per 2 MiB). The first chunk
// keeps small pages, so that a pane of a few bytes, like the send pane,
// holds a few KiB rather than a whole large page. A buffer that a file is
// read into keeps small pages throughout (see the constructor).
//
// Chunks are shared with snapshots (ByteSnapshot): a snapshot keeps the
// bytes as they were when it was taken, without a copy, for as long as a
// send or a save still needs them. The buffer copies a shared chunk before
// it writes to it, so a snapshot never sees a later change, and in the
// common case, where the pane is not touched while its bytes go out,
// nothing is copied at all.
//
// Running out of memory is a value, not an exception: every operation that
// needs memory returns false when the system has none left and then leaves
// the buffer exactly as it was.
//
// Every size and index is 64-bit. Counts below zero are treated as zero.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

#include "framework/BlockMemory.h"

namespace byte_chunks {

// 2 MiB, the size of a large page: chunk bookkeeping is negligible per
// byte, and the unused tail of the last chunk is a small constant (and
// costs no memory until written). A multiple of the 16-byte dump line,
// so no dump line straddles two chunks.
inline constexpr int kShift = 21;
inline constexpr std::int64_t kSize = std::int64_t{1} << kShift;

// One chunk, freed when its last holder lets go of it.
using Chunk = std::shared_ptr<std::uint8_t>;

[[nodiscard]] inline std::size_t ChunkOf(std::int64_t index) noexcept {
    return static_cast<std::size_t>(index >> kShift);
}
[[nodiscard]] inline std::size_t OffsetInChunk(std::int64_t index) noexcept {
    return static_cast<std::size_t>(index & (kSize - 1));
}
[[nodiscard]] inline std::size_t ChunksFor(std::int64_t count) noexcept {
    return static_cast<std::size_t>((count + kSize - 1) >> kShift);
}

// The run of `size` bytes held in `chunks` that starts at offset and ends at
// the end of its chunk or of the bytes; empty when offset is outside them.
[[nodiscard]] std::span<const std::uint8_t> RunAt(const std::vector<Chunk>& chunks,
                                                  std::int64_t size, std::int64_t offset) noexcept;

// Calls visit for each run of the first `size` bytes of `chunks` from
// `first` on; see ByteBuffer::ForEachSpan.
template <typename Visitor>
bool ForEachRun(const std::vector<Chunk>& chunks, std::int64_t size, std::int64_t first,
                Visitor&& visit) {
    for (std::int64_t at = std::max<std::int64_t>(first, 0); at < size;) {
        const std::span<const std::uint8_t> run = RunAt(chunks, size, at);
        at += static_cast<std::int64_t>(run.size());
        if constexpr (std::is_same_v<std::invoke_result_t<Visitor&, decltype(run)>, bool>) {
            if (!visit(run)) {
                return false;
            }
        } else {
            visit(run);
        }
    }
    return true;
}

}  // namespace byte_chunks

// The bytes of a buffer as they were when the snapshot was taken. Cheap to
// take (one reference per chunk), unaffected by later changes to the
// buffer, and able to let go of the chunks it has no more use for.
class ByteSnapshot {
public:
    ByteSnapshot() = default;

    [[nodiscard]] std::int64_t Size() const noexcept { return m_size; }
    [[nodiscard]] bool Empty() const noexcept { return m_size == 0; }

    // As ByteBuffer::ContiguousAt; empty too for bytes already released.
    [[nodiscard]] std::span<const std::uint8_t> ContiguousAt(std::int64_t offset) const noexcept;
    // As ByteBuffer::ForEachSpan, for the bytes from offset `first` on.
    template <typename Visitor>
    bool ForEachSpan(Visitor&& visit, std::int64_t first = 0) const {
        return byte_chunks::ForEachRun(m_chunks, m_size, first, visit);
    }

    // Lets go of every chunk that lies wholly before offset: those bytes
    // will not be read again, and their memory goes back to the system
    // once the buffer does not hold them either.
    void ReleaseBefore(std::int64_t offset) noexcept;

private:
    friend class ByteBuffer;
    std::vector<byte_chunks::Chunk> m_chunks;
    std::int64_t m_size = 0;
};

class ByteBuffer {
public:
    static constexpr int kChunkShift = byte_chunks::kShift;
    static constexpr std::int64_t kChunkSize = byte_chunks::kSize;

    ByteBuffer() = default;
    // A buffer whose chunks after the first take `pages`. A file read fills
    // a chunk in one call; with large pages the system may stop to compact
    // memory for each one, which made a LOAD four times slower than with
    // small pages once the page cache held much.
    explicit ByteBuffer(BlockPages pages) noexcept : m_pages(pages) {}
    ~ByteBuffer() = default;
    // Copying a multi-GiB capture by accident would be costly; share it with
    // Snapshot, or copy explicitly with ForEachSpan or ToVector.
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;

    [[nodiscard]] std::int64_t Size() const noexcept { return m_size; }
    [[nodiscard]] bool Empty() const noexcept { return m_size == 0; }

    // Bytes of address space held for the contents: the chunks in use, never
    // more than Size() + kChunkSize - 1 (rounded up to whole chunks).
    [[nodiscard]] std::int64_t AllocatedBytes() const noexcept;

    // The byte at index, 0 <= index < Size().
    [[nodiscard]] std::uint8_t At(std::int64_t index) const noexcept {
        return m_chunks[byte_chunks::ChunkOf(index)].get()[byte_chunks::OffsetInChunk(index)];
    }
    // Overwrites the byte at index, 0 <= index < Size(); the length never
    // changes. False when the byte's chunk is shared with a snapshot and
    // there is no memory for a copy of it: the byte is then unchanged.
    [[nodiscard]] bool Set(std::int64_t index, std::uint8_t value) noexcept;

    // Each of the next three returns false when memory ran out, and leaves
    // the buffer unchanged then.
    //
    // Replaces the contents with count bytes from src. src must not point into
    // this buffer.
    bool Assign(const void* src, std::int64_t count) noexcept;
    // Adds count bytes from src at the end without moving the bytes already
    // held. src must not point into this buffer.
    bool Append(const void* src, std::int64_t count) noexcept;
    // Keeps the first min(Size(), count) bytes and fills any growth with 0x00.
    // Shrinking releases the chunks no longer needed; growing takes address
    // space only, no memory until the bytes are written.
    bool Resize(std::int64_t count) noexcept;
    // Empties the buffer and releases all its memory.
    void Clear() noexcept;

    // The bytes as they are now, sharing this buffer's chunks; std::nullopt
    // when there is no memory for its chunk list.
    [[nodiscard]] std::optional<ByteSnapshot> Snapshot() const noexcept;

    // Copies up to count bytes starting at offset into dst and returns how many
    // were copied: fewer when the range runs past the end, 0 when offset is
    // outside the buffer.
    [[nodiscard]] std::int64_t CopyOut(std::int64_t offset, void* dst,
                                       std::int64_t count) const noexcept;

    // The contiguous run of stored bytes that starts at offset and ends at the
    // end of its chunk or of the buffer, whichever comes first; empty when
    // offset is outside the buffer.
    [[nodiscard]] std::span<const std::uint8_t> ContiguousAt(std::int64_t offset) const noexcept;
    // The same run, to be written in place (a file read straight into the
    // buffer); empty when offset is outside the buffer, or when the chunk is
    // shared and there is no memory for a copy.
    [[nodiscard]] std::span<std::uint8_t> WritableAt(std::int64_t offset) noexcept;

    // Calls visit(std::span<const std::uint8_t>) for each contiguous run of the
    // contents in order; the runs together cover exactly Size() bytes and none
    // is empty. A visitor that returns bool stops the walk by returning false
    // (for example when a write fails); the call then returns false.
    template <typename Visitor>
    bool ForEachSpan(Visitor&& visit) const {
        return byte_chunks::ForEachRun(m_chunks, m_size, 0, visit);
    }

    [[nodiscard]] std::vector<std::uint8_t> ToVector() const;

private:
    using Chunk = byte_chunks::Chunk;

    // Appends count bytes copied from src, or zero bytes when src is null.
    bool Grow(const std::uint8_t* src, std::int64_t count) noexcept;
    // Makes chunk `index` this buffer's own, copying it if a snapshot shares
    // it; false when there is no memory for the copy.
    bool Unshare(std::size_t index) noexcept;

    // Invariant: m_chunks.size() == ChunksFor(m_size); every chunk before the
    // last is full.
    std::vector<Chunk> m_chunks;
    std::int64_t m_size = 0;
    BlockPages m_pages = BlockPages::Large;
};
