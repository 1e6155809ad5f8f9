#pragma once

#include "platform/Clock.h"

// The system's monotonic clock.
class SteadyClock : public Clock {
public:
    std::int64_t Milliseconds() override;
};
