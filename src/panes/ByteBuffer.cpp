#include "panes/ByteBuffer.h"

#include <cstring>
#include <new>
#include <utility>

#include "framework/BlockMemory.h"

void ByteBuffer::ChunkRelease::operator()(std::uint8_t* chunk) const noexcept
{
    AfxFreeBlock(chunk, static_cast<std::size_t>(kChunkSize));
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_chunks(std::move(other.m_chunks)), m_size(std::exchange(other.m_size, 0))
{
    other.m_chunks.clear();
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept
{
    if (this != &other) {
        m_chunks = std::move(other.m_chunks);
        m_size = std::exchange(other.m_size, 0);
        other.m_chunks.clear();
    }
    return *this;
}

std::int64_t ByteBuffer::AllocatedBytes() const noexcept
{
    return static_cast<std::int64_t>(m_chunks.size()) * kChunkSize;
}

void ByteBuffer::Assign(const void* src, std::int64_t count)
{
    Clear();
    Append(src, count);
}

void ByteBuffer::Append(const void* src, std::int64_t count)
{
    if (count > 0) {
        Grow(static_cast<const std::uint8_t*>(src), count);
    }
}

void ByteBuffer::Resize(std::int64_t count)
{
    count = std::max<std::int64_t>(count, 0);
    if (count > m_size) {
        Grow(nullptr, count - m_size);
        return;
    }
    m_size = count;
    m_chunks.resize(ChunksFor(count));
    if (m_chunks.empty()) {
        // Give the pointer array back too: after a long capture is cleared, the
        // pane should hold nothing.
        m_chunks.shrink_to_fit();
    }
}

void ByteBuffer::Clear() noexcept
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_size = 0;
}

std::int64_t ByteBuffer::CopyOut(std::int64_t offset, void* dst,
                                 std::int64_t count) const noexcept
{
    if (offset < 0 || offset >= m_size || count <= 0) {
        return 0;
    }
    const std::int64_t total = std::min(count, m_size - offset);
    auto* out = static_cast<std::uint8_t*>(dst);
    std::int64_t copied = 0;
    while (copied < total) {
        const std::span<const std::uint8_t> run = ContiguousAt(offset + copied);
        const auto take = std::min<std::int64_t>(total - copied,
                                                 static_cast<std::int64_t>(run.size()));
        std::memcpy(out + copied, run.data(), static_cast<std::size_t>(take));
        copied += take;
    }
    return total;
}

std::span<const std::uint8_t> ByteBuffer::ContiguousAt(std::int64_t offset) const noexcept
{
    if (offset < 0 || offset >= m_size) {
        return {};
    }
    const std::size_t within = OffsetInChunk(offset);
    const auto length = std::min<std::int64_t>(m_size - offset,
                                               kChunkSize - static_cast<std::int64_t>(within));
    return {m_chunks[ChunkOf(offset)].get() + within, static_cast<std::size_t>(length)};
}

std::vector<std::uint8_t> ByteBuffer::ToVector() const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(m_size));
    ForEachSpan([&bytes](std::span<const std::uint8_t> run) {
        bytes.insert(bytes.end(), run.begin(), run.end());
    });
    return bytes;
}

void ByteBuffer::AddChunk()
{
    // Make room for the pointer first, so a failure below leaves no block
    // without an owner.
    if (m_chunks.size() == m_chunks.capacity()) {
        m_chunks.reserve(std::max<std::size_t>(16, m_chunks.capacity() * 2));
    }
    const BlockPages pages = m_chunks.empty() ? BlockPages::Small : BlockPages::Large;
    auto* block = static_cast<std::uint8_t*>(
        AfxAllocateBlock(static_cast<std::size_t>(kChunkSize), pages));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    m_chunks.emplace_back(block);
}

void ByteBuffer::Grow(const std::uint8_t* src, std::int64_t count)
{
    while (count > 0) {
        const std::size_t within = OffsetInChunk(m_size);
        // A new chunk comes zero-filled; an old one may hold bytes that a
        // shrink cut off, which zero growth must clear.
        bool fresh = false;
        if (within == 0) {
            AddChunk();
            fresh = true;
        }
        const auto take = static_cast<std::size_t>(
            std::min(count, kChunkSize - static_cast<std::int64_t>(within)));
        std::uint8_t* dst = m_chunks.back().get() + within;
        if (src != nullptr) {
            std::memcpy(dst, src, take);
            src += take;
        } else if (!fresh) {
            // Fresh chunks are left untouched, so a large resize costs no
            // memory until the bytes are written.
            std::memset(dst, 0, take);
        }
        m_size += static_cast<std::int64_t>(take);
        count -= static_cast<std::int64_t>(take);
    }
}
