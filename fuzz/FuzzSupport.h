#pragma once
// What the fuzz targets share: a check that stops the run as a finding, and
// a small deterministic generator, so that one input always replays the
// same way.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

class CXorShift {
public:
    explicit CXorShift(std::uint32_t seed) : m_state(0x9E3779B9U ^ (seed * 0x01000193U)) {}
    std::uint32_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    // A number from 0 to `bound` - 1 (0 when `bound` is not positive).
    long Below(long bound) {
        const std::uint32_t value = Next();
        return bound <= 0 ? 0 : static_cast<long>(value % static_cast<std::uint32_t>(bound));
    }

private:
    std::uint32_t m_state;
};
