#include "native/Interrupts.h"

#include <windows.h>

#include <mutex>

#include "native/ChildProcess.h"
#include "native/PathLock.h"
#include "native/TempFile.h"

namespace native {

struct Interrupts::State {
    Hooks hooks;
    int exitCode = 1;
    std::function<void(int)> exitProcess;
    std::mutex mutex;  // guards hooks and armed
    bool armed = true;
    bool installed = false;
};

namespace {

// The policy standing; the console calls its handler on a thread of its own.
Interrupts::State* current = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    Interrupts::State* state = current;
    if (!state) return FALSE;
    std::lock_guard<std::mutex> lock(state->mutex);
    if (!state->armed) return FALSE;
    if (state->hooks.before) state->hooks.before();
    // Children first: none writes on into what the clean-up removes.
    StopChildren();
    RemoveTemporaries();
    PathLock::RemoveLockFiles();
    if (state->hooks.report) state->hooks.report();
    state->armed = false;
    state->exitProcess(state->exitCode);
    return TRUE;
}

}  // namespace

Interrupts::Interrupts(Hooks hooks, int exitCode, std::function<void(int)> exitProcess)
    : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.hooks = std::move(hooks);
    state.exitCode = exitCode;
    state.exitProcess = exitProcess ? std::move(exitProcess)
                                    : [](int code) { ExitProcess(static_cast<UINT>(code)); };
    current = &state;
    state.installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

Interrupts::~Interrupts() {
    if (state_->installed) SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::lock_guard<std::mutex> lock(state_->mutex);
    current = nullptr;
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
