// The machine's monotonic clock, for everything in a real window that measures time.
#pragma once

#include <chrono>
#include <cstdint>

namespace qbx {

// Nanoseconds on the steady clock, from an arbitrary start that stays fixed while the program runs.
inline int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace qbx
