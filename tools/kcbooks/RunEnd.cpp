#include "tools/kcbooks/RunEnd.h"

#include <mutex>

#include "native/Interrupts.h"
#include "native/TempFile.h"

namespace kcbooks {
namespace {

struct State {
    std::mutex mutex;
    native::Interrupts* interrupts = nullptr;
    std::string command;
    std::vector<std::string> targets;
};

State& TheState() {
    static State* state = new State;  // never destroyed: a signal may come at exit
    return *state;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

// The temporaries the end could not remove, for the user to remove: on Windows the store SQLite
// held open when Ctrl+C came.
std::string Left() {
    const std::vector<std::string> left = native::TemporariesLeft();
    if (left.empty()) return std::string();
    return "; " + Joined(left) + (left.size() == 1 ? " is" : " are") +
           " left (another program held it): remove " + (left.size() == 1 ? "it" : "them");
}

}  // namespace

void RunEnd::Policy(native::Interrupts* interrupts) {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.interrupts = interrupts;
}

void RunEnd::Begin(std::string command, std::vector<std::string> targets) {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.command = std::move(command);
    state.targets = std::move(targets);
}

void RunEnd::Finished() {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.interrupts) state.interrupts->Disarm();
}

std::string RunEnd::InterruptedLine() {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::vector<std::string> outcomes;
    for (const std::string& target : state.targets) {
        outcomes.push_back(target + (native::WasKept(target) ? " is written" : " stays as it was"));
    }
    return "kcbooks: " + (state.command.empty() ? std::string("run") : state.command) +
           " interrupted" + (outcomes.empty() ? "" : "; " + Joined(outcomes)) + Left() + "\n";
}

std::string RunEnd::FailedAfter() {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::vector<std::string> written;
    for (const std::string& target : state.targets) {
        if (native::WasKept(target)) written.push_back(target);
    }
    if (written.empty()) return std::string();
    return "; " + Joined(written) + (written.size() == 1 ? " is" : " are") + " written";
}

}  // namespace kcbooks
