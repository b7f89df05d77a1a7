#pragma once
// A seedable uniform generator with the C library's range 0..32767. Every random
// number the tools use comes from one of these, so a seeded stroke replays exactly.

#include <cstdint>

class RandomSource {
public:
    static constexpr int kMax = 32767;

    explicit RandomSource(uint32_t seed = 1) : m_state(seed) {}
    void Seed(uint32_t seed) { m_state = seed; }

    // The next number in 0..32767 (the classic linear congruential sequence).
    int Next()
    {
        m_state = m_state * 1103515245u + 12345u;
        return int((m_state / 65536u) % 32768u);
    }

private:
    uint32_t m_state;
};
