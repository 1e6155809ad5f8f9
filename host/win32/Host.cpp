#include "host/Host.h"

// First: it drops the macros that would rename the platform interfaces' operations.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/LinkApp.h"
#include "books/Books.h"
#include "common/Encoding.h"
#include "common/Messages.h"
#include "common/PathLimit.h"
#include "host/BatchDialogs.h"
#include "host/ConsoleMessages.h"
#include "host/HostMemory.h"
#include "host/HostOptions.h"
#include "host/HostPrompt.h"
#include "host/Interrupts.h"
#include "host/ProgressTrace.h"
#include "host/TerminalProgress.h"
#include "host/win32/BooksSettings.h"
#include "host/win32/CommandLine.h"
#include "host/win32/Dialogs.h"
#include "host/win32/FileSystem.h"
#include "host/win32/KnownFolders.h"
#include "host/win32/LoginPrompt.h"
#include "host/win32/Progress.h"
#include "host/win32/Services.h"
#include "host/win32/Wide.h"
#include "host/win32/Win32Api.h"
#include "native/Console.h"

namespace {

// The host's own refusals; the system's messages carry the same caption.
constexpr const char* kCaption = messages::kCaption;
constexpr const char* kCallerPathRefused =
    "呼び出し元から指定された出力先に、使用できない文字が含まれています。\n\n" KC_MESSAGE_QUITS;

// An option's text: the options were taken from the wide command line strictly, so each one
// converts back.
std::wstring FromOption(const std::string& utf8) {
    return Utf8ToWide(utf8).value_or(L"");
}

// A folder in the system's form with its final backslash; empty when it has no Shift_JIS form
// or is longer than the system's path limit, which the system would receive cut (the system
// then falls back as it does for a folder the books do not name).
std::string SystemFolder(const std::wstring& folder) {
    if (folder.empty()) return "";
    std::wstring full = FullPath(folder);
    if (full.back() != L'\\') full.push_back(L'\\');
    std::string sjis = WideToSjis(full).value_or("");
    return FitsPathLimit(sjis) ? sjis : "";
}

// The books the host logs into: the options first, then KC_BOOKS, then the settings file in the
// program's folder; a relative path there is taken from that folder.
struct BooksSource {
    std::wstring store;
    std::wstring user;
    int dataNo = 0;
    std::wstring outputFolder;
    std::wstring settingsFolder;
    std::wstring settingsFile;  // kcbooks.ini, and which of the values came from it
    bool storeFromSettings = false;
    bool userFromSettings = false;
    bool dataFromSettings = false;
};

BooksSource FindBooks(const HostOptions& options) {
    BooksSource source;
    const BooksSettings settings = BooksSettings::Of(ProgramFolder());
    source.settingsFile = settings.File();
    if (!options.books.empty()) {
        source.store = FullPath(FromOption(options.books));
    } else {
        source.store = settings.Path("Store");
        source.storeFromSettings = true;
    }
    source.user = FromOption(options.user);
    source.dataNo = options.dataNo;
    source.outputFolder = FromOption(options.outputFolder);
    source.settingsFolder = FromOption(options.settingsFolder);
    if (source.user.empty()) {
        source.user = settings.Value("User");
        source.userFromSettings = !source.user.empty();
    }
    if (source.dataNo == 0) {
        source.dataNo = _wtoi(settings.Value("Data").c_str());
        source.dataFromSettings = source.dataNo != 0;
    }
    if (source.outputFolder.empty()) source.outputFolder = settings.Path("OutputFolder");
    if (source.settingsFolder.empty()) source.settingsFolder = settings.Path("SettingsFolder");
    if (source.outputFolder.empty()) source.outputFolder = DocumentsFolder();
    if (source.settingsFolder.empty()) {
        std::wstring appData = RoamingAppDataFolder();
        if (!appData.empty()) source.settingsFolder = appData + L"\\kessan-link";
    }
    return source;
}

// The caller's line could not be taken: the caller still learns that the run failed, if its
// line names a window and a message.
void RefuseCallerLine(Platform& platform, const std::wstring& line) {
    platform.messages.Show(kNoWindow, kCallerPathRefused, kCaption, mb::kIconWarning);
    std::size_t commas = 0, end = 0;
    for (; end < line.size() && commas < 3; ++end) {
        if (line[end] == L',') ++commas;
    }
    auto fields = WideToSjis(line.substr(0, end));
    if (commas < 3 || !fields) return;
    const CallerLink caller = ParseCallerLine(*fields).link;
    platform.windows.SetForeground(caller.window);
    platform.windows.Enable(caller.window, true);
    platform.windows.Post(caller.window, caller.message, caller.wParam, kFailed);
}

void PrintUtf8(std::FILE* out, const std::string& text) {
    native::WriteText(out, text);
}

}  // namespace

int RunHost(int /*argc*/, char** /*argv*/, const Edition& edition) {
    // UTF-8 bytes on the console streams as they are: text mode would turn LF into CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    std::wstring rawLine = GetCommandLineW();
    std::vector<CommandLineArgument> arguments = SplitCommandLine(rawLine);
    // An argument holding a lone surrogate is read as shown, for the options to find where the
    // caller's line begins; a path among the options is never taken changed: the run is refused.
    // The caller's line has its own refusal (RefuseCallerLine).
    std::vector<std::string> utf8{edition.name};
    std::size_t firstBroken = 0;
    for (const auto& argument : arguments) {
        const std::optional<std::string> text = WideToUtf8(argument.text);
        if (!text && firstBroken == 0) firstBroken = utf8.size();
        utf8.push_back(text ? *text : WideToUtf8Shown(argument.text));
    }
    std::vector<const char*> argv;
    for (const auto& text : utf8) argv.push_back(text.c_str());

    HostOptions options;
    std::string error;
    if (!ParseHostOptions(static_cast<int>(argv.size()), argv.data(), &options, &error)) {
        PrintUtf8(stderr, std::string(edition.name) + ": " + error + "\n" + HostUsage());
        return kFailed;
    }
    if (firstBroken > 0 && (options.callerLineIndex == 0 ||
                            firstBroken < static_cast<std::size_t>(options.callerLineIndex))) {
        PrintUtf8(stderr, std::string(edition.name) + ": argument " + std::to_string(firstBroken) +
                              " is not valid UTF-16: a name in it holds a broken character\n");
        return kFailed;
    }
    if (options.help) {
        PrintUtf8(stdout, HostUsage());
        return kCompleted;
    }
    if (options.ui == HostOptions::Ui::kTty || !options.drives.empty() || !options.shares.empty()) {
        PrintUtf8(stderr, std::string(edition.name) +
                              ": --ui tty, --drive and --share belong to the POSIX host\n");
        return kFailed;
    }
    // The raw text after the options, as the caller wrote it.
    std::wstring callerLine;
    if (options.callerLineIndex > 0) {
        callerLine = rawLine.substr(arguments[options.callerLineIndex - 1].offset);
    }
    const bool batch = options.ui == HostOptions::Ui::kBatch;

    Win32FileSystem files;
    Win32Windows windows;
    // From here on Ctrl+C, Ctrl+Break and the console closing end the run as a failed export
    // ends; a program without a console never gets them.
    Interrupts interrupts(windows);
    Win32TextMapping text;
    HostMemory memory;
    ConsoleMessages console(false, options.answerYes);
    Win32Messages boxes;
    MessageService& messages = batch ? static_cast<MessageService&>(console) : boxes;
    TerminalProgress consoleProgress(false);
    Win32Progress windowProgress;
    ProgressWindow& progress =
        batch ? static_cast<ProgressWindow&>(consoleProgress) : windowProgress;
    BatchInput input{options.startMonth, options.endMonth, options.kind, options.ledger,
                     std::nullopt};
    if (options.out) {
        // Taken now: the run moves the working directory to the program's folder.
        auto out = WideToSjis(FullPath(FromOption(*options.out)));
        if (!out) {
            PrintUtf8(stderr, std::string(edition.name) + ": --out " + *options.out +
                                  ": the path has a character code page 932 cannot hold\n");
            return kFailed;
        }
        input.out = *out;
    }
    BatchDialogs batchDialogs(input, messages);
    Win32Dialogs windowDialogs;
    DialogService& dialogs = batch ? static_cast<DialogService&>(batchDialogs) : windowDialogs;
    Win32Clock clock;
    std::unique_ptr<ProgressTrace> trace = TraceProgressIfAsked(progress, clock);
    ProgressWindow& shownProgress = trace ? static_cast<ProgressWindow&>(*trace) : progress;
    Platform platform{files, messages, windows, shownProgress, text, memory, dialogs, clock};

    auto line = WideToSjis(callerLine);
    if (!line) {
        RefuseCallerLine(platform, callerLine);
        return kFailed;
    }

    BooksSource source = FindBooks(options);
    HostPrompt consolePrompt(console);
    Win32LoginPrompt windowPrompt(boxes);
    books::BooksConfig booksConfig;
    // A store whose full path holds a lone surrogate (the current folder's name) cannot be named
    // in UTF-8: it is not opened, as a store that is not there.
    booksConfig.storePath = WideToUtf8(source.store).value_or("");
    // The export never writes over the books it reads, whatever path names them.
    if (!source.store.empty()) files.AddBooksStore(booksConfig.storePath);
    booksConfig.userId = WideToSjis(source.user).value_or("");
    booksConfig.dataNo = source.dataNo;
    booksConfig.outputFolder = SystemFolder(source.outputFolder);
    booksConfig.settingsFolder = SystemFolder(source.settingsFolder);
    booksConfig.prompt = batch ? static_cast<books::LedgerPrompt*>(&consolePrompt) : &windowPrompt;
    booksConfig.settingsFile = WideToUtf8(source.settingsFile).value_or("");
    booksConfig.storeFromSettings = source.storeFromSettings;
    booksConfig.userFromSettings = source.userFromSettings;
    booksConfig.dataFromSettings = source.dataFromSettings;
    books::ConfigureBooks(booksConfig);

    const CallerLine caller = ParseCallerLine(*line);
    if (caller.fromCaller) {
        interrupts.SetCaller(caller.link.window, caller.link.message, caller.link.wParam);
    }
    LinkApp app(platform, edition, caller);
    app.InitInstance();
    // The exit handler tells the caller; a console event from here on changes nothing.
    interrupts.Disarm();
    app.ExitInstance();
    books::ConfigureBooks(books::BooksConfig{});
    return app.Result();
}
