#pragma once

#include <cstdint>

namespace kelmora {

// A millisecond counter, 32 bits, wrapping. The scan reads it after every lattice point, so it
// comes from the coarse monotonic clock: a few nanoseconds per reading, a few ms resolution.
std::uint32_t MonotonicTickCount();

}  // namespace kelmora
