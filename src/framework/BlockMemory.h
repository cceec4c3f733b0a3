#pragma once
// Large blocks of memory taken straight from the system, for stores that
// grow a whole block at a time (the hex panes' byte buffers).
//
// A block comes zero-filled and aligned to its size, and its pages are only
// backed when first written. Where the system offers large pages, a block
// can ask for them: filling a block then costs one page fault instead of
// hundreds, which on a virtual machine is most of the cost of storing
// fresh bytes.
//
// Backing a fresh page still costs the writer: the system clears it, and a
// virtual machine's host may first have to back it itself, which stalls the
// writing thread for as long as storing the bytes takes many times over. So
// blocks of large pages come from a small reserve that a background thread
// keeps backed ahead of need: a store that grows block after block (a
// capture under a flood) finds its next block already in memory, and its
// thread never waits for the system to provide it. The reserve holds at
// most kBlockReserve blocks, of the size asked for first.

#include <cstddef>

enum class BlockPages {
    Small,  // one small page at a time: a block that may stay almost empty
    Large,  // large pages where available: a block that will be filled
};

// Blocks of large pages kept backed ahead of need.
inline constexpr int kBlockReserve = 4;

// A zero-filled block of `size` bytes (a power of two, at least one page),
// aligned to `size`; null when the system refuses.
[[nodiscard]] void* AllocateBlock(std::size_t size, BlockPages pages) noexcept;
// Returns a block from AllocateBlock of the same size; null is ignored.
void FreeBlock(void* block, std::size_t size) noexcept;
// Blocks of large pages waiting backed in the reserve now (for tests and
// benchmarks).
[[nodiscard]] int ReservedBlocks() noexcept;

// Bytes held in blocks now (handed out, not waiting in the reserve).
[[nodiscard]] std::size_t BlockBytesInUse() noexcept;
// Makes AllocateBlock refuse any block that would bring the bytes held
// past `limit`, as a system out of memory would; SIZE_MAX lifts the limit.
// Lets tests run the paths that exhausted memory takes, without exhausting
// the machine.
void SetBlockLimit(std::size_t limit) noexcept;
