// Blocks straight from the system, and the reserve of backed blocks that
// serves stores growing a large block at a time.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "framework/BlockMemory.h"

namespace {

constexpr std::size_t kLarge = std::size_t{1} << 21;

bool AllZero(const void* block, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; });
}

// The reserve is refilled by a thread of its own: wait for it, with a bound.
bool ReserveReaches(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReservedBlocks() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace

TEST(BlockMemory, LargeBlocksComeZeroFilledAlignedAndApartWhetherReservedOrNot) {
    // More blocks than the reserve holds: some come backed from it, the
    // rest straight from the system, and none may differ from the others.
    std::vector<void*> blocks;
    for (int i = 0; i < 3 * kBlockReserve; ++i) {
        void* block = AllocateBlock(kLarge, BlockPages::Large);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kLarge, 0U) << "block " << i;
        EXPECT_TRUE(AllZero(block, kLarge)) << "block " << i;
        // Filled at once, as a capture fills it, while the reserve refills.
        std::memset(block, 0xA5, kLarge);
        blocks.push_back(block);
    }
    EXPECT_EQ(std::set<void*>(blocks.begin(), blocks.end()).size(), blocks.size());
    for (void* block : blocks) {
        const auto* bytes = static_cast<const unsigned char*>(block);
        EXPECT_TRUE(std::all_of(bytes, bytes + kLarge, [](unsigned char b) { return b == 0xA5; }));
        FreeBlock(block, kLarge);
    }
}

TEST(BlockMemory, TheReserveRefillsAfterEveryLargeBlockTaken) {
    FreeBlock(AllocateBlock(kLarge, BlockPages::Large), kLarge);
    ASSERT_TRUE(ReserveReaches(kBlockReserve));
    void* taken = AllocateBlock(kLarge, BlockPages::Large);
    ASSERT_NE(taken, nullptr);
    EXPECT_TRUE(ReserveReaches(kBlockReserve));
    EXPECT_LE(ReservedBlocks(), kBlockReserve);
    FreeBlock(taken, kLarge);
}

TEST(BlockMemory, SmallPagesAndOtherSizesComeStraightFromTheSystem) {
    // A full reserve: any change below would come from these calls.
    ASSERT_TRUE(ReserveReaches(kBlockReserve));
    void* small = AllocateBlock(kLarge, BlockPages::Small);
    void* other = AllocateBlock(kLarge * 2, BlockPages::Large);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(other) % (kLarge * 2), 0U);
    EXPECT_TRUE(AllZero(small, kLarge));
    EXPECT_TRUE(AllZero(other, kLarge * 2));
    EXPECT_EQ(ReservedBlocks(), kBlockReserve);
    FreeBlock(small, kLarge);
    FreeBlock(other, kLarge * 2);
}
