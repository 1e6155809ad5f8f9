#pragma once

// The POSIX host's small services: the caller's window and the full-width mapping. Messages,
// progress and the clock are what both hosts share in host/.

#include <string>
#include <string_view>

#include "common/FullWidth.h"
#include "platform/TextMapping.h"
#include "platform/WindowService.h"

// The caller's window on this platform: a Unix datagram socket "kc-window-HANDLE" in
// $XDG_RUNTIME_DIR (else /tmp). Each call sends one datagram: "ENABLE 0", "ENABLE 1",
// "FOREGROUND", "POST message wParam lParam". No socket, no listener: nothing happens.
class SocketWindows : public WindowService {
public:
    void Enable(WindowHandle window, bool enable) override;
    void SetForeground(WindowHandle window) override;
    void Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
              std::int64_t lParam) override;

    static std::string SocketPath(WindowHandle window);

private:
    static void Send(WindowHandle window, const std::string& datagram);
};

// The full-width mapping by the table the Windows suite checks against LCMapStringW.
class TableTextMapping : public TextMapping {
public:
    std::string ToFullWidth(std::string_view text) override { return MapToFullWidth(text); }
};
