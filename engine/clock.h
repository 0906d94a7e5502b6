// The host's clock, as the animation reads it: the host owns the clock and
// hands it in, so that a simulated one (tests, glowpond-trace) can stand in
// for the system's.
#pragma once

#include <cstdint>

namespace glowpond {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since a fixed start, as a signed 32-bit count.
    virtual int32_t nowMs() = 0;
};

}  // namespace glowpond
