#include "net/SendQueue.h"

#include <algorithm>
#include <climits>
#include <new>
#include <utility>

namespace {

// One call never carries more than a send's int result can count.
constexpr std::int64_t kMaxCallBytes = INT_MAX;

}  // namespace

int GatherSlices(const ByteSnapshot& bytes, std::int64_t first, SendSlice* slices,
                 int maxSlices) noexcept {
    int count = 0;
    std::int64_t total = 0;
    bytes.ForEachSpan(
        [&](std::span<const std::uint8_t> run) {
            if (count == maxSlices || total == kMaxCallBytes) return false;
            const auto size = std::min<std::int64_t>(static_cast<std::int64_t>(run.size()),
                                                     kMaxCallBytes - total);
            slices[count++] = {run.data(), static_cast<std::size_t>(size)};
            total += size;
            return true;
        },
        first);
    return count;
}

bool CSendQueue::Push(ByteSnapshot bytes) noexcept {
    const std::int64_t size = bytes.Size();
    if (size == 0) return true;
    try {
        m_entries.push_back({std::move(bytes), 0});
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_nBytesQueued += size;
    return true;
}

int CSendQueue::Front(SendSlice* slices) const noexcept {
    int count = 0;
    std::int64_t total = 0;
    for (const Entry& entry : m_entries) {
        if (count == kMaxSendSlices || total == kMaxCallBytes) break;
        const int added =
            GatherSlices(entry.bytes, entry.sent, slices + count, kMaxSendSlices - count);
        for (int i = count; i < count + added; ++i) {
            // A later press may not take the call past the int count either.
            const auto size = std::min<std::int64_t>(static_cast<std::int64_t>(slices[i].size),
                                                     kMaxCallBytes - total);
            slices[i].size = static_cast<std::size_t>(size);
            total += size;
            if (total == kMaxCallBytes) return i + 1;
        }
        count += added;
    }
    return count;
}

void CSendQueue::Consume(std::int64_t count) noexcept {
    count = std::clamp<std::int64_t>(count, 0, m_nBytesQueued);
    m_nBytesQueued -= count;
    while (count > 0) {
        Entry& front = m_entries.front();
        const std::int64_t take = std::min(count, front.bytes.Size() - front.sent);
        front.sent += take;
        count -= take;
        if (front.sent == front.bytes.Size()) {
            m_entries.erase(m_entries.begin());
        } else {
            front.bytes.ReleaseBefore(front.sent);
        }
    }
    if (m_entries.empty()) Clear();
}

void CSendQueue::Clear() noexcept {
    // Swapped out rather than cleared, which would keep the capacity.
    std::vector<Entry>().swap(m_entries);
    m_nBytesQueued = 0;
}
