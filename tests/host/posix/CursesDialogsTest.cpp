// The terminal form driven through a pseudo-terminal: a child process runs the form with a
// scripted handler, the test types keys into the terminal and reads back what the handler saw.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/MessageBoxFlags.h"
#include "dialog/ControlIds.h"
#include "host/posix/Dialogs.h"
#include "host/posix/MessageRouter.h"
#include "tests/doubles/FakePlatform.h"

// Last, as the host includes it: the tests read back what the form drew.
#define NCURSES_NOMACROS
#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace {

// Key sequences as an xterm sends them (the form switches the keypad to application mode).
const std::string kTab = "\t";
const std::string kBackTab = "\x1b[Z";
const std::string kEnter = "\r";
const std::string kEsc = "\x1b";
const std::string kF12 = "\x1b[24~";
const std::string kEnd = "\x1bOF";
const std::string kBackspace = "\x7f";
const std::string kSpace = " ";
// Alt+letter as a terminal sends it: Esc, then the letter.
std::string Alt(char letter) {
    return std::string("\x1b") + letter;
}
// Steps that are no keys: the terminal shrinks below the form's size, and grows back; the
// test waits until the screen shows a text.
const std::string kShrink = "(shrink)";
const std::string kGrow = "(grow)";
const std::string kWaitFor = "(wait)";
// What the terminal shows, in UTF-8: the form's title (集計条件) and a word of a message (開始).
const std::string kFormDrawn = "\xE9\x9B\x86\xE8\xA8\x88\xE6\x9D\xA1\xE4\xBB\xB6";
const std::string kInitMessageDrawn = "\xE9\x96\x8B\xE5\xA7\x8B";
// Words of the host's own messages, in UTF-8: 長すぎ (a path too long), 存在しません (no such
// folder), 広げ (widen the terminal).
const std::string kTooLongDrawn = "\xE9\x95\xB7\xE3\x81\x99\xE3\x81\x8E";
const std::string kNoFolderDrawn =
    "\xE5\xAD\x98\xE5\x9C\xA8\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93";
const std::string kWidenDrawn = "\xE5\xBA\x83\xE3\x81\x92";
// "あ" in Shift_JIS and in UTF-8.
const std::string kSjisA = "\x82\xA0";
const std::string kUtf8A = "\xE3\x81\x82";

// What the form's screen shows at row `y` from column `x`, `count` cells, in UTF-8.
std::string ScreenText(int y, int x, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        cchar_t cell{};
        if (mvwin_wch(stdscr, y, x + i, &cell) == ERR) break;
        wchar_t wide[CCHARW_MAX + 1] = {};
        attr_t attributes = 0;
        short pair = 0;
        getcchar(&cell, wide, &attributes, &pair, nullptr);
        char bytes[MB_LEN_MAX];
        std::mbstate_t state{};
        std::size_t length = std::wcrtomb(bytes, wide[0], &state);
        if (length != static_cast<std::size_t>(-1)) text.append(bytes, length);
    }
    return text;
}

// Where the messages go when the form is not up.
class ConsoleStub : public MessageService {
public:
    ConsoleStub(std::string& log, std::string* texts) : log_(log), texts_(texts) {}
    int Show(WindowHandle, const char* text, const char*, unsigned) override {
        log_ += "console;";
        if (texts_ != nullptr) *texts_ += std::string(text) + ";";
        return mb::kIdOk;
    }

private:
    std::string& log_;
    std::string* texts_;
};

class FallbackStub : public DialogService {
public:
    explicit FallbackStub(std::string& log) : log_(log) {}
    int RunModal(int templateId, WindowHandle, DialogEvents&) override {
        log_ += "fallback " + std::to_string(templateId) + ";";
        return 77;
    }
    std::optional<std::string> AskSaveFile(const SaveFileRequest&) override {
        log_ += "fallback save;";
        return std::nullopt;
    }

private:
    std::string& log_;
};

// A handler that writes down what it sees: 実行 and F12 (after a question) end the dialog with
// 1, キャンセル shows a notice and ends it with 2, 参照 asks for a file.
class ScriptedEvents : public DialogEvents {
public:
    ScriptedEvents(std::string& log, MessageService& messages, DialogService& dialogs)
        : log_(log), messages_(messages), dialogs_(dialogs) {}

    // What the handler does at the end of its initialisation.
    std::function<void(DialogControls&, ScriptedEvents&)> init;
    bool throwOnCancel = false;
    // The file name 参照 starts from.
    std::string browseName = "a.xml";
    // What is written down besides the controls when the dialog is confirmed.
    std::function<std::string()> alsoRecord;

    void OnInit(DialogControls& controls) override {
        controls.SetText(ctl::kCompanyName, "Sakura");
        controls.SetText(ctl::kStartMonth, "4");
        controls.SetText(ctl::kEndMonth, "3");
        controls.SetText(ctl::kPath, "C:\\out\\a.xml");
        controls.SetCheck(ctl::kShareholdersEquity, true);
        controls.SetCheck(ctl::kOutputLedger, true);
        if (init) init(controls, *this);
    }
    void OnCommand(DialogControls& controls, int id) override {
        if (id == ctl::kExecute) {
            Record(controls);
            End(1);
        } else if (id == ctl::kCancel) {
            if (throwOnCancel) throw std::runtime_error("cancel");
            int answer = messages_.Show(0, "stopped", "caption", mb::kOk | mb::kIconInformation);
            log_ += "notice " + std::to_string(answer) + ";";
            End(2);
        } else if (id == ctl::kBrowse) {
            SaveFileRequest request;
            request.defaultExtension = "XML";
            request.initialFolder = "C:\\out\\";
            request.initialName = browseName;
            request.title = "save";
            auto chosen = dialogs_.AskSaveFile(request);
            log_ += "browse " + chosen.value_or("(none)") + ";";
            if (chosen) controls.SetText(ctl::kPath, *chosen);
            controls.Focus(ctl::kExecute);
        }
    }
    bool OnKey(DialogControls& controls, DialogKey key) override {
        if (key != DialogKey::kF12) return false;
        int answer = messages_.Show(0, "run?", "caption", mb::kYesNo | mb::kIconQuestion);
        log_ += answer == mb::kIdYes ? "F12 yes;" : "F12 no;";
        if (answer == mb::kIdYes) {
            Record(controls);
            End(1);
        }
        return true;
    }
    bool Ended() const override { return ended_; }
    int EndCode() const override { return code_; }

    void End(int code) {
        ended_ = true;
        code_ = code;
    }
    void Say(const char* text) {
        int answer = messages_.Show(0, text, "caption", mb::kOk);
        log_ += "said " + std::to_string(answer) + ";";
    }

private:
    void Record(DialogControls& c) {
        log_ += "start=" + c.GetText(ctl::kStartMonth) + " end=" + c.GetText(ctl::kEndMonth) +
                " path=" + c.GetText(ctl::kPath) +
                " radios=" + (c.IsChecked(ctl::kShareholdersEquity) ? "1" : "0") +
                (c.IsChecked(ctl::kMembersEquity) ? "1" : "0") +
                " ledger=" + (c.IsChecked(ctl::kOutputLedger) ? "1" : "0") +
                " focus=" + std::to_string(c.FocusedControl()) + ";";
        if (alsoRecord) log_ += alsoRecord();
    }

    std::string& log_;
    MessageService& messages_;
    DialogService& dialogs_;
    bool ended_ = false;
    int code_ = 0;
};

struct Outcome {
    std::string report;  // what the child process wrote down
    std::string screen;  // what it sent to the terminal
};

// Reads the terminal until `until` shows, it closes, or `milliseconds` pass; true when `until`
// showed (an empty `until` never does).
long long NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool Drain(int master, std::string* screen, int milliseconds, const std::string& until) {
    const long long deadline = NowMilliseconds() + milliseconds;
    while (true) {
        if (!until.empty() && screen->find(until) != std::string::npos) return true;
        const long long left = deadline - NowMilliseconds();
        if (left <= 0) return false;
        pollfd fd{master, POLLIN, 0};
        int ready = poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[4096];
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) return false;  // the child closed the terminal
        screen->append(buffer, static_cast<std::size_t>(got));
    }
}

// The terminal's size; kShrink makes it kSmall, kGrow kLarge.
const winsize kLarge{24, 80, 0, 0};
const winsize kSmall{20, 60, 0, 0};

// Runs `form` in a child process on a pseudo-terminal of `size`, waits for `ready` on the
// screen, then types `keys`, one step at a time.
Outcome RunOnTerminal(const std::function<std::string()>& form,
                      const std::vector<std::string>& keys, const std::string& ready = kFormDrawn,
                      const char* term = "xterm", winsize size = kLarge) {
    Outcome run;
    int report[2];
    if (pipe(report) != 0) return run;
    int master = -1;
    std::fflush(nullptr);
    pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return run;
    }
    if (child == 0) {
        close(report[0]);
        setenv("TERM", term, 1);
        std::string text;
        try {
            text = form();
        } catch (...) {
            text = "exception";
        }
        for (std::size_t done = 0; done < text.size();) {
            ssize_t put = write(report[1], text.data() + done, text.size() - done);
            if (put <= 0) break;
            done += static_cast<std::size_t>(put);
        }
        _exit(0);
    }
    close(report[1]);
    if (ready.empty() || Drain(master, &run.screen, 5000, ready)) {
        for (const std::string& key : keys) {
            if (key == kShrink || key == kGrow) {
                // The terminal tells the form with SIGWINCH.
                ioctl(master, TIOCSWINSZ, key == kShrink ? &kSmall : &kLarge);
            } else if (key.rfind(kWaitFor, 0) == 0) {
                Drain(master, &run.screen, 5000, key.substr(kWaitFor.size()));
            } else if (write(master, key.data(), key.size()) != static_cast<ssize_t>(key.size())) {
                break;
            }
            // A lone Esc is a key only once the terminal's escape delay has passed.
            Drain(master, &run.screen, 80, "");
        }
    }
    Drain(master, &run.screen, 5000, "");
    int status = 0;
    const long long deadline = NowMilliseconds() + 5000;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (NowMilliseconds() > deadline) {
            // Still waiting for keys nobody will type.
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            run.report = "(killed) ";
            break;
        }
        usleep(10000);
    }
    char buffer[4096];
    for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;) {
        run.report.append(buffer, static_cast<std::size_t>(got));
    }
    close(report[0]);
    close(master);
    return run;
}

using Init = std::function<void(DialogControls&, ScriptedEvents&)>;

// The form with a scripted handler; after it, one more message that must reach the console.
// With `consoleTexts`, the texts that reach the console are written down at the end.
std::function<std::string()> Form(Init init = {}, int templateId = ctl::kConditionDialogTemplate,
                                  bool consoleTexts = false) {
    return [init, templateId, consoleTexts] {
        std::string log;
        std::string texts;
        ConsoleStub console(log, consoleTexts ? &texts : nullptr);
        MessageRouter messages(console);
        FallbackStub fallback(log);
        // The folder 参照 starts in exists; no other does.
        FakePlatform files;
        files.folders.insert("C:\\out\\");
        CursesDialogs dialogs(fallback, messages, files);
        ScriptedEvents events(log, messages, dialogs);
        events.init = init;
        int code = -1;
        try {
            code = dialogs.RunModal(templateId, 0, events);
        } catch (const std::runtime_error&) {
            log += "thrown;";
        }
        messages.Show(0, "after", "caption", mb::kOk);
        return log + "code=" + std::to_string(code) + (consoleTexts ? " texts=" + texts : "");
    };
}

TEST(CursesDialogs, EditsMovesAndAsksOverTheForm) {
    Init init = [](DialogControls& c, ScriptedEvents&) { c.LimitText(ctl::kPath, 12); };
    // Start month: typed over its selected text, then a second digit. End month: a letter is
    // refused. Then the second radio button, the check box off, and the path: End, one
    // character off, two Japanese characters of which the limit of 12 characters takes one.
    // That is 13 bytes: F12 is refused with a message and the path selected; End and one
    // character off make 11 bytes. Then F12 is asked twice.
    Outcome run = RunOnTerminal(
        Form(init), {"1",  "0",    kTab, "x",        "9",  kTab,       kTab,
                     " ",  kTab,   " ",  kTab,       kEnd, kBackspace, "\xE3\x81\x82\xE3\x81\x84",
                     kF12, kEnter, kEnd, kBackspace, kF12, "n",        kF12,
                     "y"});
    EXPECT_EQ(run.report,
              "F12 no;F12 yes;start=10 end=9 path=C:\\out\\a.xm radios=01 ledger=0 "
              "focus=1015;console;code=1")
        << run.screen;
    EXPECT_NE(run.screen.find(kTooLongDrawn), std::string::npos) << run.screen;
}

TEST(CursesDialogs, EscapeCancelsWithTheNoticeOverTheForm) {
    Outcome run = RunOnTerminal(Form(), {kEsc, kEnter});
    EXPECT_EQ(run.report, "notice 1;console;code=2") << run.screen;
}

TEST(CursesDialogs, BrowseAsksForAFileOverTheForm) {
    // Back to 参照 (Shift-Tab from the start month wraps); the first time the box is cancelled,
    // the second time the name is retyped without an extension; Space then presses 実行.
    Outcome run = RunOnTerminal(
        Form(), {kBackTab, kBackTab, kBackTab, kEnter, kEsc, kBackTab, kEnter, kBackspace,
                 kBackspace, kBackspace, kBackspace, kBackspace, "b", kEnter, " "});
    EXPECT_EQ(run.report,
              "browse (none);browse C:\\out\\b.xml;start=4 end=3 path=C:\\out\\b.xml radios=10 "
              "ledger=1 focus=1002;console;code=1")
        << run.screen;
}

TEST(CursesDialogs, DisabledControlsAreSkipped) {
    Init init = [](DialogControls& c, ScriptedEvents&) {
        c.Enable(ctl::kPath, false);
        c.Enable(ctl::kBrowse, false);
    };
    // From the start month: end month, the radio buttons, the check box, then 実行.
    Outcome run = RunOnTerminal(Form(init), {kTab, kTab, kTab, kTab, kTab, kEnter});
    EXPECT_EQ(run.report,
              "start=4 end=3 path=C:\\out\\a.xml radios=10 ledger=1 focus=1002;console;code=1")
        << run.screen;
}

TEST(CursesDialogs, MessagesOfTheInitialisationShowOnTheTerminal) {
    Init init = [](DialogControls&, ScriptedEvents& events) {
        events.Say("開始");
        events.End(3);
    };
    Outcome run = RunOnTerminal(Form(init), {kEnter}, kInitMessageDrawn);
    EXPECT_EQ(run.report, "said 1;console;code=3") << run.screen;
}

TEST(CursesDialogs, AnExceptionLeavesTheTerminalAndTheMessagesAsTheyWere) {
    Init init = [](DialogControls&, ScriptedEvents& events) { events.throwOnCancel = true; };
    Outcome run = RunOnTerminal(Form(init), {kEsc});
    EXPECT_EQ(run.report, "thrown;console;code=-1") << run.screen;
    // The terminal is back on its normal screen (xterm's rmcup).
    EXPECT_NE(run.screen.find("\x1b[?1049l"), std::string::npos);
}

TEST(CursesDialogs, WithoutAUsableTerminalTheFallbackRuns) {
    Outcome unknown = RunOnTerminal(Form(), {}, "", "kc-no-such-terminal");
    EXPECT_EQ(unknown.report, "fallback 130;console;code=77");
    Outcome otherTemplate = RunOnTerminal(Form({}, ctl::kProgressTemplate), {}, "");
    EXPECT_EQ(otherTemplate.report, "fallback 131;console;code=77");
}

// ---- Mnemonics: Alt and the letter of a label or a button ----

TEST(CursesDialogs, AltAndAMnemonicMoveTheFocusAndNeverCancel) {
    // Alt+Z names nothing. 月度(&E) and 月度(&S) focus their month with its text selected,
    // (&M) selects its radio button, (&N) toggles the check box, 出力先(&O) focuses the path,
    // 参照(&D) presses the button; Alt+Y answers the question.
    Outcome run = RunOnTerminal(Form(), {Alt('z'), Alt('e'), "9", Alt('s'), "5", Alt('M'), Alt('n'),
                                         Alt('o'), "x", Alt('d'), kEsc, kF12, Alt('y')});
    EXPECT_EQ(run.report, "browse (none);F12 yes;start=5 end=9 path=x radios=01 ledger=0 focus=" +
                              std::to_string(ctl::kExecute) + ";console;code=1")
        << run.screen;
}

TEST(CursesDialogs, AMnemonicOfADisabledControlDoesNothing) {
    Init init = [](DialogControls& c, ScriptedEvents&) {
        c.Enable(ctl::kPath, false);
        c.Enable(ctl::kBrowse, false);
        c.SetCheck(ctl::kShareholdersEquity, false);
        c.SetCheck(ctl::kMembersEquity, true);
    };
    // The path and 参照 stay as they are; (&K) chooses the first radio button. Alt+N on the
    // question answers いいえ.
    Outcome run =
        RunOnTerminal(Form(init), {Alt('o'), Alt('d'), Alt('K'), kF12, Alt('n'), kF12, "y"});
    EXPECT_EQ(run.report,
              "F12 no;F12 yes;start=4 end=3 path=C:\\out\\a.xml radios=10 ledger=1 focus=" +
                  std::to_string(ctl::kShareholdersEquity) + ";console;code=1")
        << run.screen;
}

// ---- What the form shows ----

TEST(CursesDialogs, MonthsAreRightAligned) {
    Init init = [](DialogControls& c, ScriptedEvents& events) {
        c.SetText(ctl::kEndMonth, "12");
        // The month fields as drawn: the form stands at row 1, column 1 of the 80x24 screen.
        events.alsoRecord = [] { return ScreenText(6, 17, 5) + "|" + ScreenText(6, 35, 5) + ";"; };
    };
    // From the start month back to 実行, which Enter presses.
    Outcome run = RunOnTerminal(Form(init), {kBackTab, kBackTab, kEnter});
    EXPECT_EQ(run.report, "start=4 end=12 path=C:\\out\\a.xml radios=10 ledger=1 focus=" +
                              std::to_string(ctl::kExecute) + ";[ 4 ]|[12 ];console;code=1")
        << run.screen;
}

TEST(CursesDialogs, ATerminalTooSmallForTheFormGetsAMessageAndTheDialogIsCancelled) {
    Outcome run =
        RunOnTerminal(Form({}, ctl::kConditionDialogTemplate, true), {}, "", "xterm", kSmall);
    const std::string cancelled = "console;console;code=" + std::to_string(ctl::kCancel);
    EXPECT_EQ(run.report.substr(0, cancelled.size()), cancelled) << run.report;
    // The message says how large the terminal must be (小さすぎ, 78 columns and 21 rows).
    EXPECT_NE(run.report.find("\x8F\xAC\x82\xB3\x82\xB7\x82\xAC"), std::string::npos);
    EXPECT_NE(run.report.find("78"), std::string::npos);
    EXPECT_NE(run.report.find("21"), std::string::npos);
}

TEST(CursesDialogs, AFormThatNoLongerFitsShowsANoticeUntilTheTerminalGrows) {
    // The start month is focused with its text selected; the 9 typed while the form is not
    // shown changes nothing.
    Outcome run = RunOnTerminal(
        Form(), {kShrink, kWaitFor + kWidenDrawn, "9", kGrow, kBackTab, kBackTab, kEnter});
    EXPECT_EQ(run.report, "start=4 end=3 path=C:\\out\\a.xml radios=10 ledger=1 focus=" +
                              std::to_string(ctl::kExecute) + ";console;code=1")
        << run.screen;
}

// ---- Paths: never cut, never into a folder that does not exist ----

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST(CursesDialogs, APathLongerThanTheLimitIsRefusedWithAMessage) {
    // 257 bytes of Shift_JIS in 130 characters: within the edit's limit, beyond the system's.
    Init init = [](DialogControls& c, ScriptedEvents&) {
        c.LimitText(ctl::kPath, 255);
        c.SetText(ctl::kPath, "C:\\" + Repeat(kSjisA, 127));
    };
    // F12 is refused, then Space on 実行; each time the path is focused with its text selected.
    Outcome run =
        RunOnTerminal(Form(init), {kF12, kEnter, kTab, kTab, kSpace, kEnter, "b", kF12, "y"});
    EXPECT_EQ(run.report, "F12 yes;start=4 end=3 path=b radios=10 ledger=1 focus=" +
                              std::to_string(ctl::kPath) + ";console;code=1")
        << run.screen;
    EXPECT_NE(run.screen.find(kTooLongDrawn), std::string::npos) << run.screen;
}

TEST(CursesDialogs, APathOfTheLimitIsTakenWhole) {
    const std::string path = "C:\\" + Repeat(kSjisA, 126);  // 255 bytes
    Init init = [path](DialogControls& c, ScriptedEvents&) {
        c.LimitText(ctl::kPath, 255);
        c.SetText(ctl::kPath, path);
    };
    Outcome run = RunOnTerminal(Form(init), {kF12, "y"});
    EXPECT_EQ(run.report, "F12 yes;start=4 end=3 path=" + path + " radios=10 ledger=1 focus=" +
                              std::to_string(ctl::kStartMonth) + ";console;code=1")
        << run.screen;
}

TEST(CursesDialogs, BrowseRefusesAFolderThatDoesNotExist) {
    // C:\out\ exists, C:\out\new\ does not: the box says so and stays for another name.
    std::vector<std::string> keys = {kBackTab, kBackTab, kBackTab, kEnter};
    for (int i = 0; i < 5; ++i) keys.push_back(kBackspace);
    keys.insert(keys.end(), {"new\\b", kEnter, kEnter});
    for (int i = 0; i < 5; ++i) keys.push_back(kBackspace);
    keys.insert(keys.end(), {"b", kEnter, kSpace});
    Outcome run = RunOnTerminal(Form(), keys);
    EXPECT_EQ(run.report,
              "browse C:\\out\\b.xml;start=4 end=3 path=C:\\out\\b.xml radios=10 ledger=1 focus=" +
                  std::to_string(ctl::kExecute) + ";console;code=1")
        << run.screen;
    EXPECT_NE(run.screen.find(kNoFolderDrawn), std::string::npos) << run.screen;
}

TEST(CursesDialogs, APathLongerThanTheLimitChosenInTheBoxIsTakenWholeAndRefusedOnExecute) {
    Init init = [](DialogControls& c, ScriptedEvents& events) {
        c.LimitText(ctl::kPath, 255);
        events.browseName = Repeat(kSjisA, 125);
    };
    // C:\out\ and 125 characters of two bytes and .xml: 261 bytes. The box hands the path on
    // whole; 実行 refuses it (had it been cut to 255 bytes, it would pass), the path is focused
    // with its text selected, and what is typed replaces it.
    Outcome run = RunOnTerminal(
        Form(init), {kBackTab, kBackTab, kBackTab, kEnter, kEnter, kSpace, kEnter, "b", kF12, "y"});
    const std::string chosen = "C:\\out\\" + Repeat(kSjisA, 125) + ".xml";
    EXPECT_EQ(run.report, "browse " + chosen +
                              ";F12 yes;start=4 end=3 path=b radios=10 ledger=1 focus=" +
                              std::to_string(ctl::kPath) + ";console;code=1")
        << run.screen;
    EXPECT_NE(run.screen.find(kTooLongDrawn), std::string::npos) << run.screen;
}

}  // namespace
