#include "framework/BlockMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::atomic<std::size_t> g_bytesInUse{0};
std::atomic<std::size_t> g_limit{SIZE_MAX};

void* MapAligned(std::size_t size, BlockPages pages) noexcept {
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
    return block;
}

// Backs every page of a block that nobody uses yet. Asking the system to
// populate it leaves the contents alone; where it cannot, writing a zero
// into each page backs it just the same, since the block holds only zeros.
void Back(void* block, std::size_t size) noexcept {
#ifdef MADV_POPULATE_WRITE
    if (madvise(block, size, MADV_POPULATE_WRITE) == 0) return;
#endif
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* bytes = static_cast<volatile unsigned char*>(block);
    for (std::size_t offset = 0; offset < size; offset += page) bytes[offset] = 0;
}

// The reserve of backed blocks and the thread that refills it. The thread
// only ever touches blocks that are not handed out, so the blocks need no
// further guarding once taken.
class BlockReserve {
public:
    ~BlockReserve() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
        for (void* block : m_ready) munmap(block, m_size);
    }

    // A backed block of `size` from the reserve, or null when it holds none
    // of that size; either way the reserve is refilled in the background.
    void* Take(std::size_t size) noexcept {
        void* block = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_size == 0) {
                m_size = size;
                try {
                    m_ready.reserve(kBlockReserve);
                    m_thread = std::thread([this] { Refill(); });
                } catch (...) {
                    // No thread: blocks are simply backed as they are written.
                    m_stop = true;
                    return nullptr;
                }
            }
            if (size != m_size) return nullptr;
            if (!m_ready.empty()) {
                block = m_ready.back();
                m_ready.pop_back();
            }
        }
        m_wake.notify_one();
        return block;
    }

    [[nodiscard]] int Count() noexcept {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_ready.size());
    }

private:
    void Refill() noexcept {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || m_ready.size() < kBlockReserve; });
            if (m_stop) return;
            const std::size_t size = m_size;
            lock.unlock();
            void* block = MapAligned(size, BlockPages::Large);
            if (block != nullptr) Back(block, size);
            lock.lock();
            if (block == nullptr) {
                // Out of memory: try again when a block is next taken.
                m_wake.wait(lock);
                continue;
            }
            if (m_stop) {
                munmap(block, size);
                return;
            }
            m_ready.push_back(block);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<void*> m_ready;
    std::size_t m_size = 0;
    bool m_stop = false;
    std::thread m_thread;
};

BlockReserve& Reserve() {
    static BlockReserve reserve;
    return reserve;
}

}  // namespace

void* AllocateBlock(std::size_t size, BlockPages pages) noexcept {
    const std::size_t limit = g_limit.load();
    if (size > limit - std::min(limit, g_bytesInUse.load())) return nullptr;
    void* block = pages == BlockPages::Large ? Reserve().Take(size) : nullptr;
    if (block == nullptr) block = MapAligned(size, pages);
    if (block != nullptr) g_bytesInUse += size;
    return block;
}

void FreeBlock(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    munmap(block, size);
    g_bytesInUse -= size;
}

std::size_t BlockBytesInUse() noexcept {
    return g_bytesInUse.load();
}

void SetBlockLimit(std::size_t limit) noexcept {
    g_limit = limit;
}

int ReservedBlocks() noexcept {
    return Reserve().Count();
}
