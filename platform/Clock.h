#pragma once

#include <cstdint>

// A monotonic clock in milliseconds from an arbitrary start. The progress window is drawn at
// the display's pace by it; tests move it by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t Milliseconds() = 0;
};
