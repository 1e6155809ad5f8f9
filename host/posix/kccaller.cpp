// kccaller plays the calling application: it opens a window socket, starts a deliverable with
// a caller line naming that window, prints every datagram the program sends it, and exits
// with the result the program posted (3 when nothing was posted).

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/posix/Services.h"

namespace {

int Usage() {
    std::fputs(
        "usage: kccaller [--window N] [--message M] [--wparam W] [--path PATH | --line LINE] -- "
        "PROGRAM [ARGS...]\n"
        "  starts PROGRAM ARGS -- N,M,W,PATH and prints what it sends to window N\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string window = std::to_string(getpid() % 1000000 + 1000);
    std::string message = "1025";
    std::string wParam = "3";
    std::string path;
    std::string line;
    bool haveLine = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) return Usage();
        if (arg == "--window") {
            window = argv[++i];
        } else if (arg == "--message") {
            message = argv[++i];
        } else if (arg == "--wparam") {
            wParam = argv[++i];
        } else if (arg == "--path") {
            path = argv[++i];
        } else if (arg == "--line") {
            line = argv[++i];
            haveLine = true;
        } else {
            return Usage();
        }
    }
    if (i >= argc) return Usage();
    if (!haveLine) line = window + "," + message + "," + wParam + "," + path;

    std::string socketPath =
        SocketWindows::SocketPath(static_cast<WindowHandle>(std::atoi(window.c_str())));
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || socketPath.size() >= sizeof(address.sun_path)) {
        std::perror("kccaller: socket");
        return 2;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    unlink(socketPath.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        std::perror("kccaller: bind");
        return 2;
    }

    std::vector<char*> childArgs(argv + i, argv + argc);
    std::string separator = "--";
    childArgs.push_back(separator.data());
    childArgs.push_back(line.data());
    childArgs.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) {
        std::perror("kccaller: fork");
        return 2;
    }
    if (child == 0) {
        execv(childArgs[0], childArgs.data());
        std::perror("kccaller: exec");
        _exit(127);
    }

    int posted = -1;
    int status = 0;
    bool running = true;
    char datagram[512];
    while (true) {
        pollfd watch{fd, POLLIN, 0};
        int ready = poll(&watch, 1, running ? 100 : 0);
        if (ready > 0) {
            ssize_t n = recv(fd, datagram, sizeof(datagram) - 1, 0);
            if (n > 0) {
                datagram[n] = '\0';
                std::printf("%s\n", datagram);
                std::fflush(stdout);
                int msg = 0;
                long long w = 0;
                long long l = 0;
                if (std::sscanf(datagram, "POST %d %lld %lld", &msg, &w, &l) == 3)
                    posted = static_cast<int>(l);
            }
            continue;
        }
        if (!running) break;
        if (waitpid(child, &status, WNOHANG) == child) running = false;  // drain, then stop
    }
    close(fd);
    unlink(socketPath.c_str());
    int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("EXIT %d\n", exitCode);
    if (posted < 0) {
        std::fputs("kccaller: nothing was posted\n", stderr);
        return 3;
    }
    return posted;
}
