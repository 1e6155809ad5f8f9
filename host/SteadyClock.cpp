#include "host/SteadyClock.h"

// Out of line: <chrono> holds characters that code page 932 cannot, and the system's sources
// are compiled to it.
#include <chrono>

std::int64_t SteadyClock::Milliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
