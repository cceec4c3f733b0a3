#include "panes/ByteBuffer.h"

#include <cstring>
#include <utility>

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

void ByteBuffer::Grow(const std::uint8_t* src, std::int64_t count)
{
    while (count > 0) {
        const std::size_t within = OffsetInChunk(m_size);
        if (within == 0) {
            // All chunks are full (or there are none): start a new one. Its
            // contents are written below, so it needs no zeroing here.
            m_chunks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize));
        }
        const auto take = static_cast<std::size_t>(
            std::min(count, kChunkSize - static_cast<std::int64_t>(within)));
        std::uint8_t* dst = m_chunks.back().get() + within;
        if (src != nullptr) {
            std::memcpy(dst, src, take);
            src += take;
        } else {
            std::memset(dst, 0, take);
        }
        m_size += static_cast<std::int64_t>(take);
        count -= static_cast<std::int64_t>(take);
    }
}
