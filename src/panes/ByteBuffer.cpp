#include "panes/ByteBuffer.h"

#include <cstring>
#include <new>
#include <utility>

#include "framework/BlockMemory.h"

namespace byte_chunks {
namespace {

struct ChunkRelease {
    void operator()(std::uint8_t* chunk) const noexcept {
        FreeBlock(chunk, static_cast<std::size_t>(kSize));
    }
};

// A fresh zero-filled chunk, or an empty one when the system has no memory
// left (for the block or for its reference count).
Chunk NewChunk(BlockPages pages) noexcept {
    auto* block = static_cast<std::uint8_t*>(AllocateBlock(static_cast<std::size_t>(kSize), pages));
    if (block == nullptr) {
        return {};
    }
    try {
        return Chunk(block, ChunkRelease{});
    } catch (const std::bad_alloc&) {
        // The shared_ptr constructor has already released the block.
        return {};
    }
}

}  // namespace

std::span<const std::uint8_t> RunAt(const std::vector<Chunk>& chunks, std::int64_t size,
                                    std::int64_t offset) noexcept {
    if (offset < 0 || offset >= size) {
        return {};
    }
    const Chunk& chunk = chunks[ChunkOf(offset)];
    if (!chunk) {
        return {};
    }
    const std::size_t within = OffsetInChunk(offset);
    const auto length =
        std::min<std::int64_t>(size - offset, kSize - static_cast<std::int64_t>(within));
    return {chunk.get() + within, static_cast<std::size_t>(length)};
}

}  // namespace byte_chunks

using byte_chunks::ChunkOf;
using byte_chunks::ChunksFor;
using byte_chunks::OffsetInChunk;

std::span<const std::uint8_t> ByteSnapshot::ContiguousAt(std::int64_t offset) const noexcept {
    return byte_chunks::RunAt(m_chunks, m_size, offset);
}

void ByteSnapshot::ReleaseBefore(std::int64_t offset) noexcept {
    const std::size_t whole = ChunkOf(std::clamp<std::int64_t>(offset, 0, m_size));
    for (std::size_t i = 0; i < whole && i < m_chunks.size(); ++i) {
        m_chunks[i].reset();
    }
    if (offset >= m_size) {
        m_chunks.clear();
        m_chunks.shrink_to_fit();
    }
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_chunks(std::move(other.m_chunks)),
      m_size(std::exchange(other.m_size, 0)),
      m_pages(other.m_pages) {
    other.m_chunks.clear();
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        m_chunks = std::move(other.m_chunks);
        m_size = std::exchange(other.m_size, 0);
        m_pages = other.m_pages;
        other.m_chunks.clear();
    }
    return *this;
}

std::int64_t ByteBuffer::AllocatedBytes() const noexcept {
    return static_cast<std::int64_t>(m_chunks.size()) * kChunkSize;
}

bool ByteBuffer::Set(std::int64_t index, std::uint8_t value) noexcept {
    const std::size_t chunk = ChunkOf(index);
    if (!Unshare(chunk)) {
        return false;
    }
    m_chunks[chunk].get()[OffsetInChunk(index)] = value;
    return true;
}

bool ByteBuffer::Assign(const void* src, std::int64_t count) noexcept {
    // Built aside, so that a failure leaves the old contents in place.
    ByteBuffer fresh(m_pages);
    if (!fresh.Append(src, count)) {
        return false;
    }
    *this = std::move(fresh);
    return true;
}

bool ByteBuffer::Append(const void* src, std::int64_t count) noexcept {
    return count <= 0 || Grow(static_cast<const std::uint8_t*>(src), count);
}

bool ByteBuffer::Resize(std::int64_t count) noexcept {
    count = std::max<std::int64_t>(count, 0);
    if (count > m_size) {
        return Grow(nullptr, count - m_size);
    }
    m_size = count;
    m_chunks.resize(ChunksFor(count));
    if (m_chunks.empty()) {
        // Give the pointer array back too: after a long capture is cleared, the
        // pane should hold nothing.
        m_chunks.shrink_to_fit();
    }
    return true;
}

void ByteBuffer::Clear() noexcept {
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_size = 0;
}

std::optional<ByteSnapshot> ByteBuffer::Snapshot() const noexcept {
    try {
        ByteSnapshot snapshot;
        snapshot.m_chunks = m_chunks;
        snapshot.m_size = m_size;
        return snapshot;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::int64_t ByteBuffer::CopyOut(std::int64_t offset, void* dst,
                                 std::int64_t count) const noexcept {
    if (offset < 0 || offset >= m_size || count <= 0) {
        return 0;
    }
    const std::int64_t total = std::min(count, m_size - offset);
    auto* out = static_cast<std::uint8_t*>(dst);
    std::int64_t copied = 0;
    while (copied < total) {
        const std::span<const std::uint8_t> run = ContiguousAt(offset + copied);
        const auto take =
            std::min<std::int64_t>(total - copied, static_cast<std::int64_t>(run.size()));
        std::memcpy(out + copied, run.data(), static_cast<std::size_t>(take));
        copied += take;
    }
    return total;
}

std::span<const std::uint8_t> ByteBuffer::ContiguousAt(std::int64_t offset) const noexcept {
    return byte_chunks::RunAt(m_chunks, m_size, offset);
}

std::span<std::uint8_t> ByteBuffer::WritableAt(std::int64_t offset) noexcept {
    if (offset < 0 || offset >= m_size || !Unshare(ChunkOf(offset))) {
        return {};
    }
    const std::span<const std::uint8_t> run = ContiguousAt(offset);
    // The chunk is this buffer's own now.
    return {const_cast<std::uint8_t*>(run.data()), run.size()};
}

std::vector<std::uint8_t> ByteBuffer::ToVector() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(m_size));
    ForEachSpan([&bytes](std::span<const std::uint8_t> run) {
        bytes.insert(bytes.end(), run.begin(), run.end());
    });
    return bytes;
}

bool ByteBuffer::Unshare(std::size_t index) noexcept {
    Chunk& chunk = m_chunks[index];
    if (chunk.use_count() <= 1) {
        return true;
    }
    Chunk own = byte_chunks::NewChunk(index == 0 ? BlockPages::Small : m_pages);
    if (!own) {
        return false;
    }
    // Only the bytes in use: the rest of a fresh chunk is zero already, and
    // whatever lay past the end in the shared one is not part of the buffer.
    const std::int64_t start = static_cast<std::int64_t>(index) * kChunkSize;
    const auto used = static_cast<std::size_t>(std::min(kChunkSize, m_size - start));
    std::memcpy(own.get(), chunk.get(), used);
    chunk = std::move(own);
    return true;
}

bool ByteBuffer::Grow(const std::uint8_t* src, std::int64_t count) noexcept {
    // Everything that can fail comes first: room in the chunk list, a copy
    // of a shared last chunk that is about to be written, and the new
    // chunks. Only then are bytes written, so a failure changes nothing.
    const std::size_t oldChunks = m_chunks.size();
    const std::size_t newChunks = ChunksFor(m_size + count);
    const std::size_t within = OffsetInChunk(m_size);
    try {
        if (newChunks > m_chunks.capacity()) {
            m_chunks.reserve(std::max<std::size_t>({16, newChunks, m_chunks.capacity() * 2}));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (within != 0 && !Unshare(oldChunks - 1)) {
        return false;
    }
    while (m_chunks.size() < newChunks) {
        Chunk chunk = byte_chunks::NewChunk(m_chunks.empty() ? BlockPages::Small : m_pages);
        if (!chunk) {
            m_chunks.resize(oldChunks);
            return false;
        }
        m_chunks.push_back(std::move(chunk));
    }

    if (within != 0) {
        // The old last chunk may hold bytes that a shrink cut off, which zero
        // growth must clear. New chunks come zero-filled and are left
        // untouched, so a large resize costs no memory until the bytes are
        // written.
        const auto take = static_cast<std::size_t>(
            std::min(count, kChunkSize - static_cast<std::int64_t>(within)));
        std::uint8_t* dst = m_chunks[oldChunks - 1].get() + within;
        if (src != nullptr) {
            std::memcpy(dst, src, take);
            src += take;
        } else {
            std::memset(dst, 0, take);
        }
        m_size += static_cast<std::int64_t>(take);
        count -= static_cast<std::int64_t>(take);
    }
    while (count > 0) {
        const auto take = static_cast<std::size_t>(std::min(count, kChunkSize));
        if (src != nullptr) {
            std::memcpy(m_chunks[ChunkOf(m_size)].get(), src, take);
            src += take;
        }
        m_size += static_cast<std::int64_t>(take);
        count -= static_cast<std::int64_t>(take);
    }
    return true;
}
