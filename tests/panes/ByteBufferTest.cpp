#include "panes/ByteBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "framework/BlockMemory.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::int64_t kChunk = ByteBuffer::kChunkSize;

// Bytes that differ between neighbours and between chunks, so a byte copied
// to the wrong place or from the wrong chunk shows up.
std::vector<std::uint8_t> Pattern(std::int64_t count, int seed = 0) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 16) * 17 + seed + 1);
    }
    return bytes;
}

// Contents as expected, and no more memory than one spare chunk.
void ExpectHolds(const ByteBuffer& buffer, const std::vector<std::uint8_t>& expected) {
    ASSERT_EQ(buffer.Size(), static_cast<std::int64_t>(expected.size()));
    EXPECT_TRUE(buffer.ToVector() == expected);
    EXPECT_GE(buffer.AllocatedBytes(), buffer.Size());
    EXPECT_LT(buffer.AllocatedBytes(), buffer.Size() + kChunk);
}

TEST(ByteBuffer, AppendSequences) {
    struct Row {
        const char* name;
        std::vector<std::int64_t> pieces;
    };
    const Row rows[] = {
        {"single bytes across a chunk boundary", {kChunk - 3, 1, 1, 1, 1, 1, 1}},
        {"piece ending exactly on a boundary, then one byte", {kChunk, 1}},
        {"piece spanning several chunks", {10, 3 * kChunk + 5, 7}},
        {"receive-sized reads past a boundary", std::vector<std::int64_t>(70, 1024)},
        {"zero and negative counts add nothing", {5, 0, -3, 7}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ByteBuffer buffer;
        std::vector<std::uint8_t> expected;
        int seed = 0;
        for (const std::int64_t piece : row.pieces) {
            const auto bytes = Pattern(piece, ++seed);
            buffer.Append(bytes.data(), piece);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        ExpectHolds(buffer, expected);
    }
}

TEST(ByteBuffer, AppendNeverMovesBytesAlreadyHeld) {
    ByteBuffer buffer;
    auto expected = Pattern(kChunk + 100);
    buffer.Append(expected.data(), kChunk + 100);
    const std::uint8_t* chunk0 = buffer.ContiguousAt(0).data();
    const std::uint8_t* chunk1 = buffer.ContiguousAt(kChunk).data();

    const auto more = Pattern(20 * kChunk, 3);
    for (std::int64_t at = 0; at < 20 * kChunk; at += 1024) {
        buffer.Append(more.data() + at, 1024);
    }

    EXPECT_EQ(buffer.ContiguousAt(0).data(), chunk0);
    EXPECT_EQ(buffer.ContiguousAt(kChunk).data(), chunk1);
    expected.insert(expected.end(), more.begin(), more.end());
    ExpectHolds(buffer, expected);
}

// Each row assigns `initial` pattern bytes, then resizes or assigns fresh
// bytes in turn; std::vector is the reference.
TEST(ByteBuffer, ResizeAndAssign) {
    enum Op { Resize, Assign };
    struct Step {
        Op op;
        std::int64_t size;
    };
    struct Row {
        const char* name;
        std::int64_t initial;
        std::vector<Step> steps;
    };
    const Row rows[] = {
        {"36 grows to 40 with zeros", 36, {{Resize, 40}}},
        {"36 shrinks to 10", 36, {{Resize, 10}}},
        {"to zero releases everything", 3 * kChunk, {{Resize, 0}}},
        {"negative size means zero", 36, {{Resize, -5}}},
        {"empty grows", 0, {{Resize, 20}}},
        {"grows across chunks from a partial one", 100, {{Resize, 3 * kChunk + 7}}},
        {"shrinks across chunks", 3 * kChunk + 7, {{Resize, kChunk - 1}}},
        // Shrinking keeps the first chunk with its old bytes past the new end;
        // growing again must not bring them back.
        {"shrink then grow zero-fills what was cut",
         2 * kChunk + 10,
         {{Resize, 5}, {Resize, 2 * kChunk + 10}}},
        {"shrink to a boundary then grow", 2 * kChunk, {{Resize, kChunk}, {Resize, kChunk + 50}}},
        {"assign shorter over longer", 3 * kChunk, {{Assign, 36}}},
        {"assign longer over shorter", 36, {{Assign, 2 * kChunk + 1}}},
        {"assign nothing", 1000, {{Assign, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ByteBuffer buffer;
        auto expected = Pattern(row.initial);
        buffer.Assign(expected.data(), row.initial);
        for (const Step& step : row.steps) {
            if (step.op == Resize) {
                buffer.Resize(step.size);
                expected.resize(static_cast<std::size_t>(std::max<std::int64_t>(step.size, 0)));
            } else {
                expected = Pattern(step.size, 9);
                buffer.Assign(expected.data(), step.size);
            }
        }
        ExpectHolds(buffer, expected);
    }
}

TEST(ByteBuffer, CopyOutClampsToTheContents) {
    const std::int64_t length = 2 * kChunk + 10;
    const auto bytes = Pattern(length);
    ByteBuffer buffer;
    buffer.Assign(bytes.data(), length);

    struct Row {
        const char* name;
        std::int64_t offset;
        std::int64_t count;
        std::int64_t copied;
    };
    const Row rows[] = {
        {"inside one chunk", 5, 16, 16},
        {"across two chunk boundaries", kChunk - 3, kChunk + 6, kChunk + 6},
        {"clamped at the end", length - 4, 100, 4},
        {"offset at the end", length, 1, 0},
        {"negative offset", -1, 10, 0},
        {"no count", 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(row.count) + 1, 0xEE);
        EXPECT_EQ(buffer.CopyOut(row.offset, out.data(), row.count), row.copied);
        const auto from = bytes.begin() + std::max<std::int64_t>(row.offset, 0);
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + row.copied, from));
        EXPECT_EQ(out[static_cast<std::size_t>(row.copied)], 0xEE) << "wrote past the end";
    }
}

TEST(ByteBuffer, SpansCoverExactlyTheBytes) {
    for (const std::int64_t length :
         {std::int64_t{0}, std::int64_t{1}, kChunk, kChunk + 1, 3 * kChunk - 1}) {
        SCOPED_TRACE(length);
        const auto bytes = Pattern(length);
        ByteBuffer buffer;
        buffer.Assign(bytes.data(), length);

        std::vector<std::uint8_t> seen;
        std::int64_t runs = 0;
        buffer.ForEachSpan([&](std::span<const std::uint8_t> run) {
            EXPECT_FALSE(run.empty());
            seen.insert(seen.end(), run.begin(), run.end());
            ++runs;
        });
        EXPECT_TRUE(seen == bytes);
        EXPECT_EQ(runs, (length + kChunk - 1) / kChunk);

        // A visitor returning false stops the walk after its first run.
        runs = 0;
        const bool finished = buffer.ForEachSpan([&](std::span<const std::uint8_t>) {
            ++runs;
            return false;
        });
        EXPECT_EQ(finished, length == 0);
        EXPECT_EQ(runs, std::min<std::int64_t>(length, 1));
    }
}

std::vector<std::uint8_t> SnapshotBytesFrom(const ByteSnapshot& snapshot, std::int64_t first) {
    std::vector<std::uint8_t> bytes;
    snapshot.ForEachSpan(
        [&](std::span<const std::uint8_t> run) {
            bytes.insert(bytes.end(), run.begin(), run.end());
        },
        first);
    return bytes;
}

std::vector<std::uint8_t> SnapshotBytes(const ByteSnapshot& snapshot) {
    return SnapshotBytesFrom(snapshot, 0);
}

// Lets no block be taken beyond those held now, for its lifetime.
struct NoMoreBlocks {
    NoMoreBlocks() { SetBlockLimit(BlockBytesInUse()); }
    ~NoMoreBlocks() { SetBlockLimit(SIZE_MAX); }
};

// Each row changes the buffer after a snapshot was taken; the snapshot
// keeps the bytes of the moment, the buffer shows the change, and the only
// chunks taken are copies of those written to, plus those the change needs
// anyway.
TEST(ByteSnapshot, KeepsTheBytesOfItsMomentWhateverTheBufferDoesAfter) {
    const std::int64_t length = 3 * kChunk + 100;
    struct Row {
        const char* name;
        std::function<void(ByteBuffer&, std::vector<std::uint8_t>&)> change;
        std::size_t chunksTaken;
    };
    const Row rows[] = {
        {"a byte set in the second chunk",
         [](ByteBuffer& b, std::vector<std::uint8_t>& e) {
             ASSERT_TRUE(b.Set(kChunk + 5, 0xAB));
             e[kChunk + 5] = 0xAB;
         },
         1},
        {"bytes appended into the shared last chunk",
         [](ByteBuffer& b, std::vector<std::uint8_t>& e) {
             const auto more = Pattern(50, 4);
             ASSERT_TRUE(b.Append(more.data(), 50));
             e.insert(e.end(), more.begin(), more.end());
         },
         1},
        // The cut bytes are still in the shared chunk; zero growth must not
        // write into it.
        {"shrunk into the first chunk, then grown with zeros",
         [](ByteBuffer& b, std::vector<std::uint8_t>& e) {
             ASSERT_TRUE(b.Resize(10));
             ASSERT_TRUE(b.Resize(kChunk + 3));
             e.resize(10);
             e.resize(kChunk + 3, 0);
         },
         2},
        {"assigned new bytes",
         [](ByteBuffer& b, std::vector<std::uint8_t>& e) {
             e = Pattern(70, 8);
             ASSERT_TRUE(b.Assign(e.data(), 70));
         },
         1},
        {"cleared",
         [](ByteBuffer& b, std::vector<std::uint8_t>& e) {
             b.Clear();
             e.clear();
         },
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto original = Pattern(length);
        ByteBuffer buffer;
        ASSERT_TRUE(buffer.Assign(original.data(), length));
        const std::size_t before = BlockBytesInUse();
        std::optional<ByteSnapshot> snapshot = buffer.Snapshot();
        ASSERT_TRUE(snapshot);
        EXPECT_EQ(BlockBytesInUse(), before) << "a snapshot copies nothing";
        EXPECT_EQ(snapshot->ContiguousAt(kChunk).data(), buffer.ContiguousAt(kChunk).data());

        auto expected = original;
        row.change(buffer, expected);
        EXPECT_EQ(BlockBytesInUse() - before, row.chunksTaken * std::size_t{kChunk});
        EXPECT_TRUE(SnapshotBytes(*snapshot) == original);
        EXPECT_TRUE(buffer.ToVector() == expected);
    }
}

TEST(ByteSnapshot, ReleasedChunksGoBackOnceTheBufferHasLetGoToo) {
    const auto bytes = Pattern(3 * kChunk);
    const std::size_t before = BlockBytesInUse();
    std::optional<ByteSnapshot> snapshot;
    {
        ByteBuffer buffer;
        ASSERT_TRUE(buffer.Assign(bytes.data(), 3 * kChunk));
        snapshot = buffer.Snapshot();
        ASSERT_TRUE(snapshot);
    }
    EXPECT_EQ(BlockBytesInUse() - before, 3 * std::size_t{kChunk});
    snapshot->ReleaseBefore(2 * kChunk - 1);  // the second chunk is still needed
    EXPECT_EQ(BlockBytesInUse() - before, 2 * std::size_t{kChunk});
    EXPECT_TRUE(snapshot->ContiguousAt(0).empty());
    EXPECT_TRUE(std::vector<std::uint8_t>(bytes.begin() + 2 * kChunk - 1, bytes.end()) ==
                SnapshotBytesFrom(*snapshot, 2 * kChunk - 1));
    snapshot->ReleaseBefore(3 * kChunk);
    EXPECT_EQ(BlockBytesInUse(), before);
}

// With no memory left, every operation that needs some fails and leaves the
// buffer as it was; those that need none still work.
TEST(ByteBuffer, ExhaustedMemoryFailsCleanly) {
    const std::int64_t length = kChunk + 10;
    const auto original = Pattern(length);
    ByteBuffer buffer;
    ASSERT_TRUE(buffer.Assign(original.data(), length));
    const std::optional<ByteSnapshot> snapshot = buffer.Snapshot();
    ASSERT_TRUE(snapshot);
    const auto more = Pattern(3 * kChunk, 2);
    {
        NoMoreBlocks limit;
        EXPECT_FALSE(buffer.Append(more.data(), 3 * kChunk)) << "new chunks";
        EXPECT_FALSE(buffer.Append(more.data(), 5)) << "a copy of the shared last chunk";
        EXPECT_FALSE(buffer.Resize(5 * kChunk));
        EXPECT_FALSE(buffer.Assign(more.data(), 10));
        EXPECT_FALSE(buffer.Set(3, 0xFF)) << "a copy of a shared chunk";
        EXPECT_TRUE(buffer.WritableAt(0).empty());
        ExpectHolds(buffer, original);
        EXPECT_TRUE(buffer.Resize(kChunk - 1)) << "shrinking needs no memory";
        EXPECT_TRUE(buffer.Snapshot()) << "a snapshot needs no chunks";
    }
    EXPECT_TRUE(SnapshotBytes(*snapshot) == original);
    EXPECT_TRUE(buffer.Set(3, 0xFF));
    EXPECT_EQ(buffer.At(3), 0xFF);
}

}  // namespace
