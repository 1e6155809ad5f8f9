#include "host/posix/Interrupts.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The pipe's write end: all the signal handler touches.
volatile sig_atomic_t wakeFd = -1;

// Async-signal-safe: one write, errno kept for the code it interrupted.
extern "C" void OnSignal(int signal) {
    int saved = errno;
    unsigned char number = static_cast<unsigned char>(signal);
    ssize_t ignored = ::write(wakeFd, &number, 1);
    (void)ignored;
    errno = saved;
}

// As the console shows a warning box; the partial files are gone, whatever the run had reached.
constexpr const char* kInterrupted =
    "[決算書] warning:\n"
    "処理が中断されました。\n\n"
    "書きかけのファイルは残していません。必要であれば、もう一度実行してください。\n\n"
    "アプリケーションを終了します。\n";

// The failed run result, as the caller receives it from a failed export.
constexpr std::int64_t kFailedResult = 2;

void WriteAll(int fd, const char* text) {
    std::size_t size = std::strlen(text);
    while (size > 0) {
        ssize_t n = ::write(fd, text, size);
        if (n <= 0) return;
        text += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

Interrupts::Interrupts(PosixFileSystem& files, WindowService& windows,
                       std::function<void(int)> exitProcess)
    : files_(files), windows_(windows), exitProcess_(std::move(exitProcess)) {
    if (!exitProcess_) exitProcess_ = [](int code) { ::_exit(code); };
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    fileSizeIgnored_ = sigaction(SIGXFSZ, &ignore, &previousFileSize_) == 0;
    if (pipe2(pipe_, O_CLOEXEC) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;  // no clean-up on signals: they act as they did
    }
    // A handler never waits on a full pipe: one byte there is enough to end the run.
    fcntl(pipe_[1], F_SETFL, fcntl(pipe_[1], F_GETFL) | O_NONBLOCK);
    wakeFd = pipe_[1];
    waiter_ = std::thread([this] { Wait(); });
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction current {};
        if (sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        handled_[i] = sigaction(kSignals[i], &action, &previous_[i]) == 0;
    }
}

Interrupts::~Interrupts() {
    if (fileSizeIgnored_) sigaction(SIGXFSZ, &previousFileSize_, nullptr);
    if (pipe_[1] < 0) return;
    for (int i = 0; i < kSignalCount; ++i) {
        if (handled_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
    }
    unsigned char stop = 0;
    while (::write(pipe_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    waiter_.join();
    wakeFd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void Interrupts::SetCaller(WindowHandle window, std::int32_t message, std::int64_t wParam) {
    std::lock_guard<std::mutex> lock(mutex_);
    haveCaller_ = true;
    window_ = window;
    message_ = message;
    wParam_ = wParam;
}

void Interrupts::SetBeforeExit(std::function<void()> beforeExit) {
    std::lock_guard<std::mutex> lock(mutex_);
    beforeExit_ = std::move(beforeExit);
}

void Interrupts::Disarm() {
    // Waits for a clean-up under way: the process then ends before the run tells its caller.
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
}

void Interrupts::Wait() {
    for (;;) {
        unsigned char signal = 0;
        ssize_t n = ::read(pipe_[0], &signal, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || signal == 0) return;  // stopped
        std::lock_guard<std::mutex> lock(mutex_);
        if (armed_) EndRun();
    }
}

void Interrupts::EndRun() {
    if (beforeExit_) beforeExit_();
    // First the files: the caller may look at the target as soon as it learns the result.
    files_.AbandonTemporaries();
    WriteAll(STDERR_FILENO, kInterrupted);
    if (haveCaller_) {
        // As the exit handler does: usable again before the result reaches it.
        windows_.SetForeground(window_);
        windows_.Enable(window_, true);
        windows_.Post(window_, message_, wParam_, kFailedResult);
        windows_.Enable(window_, true);
    }
    armed_ = false;
    exitProcess_(kInterruptedExit);
}
