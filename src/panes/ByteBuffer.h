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
// Chunks come straight from the system (AfxAllocateBlock), zero-filled and
// backed only where written. Storing fresh bytes costs mostly page faults:
// one small page fault per 4 KiB took several microseconds on the machines
// measured, more than all other work of a 1 KiB read. So every chunk after
// the first asks for large pages (one fault per 2 MiB). The first chunk
// keeps small pages, so that a pane of a few bytes, like the send pane,
// holds a few KiB rather than a whole large page.
//
// Every size and index is 64-bit. Counts below zero are treated as zero.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

class ByteBuffer {
public:
    // 2 MiB, the size of a large page: chunk bookkeeping is negligible per
    // byte, and the unused tail of the last chunk is a small constant (and
    // costs no memory until written). A multiple of the 16-byte dump line,
    // so no dump line straddles two chunks.
    static constexpr int kChunkShift = 21;
    static constexpr std::int64_t kChunkSize = std::int64_t{1} << kChunkShift;

    ByteBuffer() = default;
    ~ByteBuffer() = default;
    // Copying a multi-GiB capture by accident would be costly; copy explicitly
    // with ForEachSpan or ToVector when it is really wanted.
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
    [[nodiscard]] std::uint8_t At(std::int64_t index) const noexcept
    {
        return m_chunks[ChunkOf(index)][OffsetInChunk(index)];
    }
    // Overwrites the byte at index, 0 <= index < Size(); the length never changes.
    void Set(std::int64_t index, std::uint8_t value) noexcept
    {
        m_chunks[ChunkOf(index)][OffsetInChunk(index)] = value;
    }

    // Replaces the contents with count bytes from src. src must not point into
    // this buffer.
    void Assign(const void* src, std::int64_t count);
    // Adds count bytes from src at the end without moving the bytes already
    // held. src must not point into this buffer.
    void Append(const void* src, std::int64_t count);
    // Keeps the first min(Size(), count) bytes and fills any growth with 0x00.
    // Shrinking releases the chunks no longer needed.
    void Resize(std::int64_t count);
    // Empties the buffer and releases all its memory.
    void Clear() noexcept;

    // Copies up to count bytes starting at offset into dst and returns how many
    // were copied: fewer when the range runs past the end, 0 when offset is
    // outside the buffer.
    [[nodiscard]] std::int64_t CopyOut(std::int64_t offset, void* dst,
                                       std::int64_t count) const noexcept;

    // The contiguous run of stored bytes that starts at offset and ends at the
    // end of its chunk or of the buffer, whichever comes first; empty when
    // offset is outside the buffer.
    [[nodiscard]] std::span<const std::uint8_t> ContiguousAt(std::int64_t offset) const noexcept;

    // Calls visit(std::span<const std::uint8_t>) for each contiguous run of the
    // contents in order; the runs together cover exactly Size() bytes and none
    // is empty. A visitor that returns bool stops the walk by returning false
    // (for example when a write fails); the call then returns false.
    template <typename Visitor>
    bool ForEachSpan(Visitor&& visit) const;

    [[nodiscard]] std::vector<std::uint8_t> ToVector() const;

private:
    struct ChunkRelease {
        void operator()(std::uint8_t* chunk) const noexcept;
    };
    using Chunk = std::unique_ptr<std::uint8_t[], ChunkRelease>;

    [[nodiscard]] static std::size_t ChunkOf(std::int64_t index) noexcept
    {
        return static_cast<std::size_t>(index >> kChunkShift);
    }
    [[nodiscard]] static std::size_t OffsetInChunk(std::int64_t index) noexcept
    {
        return static_cast<std::size_t>(index & (kChunkSize - 1));
    }
    [[nodiscard]] static std::size_t ChunksFor(std::int64_t count) noexcept
    {
        return static_cast<std::size_t>((count + kChunkSize - 1) >> kChunkShift);
    }

    // Appends count bytes copied from src, or zero bytes when src is null.
    void Grow(const std::uint8_t* src, std::int64_t count);
    // Adds an empty chunk at the end; throws std::bad_alloc when the system
    // has no memory left.
    void AddChunk();

    // Invariant: m_chunks.size() == ChunksFor(m_size); every chunk before the
    // last is full.
    std::vector<Chunk> m_chunks;
    std::int64_t m_size = 0;
};

template <typename Visitor>
bool ByteBuffer::ForEachSpan(Visitor&& visit) const
{
    std::int64_t remaining = m_size;
    for (const Chunk& chunk : m_chunks) {
        const auto length = static_cast<std::size_t>(std::min(remaining, kChunkSize));
        const std::span<const std::uint8_t> run(chunk.get(), length);
        remaining -= kChunkSize;
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
