#include "host/posix/Services.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

std::string SocketWindows::SocketPath(WindowHandle window) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && *runtime ? runtime : "/tmp";
    return folder + "/kc-window-" + std::to_string(window);
}

void SocketWindows::Send(WindowHandle window, const std::string& datagram) {
    std::string path = SocketPath(window);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    // A window that is gone (no socket or no listener) ignores the call.
    sendto(fd, datagram.data(), datagram.size(), MSG_DONTWAIT,
           reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    close(fd);
}

void SocketWindows::Enable(WindowHandle window, bool enable) {
    Send(window, enable ? "ENABLE 1" : "ENABLE 0");
}

void SocketWindows::SetForeground(WindowHandle window) {
    Send(window, "FOREGROUND");
}

void SocketWindows::Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
                         std::int64_t lParam) {
    Send(window, "POST " + std::to_string(message) + " " + std::to_string(wParam) + " " +
                     std::to_string(lParam));
}
