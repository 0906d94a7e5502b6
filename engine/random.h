// The engine's pseudo-random source: the C standard's example generator
// (values 0..32767, 32-bit unsigned state), the same on every system, so
// that a seeded run repeats exactly.
#pragma once

#include <cstdint>

namespace glowpond {

// Scales a value of the generator into 0..1: the float nearest to 1/32767.
constexpr float kRandomToUnit = 3.0518509e-5f;

class StandardRandom {
public:
    void seed(uint32_t value) { next_ = value; }
    int32_t next() {
        next_ = next_ * 1103515245u + 12345u;
        return static_cast<int32_t>((next_ / 65536u) % 32768u);
    }
    // The next value scaled into 0..1.
    float unit() { return float(next()) * kRandomToUnit; }

private:
    uint32_t next_ = 1;  // as if seeded with 1, like the C library before srand
};

}  // namespace glowpond
