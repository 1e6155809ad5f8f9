#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "books/Paths.h"

namespace books {

std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler may touch: fixed storage, set before the handlers are in place.
char interruptedPath[PATH_MAX] = {};
struct sigaction previousActions[3];
bool handled[3] = {};

// Only async-signal-safe calls: unlink, write, sigaction, raise.
extern "C" void RemoveAndEnd(int signal) {
    unlink(interruptedPath);
    static constexpr char kNote[] = "kcbooks: interrupted; the store is left as it was\n";
    ssize_t ignored = write(STDERR_FILENO, kNote, sizeof(kNote) - 1);
    (void)ignored;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);  // delivered once the handler returns: the program ends as the signal says
}

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::string& utf8Path) {
    if (utf8Path.size() >= sizeof(interruptedPath)) return;
    std::memcpy(interruptedPath, utf8Path.c_str(), utf8Path.size() + 1);
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
    for (int i = 0; i < 3; ++i) {
        // A signal the program was started to ignore (nohup, a background job) stays ignored.
        struct sigaction current {};
        handled[i] = sigaction(kSignals[i], nullptr, &current) == 0 &&
                     current.sa_handler != SIG_IGN &&
                     sigaction(kSignals[i], &action, &previousActions[i]) == 0;
    }
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
    if (interruptedPath[0] == '\0') return;
    for (int i = 0; i < 3; ++i) {
        if (handled[i]) sigaction(kSignals[i], &previousActions[i], nullptr);
        handled[i] = false;
    }
    interruptedPath[0] = '\0';
}

}  // namespace books
