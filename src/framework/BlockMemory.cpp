#include "framework/BlockMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace {

std::atomic<std::size_t> g_bytesInUse{0};
std::atomic<std::size_t> g_limit{SIZE_MAX};

}  // namespace

void* AfxAllocateBlock(std::size_t size, BlockPages pages) noexcept {
    if (size > g_limit.load() - std::min(g_limit.load(), g_bytesInUse.load())) return nullptr;
    // Map twice the size and keep the aligned middle: a large page can only
    // back a block that starts on a large-page boundary.
    const std::size_t span = size * 2;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t start = (base + size - 1) & ~(static_cast<std::uintptr_t>(size) - 1);
    const std::size_t head = start - base;
    const std::size_t tail = span - head - size;
    if (head != 0) munmap(raw, head);
    if (tail != 0) munmap(reinterpret_cast<void*>(start + size), tail);
    auto* block = reinterpret_cast<void*>(start);
#if defined(MADV_HUGEPAGE) && defined(MADV_NOHUGEPAGE)
    // Advice only: a system without large pages ignores it.
    madvise(block, size, pages == BlockPages::Large ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
#else
    (void)pages;
#endif
    g_bytesInUse += size;
    return block;
}

void AfxFreeBlock(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    munmap(block, size);
    g_bytesInUse -= size;
}

std::size_t AfxBlockBytesInUse() noexcept { return g_bytesInUse.load(); }

void AfxSetBlockLimit(std::size_t limit) noexcept { g_limit = limit; }
