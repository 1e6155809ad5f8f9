#include "native/Interrupts.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "native/ChildProcess.h"
#include "native/PathLock.h"
#include "native/TempFile.h"

namespace native {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// The pipe's write end: all the signal handler touches.
volatile sig_atomic_t wakeFd = -1;

// Async-signal-safe: one write, errno kept for the code it interrupted.
extern "C" void OnSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    const ssize_t ignored = ::write(wakeFd, &number, 1);
    (void)ignored;
    errno = saved;
}

}  // namespace

struct Interrupts::State {
    Hooks hooks;
    int exitCode = 1;
    std::function<void(int)> exitProcess;
    int pipe[2] = {-1, -1};
    bool handled[kSignalCount] = {};
    struct sigaction previous[kSignalCount] = {};
    struct sigaction previousFileSize = {};
    bool fileSizeIgnored = false;
    std::mutex mutex;  // guards hooks and armed
    bool armed = true;
    std::thread waiter;

    void Wait() {
        for (;;) {
            unsigned char signal = 0;
            const ssize_t n = ::read(pipe[0], &signal, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || signal == 0) return;  // stopped
            std::lock_guard<std::mutex> lock(mutex);
            if (!armed) continue;
            if (hooks.before) hooks.before();
            // Children first: none writes on into what the clean-up removes.
            StopChildren();
            RemoveTemporaries();
            PathLock::RemoveLockFiles();
            if (hooks.report) hooks.report();
            armed = false;
            exitProcess(exitCode);
        }
    }
};

Interrupts::Interrupts(Hooks hooks, int exitCode, std::function<void(int)> exitProcess)
    : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.hooks = std::move(hooks);
    state.exitCode = exitCode;
    state.exitProcess = exitProcess ? std::move(exitProcess) : [](int code) { ::_exit(code); };
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    state.fileSizeIgnored = sigaction(SIGXFSZ, &ignore, &state.previousFileSize) == 0;
    if (pipe2(state.pipe, O_CLOEXEC) != 0) {
        state.pipe[0] = state.pipe[1] = -1;
        return;  // no clean-up on signals: they act as they did
    }
    // A handler never waits on a full pipe: one byte there is enough to end the run.
    fcntl(state.pipe[1], F_SETFL, fcntl(state.pipe[1], F_GETFL) | O_NONBLOCK);
    wakeFd = state.pipe[1];
    try {
        state.waiter = std::thread([&state] { state.Wait(); });
    } catch (...) {
        // No thread (out of memory or threads): nothing changed stays changed.
        wakeFd = -1;
        ::close(state.pipe[0]);
        ::close(state.pipe[1]);
        if (state.fileSizeIgnored) sigaction(SIGXFSZ, &state.previousFileSize, nullptr);
        throw;
    }
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction current {};
        if (sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        state.handled[i] = sigaction(kSignals[i], &action, &state.previous[i]) == 0;
    }
}

Interrupts::~Interrupts() {
    State& state = *state_;
    if (state.fileSizeIgnored) sigaction(SIGXFSZ, &state.previousFileSize, nullptr);
    if (state.pipe[1] < 0) return;
    for (int i = 0; i < kSignalCount; ++i) {
        if (state.handled[i]) sigaction(kSignals[i], &state.previous[i], nullptr);
    }
    const unsigned char stop = 0;
    while (::write(state.pipe[1], &stop, 1) < 0 && errno == EINTR) {
    }
    state.waiter.join();
    wakeFd = -1;
    ::close(state.pipe[0]);
    ::close(state.pipe[1]);
}

void Interrupts::SetHooks(Hooks hooks) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->hooks = std::move(hooks);
}

void Interrupts::Disarm() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->armed = false;
}

}  // namespace native
