#include "host/Host.h"

#include <curses.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/LinkApp.h"
#include "books/Books.h"
#include "common/Encoding.h"
#include "common/PathLimit.h"
#include "common/Sjis.h"
#include "host/BatchDialogs.h"
#include "host/ConsoleMessages.h"
#include "host/HostMemory.h"
#include "host/HostOptions.h"
#include "host/HostPrompt.h"
#include "host/Interrupts.h"
#include "host/ProgressTrace.h"
#include "host/SteadyClock.h"
#include "host/TerminalProgress.h"
#include "host/posix/Dialogs.h"
#include "host/posix/DriveMap.h"
#include "host/posix/FileSystem.h"
#include "host/posix/MessageRouter.h"
#include "host/posix/Services.h"

namespace {

std::string ToSjisText(const std::string& utf8) {
    std::string sjis;
    return sjis::Utf8ToSjis(utf8, &sjis) ? sjis : utf8;
}

// A folder option in the system's form; the default when not given. A folder whose form, with
// its final backslash, is longer than the system's path limit is not handed over (the system
// would receive it cut): the system then goes on as without that folder, and says nothing, so
// the host says why.
std::string FolderOption(const DriveMap& drives, const std::string& given,
                         const std::string& fallback, const char* option, const char* program) {
    const std::string& folder = given.empty() ? fallback : given;
    if (folder.empty()) return "";
    std::string windows = drives.ToWindows(folder).value_or("");
    std::size_t length = windows.size() + (sjis::EndsWithBackslash(windows) ? 0 : 1);
    if (length > kMaxPathBytes) {
        std::fprintf(stderr, "%s: %s %s: longer than %zu bytes as a Windows path; not used\n",
                     program, option, folder.c_str(), kMaxPathBytes);
        return "";
    }
    return windows;
}

}  // namespace

int RunHost(int argc, char** argv, const Edition& edition) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "%s: %s\n%s", edition.name, error.c_str(), HostUsage());
        return kFailed;
    }
    if (options.help) {
        std::fputs(HostUsage(), stdout);
        return kCompleted;
    }
    bool interactive =
        options.ui == HostOptions::Ui::kTty ||
        (options.ui == HostOptions::Ui::kAuto && isatty(STDIN_FILENO) && isatty(STDERR_FILENO));

    DriveMap drives;
    for (const auto& [letter, folder] : options.drives) drives.MapDrive(letter, folder);
    for (const auto& [share, folder] : options.shares) drives.MapShare(share, folder);

    PosixFileSystem files(drives);
    SocketWindows windows;
    // From here on SIGINT, SIGTERM, SIGHUP and SIGPIPE end the run as a failed export ends.
    Interrupts interrupts(windows);
    interrupts.SetBeforeExit([interactive] {
        if (!interactive) return;
        endwin();  // the terminal form, if it is up, gives the terminal back
        ssize_t ignored = ::write(STDERR_FILENO, "\n", 1);  // ends the status line
        (void)ignored;
    });
    ConsoleMessages console(interactive, options.answerYes);
    // Messages go to the console, and over the terminal form while it is up.
    MessageRouter messages(console);
    TerminalProgress progress(interactive);
    // A message box ends the status line and the line comes back once the box is answered.
    console.SetBeforeShow([&progress]() { progress.EndLine(); });
    console.SetAfterShow([&progress]() { progress.ResumeLine(); });
    TableTextMapping text;
    HostMemory memory;
    BatchInput batch{options.startMonth, options.endMonth, options.kind, options.ledger,
                     std::nullopt};
    if (options.out) {
        // Taken now: the run moves the working directory to the program's folder.
        auto windowsPath = drives.ToWindows(*options.out);
        if (!windowsPath) {
            std::fprintf(stderr, "%s: --out %s: no drive holds this path\n", edition.name,
                         options.out->c_str());
            return kFailed;
        }
        batch.out = *windowsPath;
    }
    BatchDialogs batchDialogs(batch, messages);
    // On a terminal the dialog is a form; without a usable one it is filled as in batch.
    CursesDialogs terminalDialogs(batchDialogs, messages, files);
    DialogService& dialogs =
        interactive ? static_cast<DialogService&>(terminalDialogs) : batchDialogs;
    SteadyClock clock;
    std::unique_ptr<ProgressTrace> trace = TraceProgressIfAsked(progress, clock);
    ProgressWindow& shownProgress =
        trace ? static_cast<ProgressWindow&>(*trace) : static_cast<ProgressWindow&>(progress);
    Platform platform{files, messages, windows, shownProgress, text, memory, dialogs, clock};

    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string homeFolder = home ? home : "";
    std::string configFolder = config && *config ? std::string(config) + "/kessan-link"
                               : home            ? homeFolder + "/.config/kessan-link"
                                                 : "";
    HostPrompt prompt(messages);
    books::BooksConfig booksConfig;
    // The system moves the working directory to the program's folder: hold the store absolute.
    std::error_code ignored;
    booksConfig.storePath =
        options.books.empty() ? "" : std::filesystem::absolute(options.books, ignored).string();
    // The export never writes over the books it reads, whatever path names them.
    if (!booksConfig.storePath.empty()) files.AddBooksStore(booksConfig.storePath);
    booksConfig.userId = ToSjisText(options.user);
    booksConfig.dataNo = options.dataNo;
    booksConfig.outputFolder =
        FolderOption(drives, options.outputFolder, homeFolder, "--output-folder", edition.name);
    booksConfig.settingsFolder = FolderOption(drives, options.settingsFolder, configFolder,
                                              "--settings-folder", edition.name);
    booksConfig.prompt = &prompt;
    books::ConfigureBooks(booksConfig);

    const CallerLine caller = ParseCallerLine(ToSjisText(options.callerLine));
    if (caller.fromCaller) {
        interrupts.SetCaller(caller.link.window, caller.link.message, caller.link.wParam);
    }
    LinkApp app(platform, edition, caller);
    app.InitInstance();
    // The exit handler tells the caller; a signal from here on changes nothing.
    interrupts.Disarm();
    app.ExitInstance();
    books::ConfigureBooks(books::BooksConfig{});
    return app.Result();
}
