// The queue of SEND presses the system has not taken yet: order across
// presses, the slices of one gathered call, and memory given back as bytes
// go out.

#include "net/SendQueue.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/BlockMemory.h"

namespace {

constexpr std::int64_t kChunk = ByteBuffer::kChunkSize;

std::string Pattern(std::int64_t size, int seed) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 + (i >> 12) + static_cast<std::size_t>(seed));
    }
    return bytes;
}

ByteSnapshot SnapshotOf(const std::string& bytes) {
    ByteBuffer buffer;
    EXPECT_TRUE(buffer.Assign(bytes.data(), static_cast<std::int64_t>(bytes.size())));
    return *buffer.Snapshot();
}

// Takes up to `limit` bytes from the front, as a send call that the system
// takes only partly would.
std::string TakeFront(CSendQueue& queue, std::int64_t limit) {
    SendSlice slices[kMaxSendSlices];
    const int count = queue.Front(slices);
    std::string taken;
    for (int i = 0; i < count && static_cast<std::int64_t>(taken.size()) < limit; ++i) {
        const auto room = static_cast<std::size_t>(limit) - taken.size();
        taken.append(static_cast<const char*>(slices[i].data), std::min(room, slices[i].size));
    }
    queue.Consume(static_cast<std::int64_t>(taken.size()));
    return taken;
}

}  // namespace

TEST(SendQueue, PressesGoOutWholeAndInOrderInWhateverPiecesTheSystemTakes) {
    const std::string first = Pattern(2 * kChunk + 77, 1);
    const std::string second = Pattern(36, 2);
    const std::string third = Pattern(kChunk, 3);
    CSendQueue queue;
    EXPECT_TRUE(queue.Empty());
    ASSERT_TRUE(queue.Push(SnapshotOf(first)));
    ASSERT_TRUE(queue.Push(SnapshotOf({})));  // an empty press adds nothing
    ASSERT_TRUE(queue.Push(SnapshotOf(second)));
    ASSERT_TRUE(queue.Push(SnapshotOf(third)));
    const std::string all = first + second + third;
    EXPECT_EQ(queue.BytesQueued(), static_cast<std::int64_t>(all.size()));

    // One call's slices run across the presses, in order.
    SendSlice slices[kMaxSendSlices];
    EXPECT_EQ(queue.Front(slices), 3 + 1 + 1);

    std::string sent;
    for (const std::int64_t piece : {std::int64_t{1}, kChunk - 2, std::int64_t{0}, kChunk + 100,
                                     std::int64_t{12}, 3 * kChunk}) {
        sent += TakeFront(queue, piece);
        EXPECT_EQ(queue.BytesQueued(), static_cast<std::int64_t>(all.size() - sent.size()));
    }
    EXPECT_TRUE(queue.Empty());
    EXPECT_TRUE(sent == all);
    EXPECT_EQ(queue.Front(slices), 0);
}

TEST(SendQueue, GivesMemoryBackAsChunksGoOutAndClears) {
    const std::size_t before = BlockBytesInUse();
    CSendQueue queue;
    ASSERT_TRUE(queue.Push(SnapshotOf(Pattern(3 * kChunk, 1))));
    ASSERT_TRUE(queue.Push(SnapshotOf(Pattern(kChunk, 2))));
    EXPECT_EQ(BlockBytesInUse() - before, 4 * std::size_t{kChunk});

    TakeFront(queue, kChunk + 1);  // the first chunk has gone out whole
    EXPECT_EQ(BlockBytesInUse() - before, 3 * std::size_t{kChunk});
    TakeFront(queue, 2 * kChunk);  // the first press is through, the second begun
    EXPECT_EQ(BlockBytesInUse() - before, std::size_t{kChunk});
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(BlockBytesInUse(), before);
}
