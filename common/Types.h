#pragma once

#include <cstdint>

// A window handle as the calling application passes it on the command line and as the
// ledger services take it for the owner of their messages. Windows handles fit 32 bits.
using WindowHandle = std::int32_t;

constexpr WindowHandle kNoWindow = 0;
