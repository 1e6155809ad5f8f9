#pragma once

// How a kcbooks run ends when the command itself does not: a signal (Ctrl+C, SIGTERM, SIGHUP, a
// closed pipe) under the one signal policy (native::Interrupts), or a failure at the edge. What
// it says is true at that moment: for each file or folder the run may replace, whether it was
// written before the end or stays as it was (native::WasKept), and any temporary the end could
// not remove (native::TemporariesLeft).
//
// One run a process: the state is the process's, guarded for the policy's thread.

#include <string>
#include <vector>

namespace native {
class Interrupts;
}

namespace kcbooks {

class RunEnd {
public:
    // The policy that stands for the run (main's); none in a test that runs the commands.
    static void Policy(native::Interrupts* interrupts);
    // The command and the files and folders it may replace.
    static void Begin(std::string command, std::vector<std::string> targets);
    // The run's files are in place: a signal from now on is let pass, and the command says the
    // rest (its summary) itself.
    static void Finished();

    // The line a signal that ends the run prints: "kcbooks: import interrupted; s.books stays as
    // it was".
    static std::string InterruptedLine();
    // What a failure at the edge adds to its reason: "; j.csv is written" for a target the run
    // had replaced before it failed; empty when every target stays as it was.
    static std::string FailedAfter();
};

}  // namespace kcbooks
