#include "host/Interrupts.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstring>

namespace {

// As the console shows a warning box; the partial files are gone, whatever the run had reached.
constexpr const char* kInterrupted =
    "[決算書] warning:\n"
    "処理が中断されました。\n\n"
    "書きかけのファイルは残していません。必要であれば、もう一度実行してください。\n\n"
    "アプリケーションを終了します。\n";

// The failed run result, as the caller receives it from a failed export.
constexpr std::int64_t kFailedResult = 2;

// Straight to the error output, past the stream's lock: the run's thread may hold it, stopped
// in a write of its own.
void WriteErrorOutput(const char* text) {
    std::size_t size = std::strlen(text);
    while (size > 0) {
#ifdef _WIN32
        const int n = _write(2, text, static_cast<unsigned>(size));
#else
        const ssize_t n = ::write(2, text, size);
#endif
        if (n <= 0) return;
        text += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

Interrupts::Interrupts(WindowService& windows, std::function<void(int)> exitProcess)
    : windows_(windows),
      policy_({[this] { Before(); }, [this] { Report(); }}, kInterruptedExit,
              std::move(exitProcess)) {}

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

void Interrupts::Before() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (beforeExit_) beforeExit_();
}

void Interrupts::Report() {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteErrorOutput(kInterrupted);
    if (!haveCaller_) return;
    // As the exit handler does: usable again before the result reaches it.
    windows_.SetForeground(window_);
    windows_.Enable(window_, true);
    windows_.Post(window_, message_, wParam_, kFailedResult);
    windows_.Enable(window_, true);
}
