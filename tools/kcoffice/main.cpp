// kcoffice on a terminal or in a script: the arguments as UTF-8, the run under its signal
// policy, its lines reaching a Windows console as characters. On Windows a clients' folder
// dropped on kcoffice.exe opens its window instead (tools/kcoffice/win32/).

#include <iostream>

#include "messages/tools/ToolMessages.h"
#include "native/Arguments.h"
#include "native/Console.h"
#include "tools/kcoffice/Office.h"
#include "tools/kcoffice/OfficeMessages.h"
#ifdef _WIN32
#include "tools/kcoffice/win32/OfficeWindow.h"
#endif

int main(int argc, char** argv) {
    native::ConsoleStreams console;
    try {
        const std::vector<std::string> arguments = native::ProgramArguments(argc, argv);
#ifdef _WIN32
        if (office::OpensOfficeWindow(arguments)) return office::RunOfficeWindow(arguments[0]);
#endif
        return office::RunKcoffice(arguments);
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
