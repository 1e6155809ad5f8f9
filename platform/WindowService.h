#pragma once

#include <cstdint>

#include "common/Types.h"

// Windows of other programs: the caller's window, which the program disables while it runs
// and to which it posts its result. A window that is gone ignores every call.
class WindowService {
public:
    virtual ~WindowService() = default;
    virtual void Enable(WindowHandle window, bool enable) = 0;
    virtual void SetForeground(WindowHandle window) = 0;
    // Posts without waiting for the receiver.
    virtual void Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
                      std::int64_t lParam) = 0;
};
