// kcoffice on a terminal or in a script: the arguments as UTF-8, the run under its signal
// policy, its lines reaching a Windows console as characters.

#include <iostream>

#include "messages/tools/ToolMessages.h"
#include "native/Arguments.h"
#include "native/Console.h"
#include "tools/kcoffice/Office.h"
#include "tools/kcoffice/OfficeMessages.h"

int main(int argc, char** argv) {
    native::ConsoleStreams console;
    try {
        return office::RunKcoffice(native::ProgramArguments(argc, argv));
    } catch (const native::BadArgument& bad) {
        std::cerr << office_messages::Say(
                         office_messages::Id::kFailed,
                         {{"reason", tool_messages::ArgumentNotUtf16(bad.Index())}})
                  << "\n";
    } catch (const native::Failure& failure) {
        std::cerr << office_messages::Say(office_messages::Id::kFailed,
                                          {{"reason", native::Sentence(failure)}})
                  << "\n";
    }
    return 2;
}
