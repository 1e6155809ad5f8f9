#pragma once

// One signal policy for every program of the system. SIGINT, SIGTERM, SIGHUP and SIGPIPE (on
// Windows: Ctrl+C, Ctrl+Break and the console closing) end the run as a failed run ends: the
// run's temporaries are removed (a file already at a target stays as it was), so are the lock
// files of the locks it holds (native::PathLock), the program reports, and the process exits
// with the failure code it gave. SIGXFSZ is ignored while the
// policy stands: a file over the size limit (ulimit -f) is a write that fails with its own reason
// and takes the failure path. A signal the program was started to ignore (nohup, a background
// job) stays ignored.
//
// On POSIX the handler only writes the signal's number into a pipe; a thread of its own does the
// clean-up and the report, so they may take locks and allocate as any code does. One at a time.

#include <functional>
#include <memory>

namespace native {

class Interrupts {
public:
    struct Hooks {
        // First: the terminal given back, a status line ended.
        std::function<void()> before;
        // After the temporaries are gone: the message, the caller told.
        std::function<void()> report;
    };

    // `exitProcess` ends the program with the code it is given (by default the process exits at
    // once, without running the destructors of a run it interrupts; a test may watch it).
    Interrupts(Hooks hooks, int exitCode, std::function<void(int)> exitProcess = nullptr);
    // Gives the signals their previous actions back.
    ~Interrupts();
    Interrupts(const Interrupts&) = delete;
    Interrupts& operator=(const Interrupts&) = delete;

    void SetHooks(Hooks hooks);
    // From now on a signal is let pass without effect: the run has finished and reports itself.
    // Waits for a clean-up under way.
    void Disarm();

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace native
