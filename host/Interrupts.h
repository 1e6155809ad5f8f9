#pragma once

// The edition's part of a run that a signal ends (SIGINT, SIGTERM, SIGHUP, SIGPIPE; on Windows
// Ctrl+C, Ctrl+Break and the console closing), over the floor's one signal policy
// (native::Interrupts), which removes the run's temporaries and exits: first the terminal is
// given back, then the user is warned and the caller's window is made usable again and told that
// the run failed, as a failed export tells it; the program exits with 2. A signal the program
// was started to ignore stays ignored, and a file over the size limit is a failed write.

#include <cstdint>
#include <functional>
#include <mutex>

#include "common/Types.h"
#include "native/Interrupts.h"
#include "platform/WindowService.h"

class Interrupts {
public:
    // `exitProcess` ends the program with the code it is given (at once by default; a test may
    // watch it instead).
    explicit Interrupts(WindowService& windows, std::function<void(int)> exitProcess = nullptr);
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

    // The caller's window that an interrupted run tells, as the exit handler tells it.
    void SetCaller(WindowHandle window, std::int32_t message, std::int64_t wParam);
    // Runs first when a signal ends the run: the terminal is given back, the status line ended.
    void SetBeforeExit(std::function<void()> beforeExit);
    // From now on a signal is let pass without effect: the run has finished and tells its caller
    // itself. Waits for a clean-up under way.
    void Disarm() { policy_.Disarm(); }

    // The exit code of an interrupted run.
    static constexpr int kInterruptedExit = 2;

private:
    void Before();
    void Report();

    WindowService& windows_;
    std::mutex mutex_;  // guards what follows, set on the run's thread, read on the policy's
    bool haveCaller_ = false;
    WindowHandle window_ = kNoWindow;
    std::int32_t message_ = 0;
    std::int64_t wParam_ = 0;
    std::function<void()> beforeExit_;
    native::Interrupts policy_;  // last: its thread may call the hooks once it stands
};
