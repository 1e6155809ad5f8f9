#pragma once

// SIGINT, SIGTERM and SIGHUP end a run the way a failed export ends: the temporary files of the
// run are removed (a file already at the target stays as it was), the caller's window is
// usable again and is told that the run failed, and the program exits with 2. So does SIGPIPE:
// the messages' reader went away (an export piped into `head`), so the run cannot tell what
// it did. SIGXFSZ is ignored while the object lives: a file over the size limit (`ulimit -f`)
// is a write that fails, and the run ends as a failed write ends, with its message.
//
// The signal handler only writes the signal's number into a pipe (a self-pipe); a thread of its
// own reads it and does the clean-up, so it may take locks and send datagrams as any code does.
// A signal the program was started to ignore (nohup, a background job) stays ignored. One
// object at a time.

#include <signal.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "common/Types.h"
#include "host/posix/FileSystem.h"
#include "platform/WindowService.h"

class Interrupts {
public:
    // `exitProcess` ends the program with the code it is given (_exit by default; a test may
    // watch it instead).
    Interrupts(PosixFileSystem& files, WindowService& windows,
               std::function<void(int)> exitProcess = nullptr);
    // Gives the signals their previous actions back.
    ~Interrupts();
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

    // The caller's window that an interrupted run tells, as the exit handler tells it.
    void SetCaller(WindowHandle window, std::int32_t message, std::int64_t wParam);
    // Runs first when a signal ends the run: the terminal is given back, the status line ended.
    void SetBeforeExit(std::function<void()> beforeExit);
    // From now on a signal is let pass without effect: the run has finished and tells its caller
    // itself.
    void Disarm();

    // The exit code of an interrupted run.
    static constexpr int kInterruptedExit = 2;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    static constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

    void Wait();
    void EndRun();

    PosixFileSystem& files_;
    WindowService& windows_;
    std::function<void(int)> exitProcess_;
    int pipe_[2] = {-1, -1};
    bool handled_[kSignalCount] = {};
    struct sigaction previous_[kSignalCount] = {};
    struct sigaction previousFileSize_ = {};
    bool fileSizeIgnored_ = false;
    std::mutex mutex_;  // guards everything below
    bool armed_ = true;
    bool haveCaller_ = false;
    WindowHandle window_ = kNoWindow;
    std::int32_t message_ = 0;
    std::int64_t wParam_ = 0;
    std::function<void()> beforeExit_;
    std::thread waiter_;
};
