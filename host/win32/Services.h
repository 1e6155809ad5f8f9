#pragma once

// The Windows host's small services: message boxes, the caller's window, the full-width
// mapping and the clock, each through the Win32 call that the system's surroundings would make.

#include "host/win32/Win32Api.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/TextMapping.h"
#include "platform/WindowService.h"

// MessageBoxW with the flags as given; the owner only while it is a window.
class Win32Messages : public MessageService {
public:
    int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) override;
};

// The caller's real window. A handle that no longer names a window is ignored.
class Win32Windows : public WindowService {
public:
    void Enable(WindowHandle window, bool enable) override;
    void SetForeground(WindowHandle window) override;
    void Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
              std::int64_t lParam) override;
};

// LCMapStringW with LCMAP_FULLWIDTH in the Japanese locale.
class Win32TextMapping : public TextMapping {
public:
    std::string ToFullWidth(std::string_view text) override;
};

// The system's tick count: read at every step of the run, and a few nanoseconds a reading where
// the C++ steady clock takes about a hundred under Wine. Its ticks of 10 to 16 ms are fine
// enough for frames of 30.
class Win32Clock : public Clock {
public:
    std::int64_t Milliseconds() override { return static_cast<std::int64_t>(GetTickCount64()); }
};
