// kcbooks' process: the one signal policy for the whole run, the arguments as UTF-8, the run.

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "messages/kcbooks/KcbooksMessages.h"
#include "messages/tools/ToolMessages.h"
#include "native/Arguments.h"
#include "native/Console.h"
#include "native/Failure.h"
#include "native/Interrupts.h"
#include "tools/kcbooks/Kcbooks.h"
#include "tools/kcbooks/RunEnd.h"

int main(int argc, char** argv) {
    // A signal that ends the run removes its temporaries, says what became of its files and
    // fails the run. A closed pipe is one: the run's files stay as they were, unless the command
    // had finished them (then the signal is let pass and the write fails).
    native::Interrupts interrupts(
        {nullptr, [] { native::WriteText(stderr, kcbooks::RunEnd::InterruptedLine()); }}, 1);
    kcbooks::RunEnd::Policy(&interrupts);
    // What kcbooks says reaches a Windows console as characters.
    native::ConsoleStreams console;
    std::vector<std::string> arguments;
    try {
        arguments = native::ProgramArguments(argc, argv);
    } catch (const native::BadArgument& bad) {
        std::cerr << kcbooks_messages::Say(
                         kcbooks_messages::Id::kArgumentFailed,
                         {{"reason", tool_messages::ArgumentNotUtf16(bad.Index())}})
                  << "\n";
        return 2;
    } catch (const native::Failure& failure) {
        std::cerr << kcbooks_messages::Say(kcbooks_messages::Id::kArgumentFailed,
                                           {{"reason", kcbooks_messages::FailureSentence(failure)}})
                  << "\n";
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << kcbooks_messages::Say(kcbooks_messages::Id::kNoMemory) << "\n";
        return 1;
    }
    const int status = kcbooks::RunKcbooks(arguments);
    // Written out while the policy stands: a closed pipe then fails the write (what the command
    // printed is lost, its files are not) instead of ending the process once the policy is gone.
    std::cout.flush();
    kcbooks::RunEnd::Policy(nullptr);
    return status;
}
