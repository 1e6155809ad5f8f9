#include "tools/kcbooks/RunEnd.h"

#include <mutex>

#include "messages/kcbooks/KcbooksMessages.h"
#include "native/Interrupts.h"
#include "native/TempFile.h"

namespace kcbooks {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;

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
    for (const std::string& part : parts) {
        text = text.empty() ? part : Say(Id::kListed, {{"first", text}, {"next", part}});
    }
    return text;
}

// "; WHAT", or nothing for nothing.
std::string Then(const std::string& what) {
    return what.empty() ? std::string() : Say(Id::kThen, {{"what", what}});
}

// The temporaries the end could not remove, for the user to remove: on Windows the store SQLite
// held open when Ctrl+C came.
std::string Left() {
    const std::vector<std::string> left = native::TemporariesLeft();
    if (left.empty()) return std::string();
    return Then(Say(left.size() == 1 ? Id::kOneLeft : Id::kSeveralLeft, {{"files", Joined(left)}}));
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
        outcomes.push_back(
            Say(native::WasKept(target) ? Id::kIsWritten : Id::kStaysAsItWas, {{"files", target}}));
    }
    const std::string after = Then(Joined(outcomes)) + Left();
    if (state.command.empty()) return Say(Id::kRunInterrupted, {{"after", after}}) + "\n";
    return Say(Id::kCommandInterrupted, {{"command", state.command}, {"after", after}}) + "\n";
}

std::string RunEnd::FailedAfter() {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::vector<std::string> written;
    for (const std::string& target : state.targets) {
        if (native::WasKept(target)) written.push_back(target);
    }
    if (written.empty()) return std::string();
    return Then(
        Say(written.size() == 1 ? Id::kIsWritten : Id::kAreWritten, {{"files", Joined(written)}}));
}

}  // namespace kcbooks
