// kcview as a script runs it: its output and its exit status.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "native/Calls.h"
#include "native/Failure.h"
#include "tests/view/Documents.h"
#include "tools/kcview/Kcview.h"

namespace {

using kcview::testing::Edited;
using kcview::testing::LineOf;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class KcviewCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kcview-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    Outcome Kcview(const std::string& arguments) {
        const std::string out = folder_ + "/stdout";
        const std::string err = folder_ + "/stderr";
        const std::string command =
            std::string(KCVIEW) + " " + arguments + " >" + out + " 2>" + err;
        Outcome run;
        const int status = std::system(command.c_str());
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Read(out);
        run.err = Read(err);
        return run;
    }

    // `body` in a child process whose error output goes to folder_/stderr: its exit status, or
    // 128 + the signal that ended it.
    int InChild(const std::function<int()>& body) {
        const pid_t child = fork();
        if (child == 0) {
            const int err = open((folder_ + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (err < 0 || dup2(err, 2) < 0) _exit(100);
            std::fflush(stdout);
            _exit(body());
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // kcview's command run in this process, as its program runs it.
    static int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "kcview");
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        return kcview::Run(static_cast<int>(arguments.size()), argv.data());
    }

    // The names in the folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder_;
};

// The sample export is written without its general ledger.
// Two files dropped together come in whichever order Explorer gives them: last year's is the one
// whose fiscal year ends the day before the other's begins.
TEST_F(KcviewCommand, OfTwoExportsLastYearsIsTheOneThatDirectlyPrecedes) {
    const std::string thisYear = Write("2025.xml", kcview::testing::kTiedOut);
    const std::string lastYear = Write("2024.xml", kcview::testing::YearBefore());
    const std::string twoYearsAgo =
        Write("2023.xml",
              kcview::testing::Edited(
                  "<JIGYOUNENDOFROM>20240401<", "<JIGYOUNENDOFROM>20230401<",
                  kcview::testing::Edited("<JIGYOUNENDOTO>20250331<", "<JIGYOUNENDOTO>20240331<",
                                          kcview::testing::YearBefore())));
    const std::string notAnExport = Write("notes.xml", "<REPORT>");
    const struct {
        std::string first, second;
        int lastYear;
    } cases[] = {
        {thisYear, lastYear, 1},     {lastYear, thisYear, 0},
        {thisYear, thisYear, -1},    {thisYear, twoYearsAgo, -1},
        {notAnExport, thisYear, -1}, {thisYear, folder_ + "/none.xml", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kcview::LastYearOf(c.first, c.second), c.lastYear) << c.first << " " << c.second;
    }
}

// The sample's books carry fractions of a yen: its one-yen gaps are warnings, which leave the
// status 0; every other line says what could not be checked.
TEST_F(KcviewCommand, CheckOfTiedOutExportPrintsOnlyWarningsAndWhatItCannotCheckAndExitsZero) {
    const Outcome run = Kcview(std::string("--check ") + KC_SAMPLE_EXPORT);
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::size_t notApplicable = 0;
    for (std::string line; std::getline(lines, line);) {
        const bool told = line.find(": 注意: ") != std::string::npos ||
                          line.find(": 対象外: ") != std::string::npos;
        EXPECT_TRUE(told) << line;
        notApplicable += line.find(": 対象外: ") != std::string::npos;
    }
    EXPECT_NE(run.out.find("ledger-closing: 対象外: 総勘定元帳なしで出力されたファイルです\n"),
              std::string::npos);
    EXPECT_NE(run.err.find("checks hold"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::to_string(notApplicable) + " not applicable"), std::string::npos)
        << run.err;
}

// What the hand-made books give the reviewer's checks nothing to compare for: no books given, no
// consumption tax, no officers' pay, no depreciation.
const std::string kNoTaxes =
    "books-agree: 対象外: 帳簿が指定されていません（--books）\n"
    "consumption-tax: 対象外: ファイルに仮払消費税・仮受消費税の行がありません（税込経理の帳簿）\n";
const std::string kNoPayOrDepreciation =
    "officer-pay: 対象外: 役員報酬の科目がありません\n"
    "depreciation: 対象外: 減価償却費と減価償却累計額の両方の行がありません\n";

TEST_F(KcviewCommand, CheckPrintsEachFailureAsOneLineAndExitsOne) {
    const std::string text = Edited("<HJ00780S0040>400<", "<HJ00780S0040>401<");
    const std::string path = Write("export.xml", text);
    const Outcome run = Kcview("--check " + path);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string expected =
        kNoTaxes + "carried-forward: 対象外: 前期のファイルが指定されていません\n" +
        "ledger-closing: 総勘定元帳の現金期末残高 401 (" +
        std::to_string(LineOf("<HJ00780S01>", text)) + "行目) ≠ 決算書の現金 400 (" +
        std::to_string(LineOf(R"(<Item Label="現金")", text)) + "行目)\n" + kNoPayOrDepreciation;
    EXPECT_EQ(run.out, expected);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/export.html"));
}

TEST_F(KcviewCommand, CheckThatCannotBeComputedIsNotApplicableAndExitsZero) {
    const std::string text = Edited("</ScheduleCostGoodsManufactured>", "</Unused>",
                                    Edited("<ScheduleCostGoodsManufactured>", "<Unused>"));
    const Outcome run = Kcview("--check " + Write("export.xml", text));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kNoTaxes +
                           "carried-forward: 対象外: 前期のファイルが指定されていません\n"
                           "manufacturing-steps: 対象外: ファイルに製造原価報告書がありません\n"
                           "finished-goods: 対象外: ファイルに製造原価報告書がありません\n" +
                           kNoPayOrDepreciation);
    EXPECT_EQ(run.err, "kcview: 11 of 18 checks hold, 7 not applicable\n");
}

TEST_F(KcviewCommand, PageGoesBesideTheExportOrToTheGivenPath) {
    const std::string path = Write("year.xml", kcview::testing::kTiedOut);
    Outcome run = Kcview(path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Read(folder_ + "/year.html").find("<!DOCTYPE html>"), std::string::npos);

    run = Kcview(path + " -o " + folder_ + "/review.html --check");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Read(folder_ + "/review.html").find("<!DOCTYPE html>"), std::string::npos);
}

TEST_F(KcviewCommand, PageOfFailingExportIsWrittenWithoutCheckExitingZero) {
    const std::string path = Write("export.xml", Edited(R"(Amount="1000")", R"(Amount="1010")"));
    const Outcome run = Kcview(path + " -o " + folder_ + "/page.html");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("checks failed"), std::string::npos) << run.err;
}

TEST_F(KcviewCommand, FileThatIsNotAWholeExportGetsItsLineAndOurReasonAndExitsTwo) {
    struct Case {
        std::string text;
        std::string at;  // the text of the line refused
        std::string reason;
    };
    const std::string undecodable =
        kcview::testing::InCodePage932(Edited("現金売上 &lt;店頭&gt;", "現金売上 ?? 店頭"));
    const Case cases[] = {
        {Edited("??", "\x85\x40", undecodable), "\x85\x40",
         "a byte is no character of Shift_JIS (code page 932): this is not an exported file"},
        {Edited("</NetSales>", "</NetSale>"), "</NetSale>",
         "not well-formed XML: an end tag does not match its start tag"},
        {Edited("<PROGRAMVER>22.03.01<", "<PROGRAMVER>&secret;<"), "&secret;",
         "not well-formed XML: a reference to an entity the file does not define"},
        {Edited("<Item Label=\"建物\">", "<Item Label=\"建物\" Label=\"x\">"), "Label=\"x\"",
         "not well-formed XML: the markup is broken"},
        {"<?xml version=\"1.0\"?>\n<REPORT>\n<SYSTEM/><BASIC/><DATA></DATA></REPORT>\n", "<REPORT>",
         "DATA has no balance sheet: this is not an exported file"},
        {Edited("</BalanceSheet>", "</BalanceSheet>\n<BalanceSheet>\n</BalanceSheet>"),
         "<BalanceSheet>\n</BalanceSheet>",
         "BalanceSheet appears a second time: an exported file writes it once"},
    };
    for (const Case& c : cases) {
        const std::string path = Write("refused.xml", c.text);
        const Outcome run = Kcview("--check " + path);
        EXPECT_EQ(run.status, 2) << c.reason;
        EXPECT_EQ(run.out, "") << c.reason;
        EXPECT_EQ(run.err, "kcview: " + path + ", line " + std::to_string(LineOf(c.at, c.text)) +
                               ": " + c.reason + "\n");
    }
}

TEST_F(KcviewCommand, VendorCharactersOfCodePage932DoNotEndTheRead) {
    // The second account, after ㈱ ① 髙, disagrees with the statements: read to the end, it fails.
    const std::string text =
        kcview::testing::InCodePage932(kcview::testing::WithVendorCharacters("601"));
    const Outcome run = Kcview("--check " + Write("export.xml", text));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("ledger-closing: 総勘定元帳の売掛金期末残高"), std::string::npos)
        << run.out;
}

// The page never replaces a file the run reads, by whatever name it is given; nothing is written.
TEST_F(KcviewCommand, PageNeverReplacesAFileTheRunReads) {
    struct Case {
        std::string page;
        std::string role;
    };
    const std::string current = Write("y25.xml", kcview::testing::kTiedOut);
    const std::string last = Write("y24.xml", kcview::testing::YearBefore());
    std::filesystem::create_directory(folder_ + "/sub");
    std::filesystem::create_symlink(last, folder_ + "/link.xml");
    const std::string itself = "the exported file itself";
    const std::string lastYear = "last year's export (--previous)";
    const Case cases[] = {
        {current, itself},
        {folder_ + "/sub/../y25.xml", itself},
        {last, lastYear},
        {folder_ + "/sub/../y24.xml", lastYear},
        {folder_ + "/link.xml", lastYear},
    };
    for (const Case& c : cases) {
        const Outcome run = Kcview(current + " --previous " + last + " -o " + c.page);
        EXPECT_EQ(run.status, 2) << c.page;
        EXPECT_EQ(run.err, "kcview: " + c.page + " is " + c.role + "; give -o another path\n");
        EXPECT_TRUE(Read(current) == kcview::testing::kTiedOut) << "this year's export replaced";
        EXPECT_TRUE(Read(last) == kcview::testing::YearBefore()) << "last year's export replaced";
        EXPECT_TRUE(std::filesystem::is_symlink(folder_ + "/link.xml"));
        EXPECT_EQ(Names(), (std::vector<std::string>{"link.xml", "stderr", "stdout", "sub",
                                                     "y24.xml", "y25.xml"}));
    }
}

TEST_F(KcviewCommand, WrongArgumentsShowUsageAndExitTwo) {
    for (const char* arguments : {"", "--checks x.xml", "a.xml b.xml", "a.xml -o"}) {
        const Outcome run = Kcview(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find("usage: kcview"), std::string::npos) << arguments;
    }
}

TEST_F(KcviewCommand, UnwritablePageIsAMessageAndExitTwo) {
    const Outcome run =
        Kcview(std::string(KC_SAMPLE_EXPORT) + " -o " + folder_ + "/missing/page.html");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("kcview: cannot write " + folder_ + "/missing/page.html: "),
              std::string::npos)
        << run.err;
}

// What stands at the page's path before the run is never written through: anything but a
// regular file (or nothing) is refused before a byte is written.
TEST_F(KcviewCommand, PagePathThatIsNotARegularFileIsRefusedAndLeftAsItWas) {
    struct Case {
        std::string page;
        std::filesystem::file_type standing;  // what stands there before and after the run
    };
    const std::string exportPath = Write("export.xml", kcview::testing::kTiedOut);
    std::filesystem::create_directory(folder_ + "/folder");
    std::filesystem::create_directory_symlink(folder_ + "/folder", folder_ + "/link-to-folder");
    ASSERT_EQ(mkfifo((folder_ + "/fifo").c_str(), 0600), 0);
    // The pipe's other end is open and never blocks, so writing into it cannot hang the test.
    const int reader = open((folder_ + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    using Type = std::filesystem::file_type;
    const Case cases[] = {
        {folder_ + "/folder", Type::directory},
        {folder_ + "/fifo", Type::fifo},
        {folder_ + "/link-to-folder", Type::symlink},
        {"/dev/full", Type::character},
    };
    for (const Case& c : cases) {
        const Outcome run = Kcview(exportPath + " -o " + c.page);
        EXPECT_EQ(run.status, 2) << c.page;
        EXPECT_EQ(run.err, "kcview: " + c.page +
                               " is not a regular file (a folder, a pipe or a device); give -o "
                               "another path\n");
        EXPECT_EQ(std::filesystem::symlink_status(c.page).type(), c.standing) << c.page;
        EXPECT_TRUE(std::filesystem::is_empty(folder_ + "/folder")) << c.page;
    }
    char byte = 0;
    EXPECT_EQ(read(reader, &byte, 1), 0) << "the page went into the pipe";
    close(reader);
}

TEST_F(KcviewCommand, LinkAtThePagePathIsReplacedAndTheFileItNamesIsNotWritten) {
    const std::string exportPath = Write("export.xml", kcview::testing::kTiedOut);
    const std::string theirs = Write("theirs.html", "someone else's file");
    std::filesystem::create_symlink(theirs, folder_ + "/page.html");
    const Outcome run = Kcview(exportPath + " -o " + folder_ + "/page.html");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read(theirs), "someone else's file");
    EXPECT_TRUE(
        std::filesystem::is_regular_file(std::filesystem::symlink_status(folder_ + "/page.html")));
    EXPECT_NE(Read(folder_ + "/page.html").find("<!DOCTYPE html>"), std::string::npos);
}

// A limit on the size of a file kcview writes (ulimit -f), with SIGXFSZ as the shell leaves it:
// the page's write fails with its reason instead of the signal ending kcview, the previous page
// stays whole and no temporary is left beside it.
TEST_F(KcviewCommand, PageOverAFileSizeLimitIsAFailedWriteAndLeavesThePreviousPage) {
    const std::string exportPath = Write("export.xml", kcview::testing::kTiedOut);
    const std::string page = Write("page.html", "the previous page");
    const int status = InChild([&] {
        const rlimit limit{4096, 4096};  // the page is larger; kcview's messages are not
        std::signal(SIGXFSZ, SIG_DFL);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
        execl(KCVIEW, KCVIEW, exportPath.c_str(), "-o", page.c_str(), static_cast<char*>(nullptr));
        return 101;
    });
    EXPECT_EQ(status, 2);
    EXPECT_EQ(Read(folder_ + "/stderr"),
              "kcview: cannot write " + page +
                  ": the file would be larger than the system or a file-size limit allows\n");
    EXPECT_EQ(Read(page), "the previous page");
    EXPECT_EQ(Names(), (std::vector<std::string>{"export.xml", "page.html", "stderr"}));
}

// The host's table with the first write of the page raising `signal`, then waiting: the
// interrupt's clean-up ends the run while the page is half written.
native::Calls RaisingOnWrite(int signal) {
    native::Calls calls = native::SystemCalls();
    const auto write = calls.write;
    calls.write = [signal, write](native::Handle file, const char* data, std::size_t size,
                                  std::size_t* written) {
        std::raise(signal);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        return write(file, data, size, written);
    };
    return calls;
}

TEST_F(KcviewCommand, InterruptWhileThePageIsWrittenRemovesItsTemporaryReportsAndFails) {
    const std::string exportPath = Write("export.xml", kcview::testing::kTiedOut);
    const std::string page = Write("page.html", "the previous page");
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(signal);
        const int status = InChild([&] {
            native::CallsOverride during(RaisingOnWrite(signal));
            return Run({exportPath, "-o", page});
        });
        EXPECT_EQ(status, 2);
        EXPECT_EQ(Read(folder_ + "/stderr"), "kcview: interrupted; run kcview again\n");
        EXPECT_EQ(Read(page), "the previous page");
        EXPECT_EQ(Names(), (std::vector<std::string>{"export.xml", "page.html", "stderr"}));
    }
}

// A hangup kcview was started to ignore (nohup) stays ignored while the page is written, and every
// signal's action is as it was once the run is over.
void CallersOwnHandler(int) {}

TEST_F(KcviewCommand, RunLeavesTheSignalsAsItFoundThem) {
    const std::string exportPath = Write("export.xml", kcview::testing::kTiedOut);
    const std::string page = folder_ + "/page.html";
    const int status = InChild([&] {
        auto handlerOf = [](int signal) {
            struct sigaction current {};
            sigaction(signal, nullptr, &current);
            return current.sa_handler;
        };
        std::signal(SIGHUP, SIG_IGN);
        std::signal(SIGINT, CallersOwnHandler);
        std::signal(SIGXFSZ, SIG_DFL);
        {
            native::Calls calls = native::SystemCalls();
            const auto write = calls.write;
            calls.write = [write](native::Handle file, const char* data, std::size_t size,
                                  std::size_t* written) {
                std::raise(SIGHUP);  // under nohup: nothing happens
                return write(file, data, size, written);
            };
            native::CallsOverride during(calls);
            if (Run({exportPath, "-o", page}) != 0) return 1;
        }
        if (handlerOf(SIGHUP) != SIG_IGN) return 2;
        if (handlerOf(SIGINT) != CallersOwnHandler) return 3;
        if (handlerOf(SIGXFSZ) != SIG_DFL || handlerOf(SIGTERM) != SIG_DFL) return 4;
        return 0;
    });
    EXPECT_EQ(status, 0) << Read(folder_ + "/stderr");
    EXPECT_NE(Read(page).find("<!DOCTYPE html>"), std::string::npos);
}

// Each call of the floor made to fail as a user's machine fails it: one sentence made at the
// edge, naming the file and the reason, status 2, the previous page as it was and nothing beside.
TEST_F(KcviewCommand, FailingCallIsOneSentenceNamingItsFile) {
    struct Case {
        const char* call;
        native::FailureKind kind;
        std::string told;  // after "kcview: "
    };
    const std::string exportPath = Write("export.xml", kcview::testing::kTiedOut);
    const std::string page = Write("page.html", "the previous page");
    const std::string cannotWrite = "cannot write " + page + ": ";
    const Case cases[] = {
        {"openRead", native::FailureKind::kAccessDenied,
         exportPath + ": cannot open the file: permission denied"},
        {"read", native::FailureKind::kDeviceError,
         exportPath + ": cannot read the file: the disk could not be read or written"},
        {"createNew", native::FailureKind::kReadOnlyDisk, cannotWrite + "the disk is read-only"},
        {"write", native::FailureKind::kNoRoom, cannotWrite + "no room left on the disk"},
        {"sync", native::FailureKind::kDeviceError,
         cannotWrite + "the disk could not be read or written"},
        {"replace", native::FailureKind::kHeldOpen, cannotWrite + "another program holds the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        const int status = InChild([&] {
            native::Calls calls = native::SystemCalls();
            const int code = native::CodeOf(c.kind);
            const std::string call = c.call;
            if (call == "openRead")
                calls.openRead = [code](const std::string&, native::Handle*) { return code; };
            if (call == "read")
                calls.read = [code](native::Handle, char*, std::size_t, std::size_t*) {
                    return code;
                };
            if (call == "createNew")
                calls.createNew = [code](const std::string&, native::Handle*) { return code; };
            if (call == "write")
                calls.write = [code](native::Handle, const char*, std::size_t, std::size_t*) {
                    return code;
                };
            if (call == "sync") calls.sync = [code](native::Handle) { return code; };
            if (call == "replace")
                calls.replace = [code](const std::string&, const std::string&) { return code; };
            native::CallsOverride during(calls);
            return Run({exportPath, "-o", page});
        });
        EXPECT_EQ(status, 2);
        EXPECT_EQ(Read(folder_ + "/stderr"), "kcview: " + c.told + "\n");
        EXPECT_EQ(Read(page), "the previous page");
        EXPECT_EQ(Names(), (std::vector<std::string>{"export.xml", "page.html", "stderr"}));
    }
}

// --- last year's file beside this one

TEST_F(KcviewCommand, PreviousYearShowsItsFiguresAndCarriesForward) {
    const std::string last = Write("last.xml", kcview::testing::YearBefore());
    const std::string page = folder_ + "/page.html";
    const Outcome run = Kcview("--check --previous " + last + " --flag-change 20%,100 " +
                               Write("export.xml", kcview::testing::kTiedOut) + " -o " + page);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("carried-forward"), std::string::npos) << run.out;
    // 繰越利益剰余金 closes at 500 last year and 800 this year: a change of 300, 60 %.
    EXPECT_NE(Read(page).find("<td>800<td>500<td>300<td>60.0%"), std::string::npos);

    const Outcome failing =
        Kcview("--check --previous " + Write("last.xml", kcview::testing::YearBefore("450")) + " " +
               folder_ + "/export.xml");
    EXPECT_EQ(failing.status, 1);
    EXPECT_NE(failing.out.find("\ncarried-forward: 当期ファイルの繰越利益剰余金の当期首残高 500"),
              std::string::npos)
        << failing.out;
}

TEST_F(KcviewCommand, PreviousFileOfAnotherYearOrMalformedIsRefusedWithExitTwo) {
    const std::string current = Write("export.xml", kcview::testing::kTiedOut);
    const Outcome sameYear = Kcview(current + " --previous " + current);
    EXPECT_EQ(sameYear.status, 2);
    EXPECT_EQ(sameYear.err, "kcview: " + current +
                                ": its fiscal year 2025-04-01 to 2026-03-31 does not directly "
                                "precede this year's, which starts 2025-04-01: give last year's "
                                "export\n");
    const std::string broken = Write("last.xml", "<REPORT>");
    const Outcome malformed = Kcview(current + " --previous " + broken);
    EXPECT_EQ(malformed.status, 2);
    EXPECT_EQ(malformed.err.rfind("kcview: " + broken + ", line ", 0), 0u) << malformed.err;
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/export.html"));
}

TEST_F(KcviewCommand, MalformedFlagChangeIsAUsageError) {
    const std::string current = Write("export.xml", kcview::testing::kTiedOut);
    const std::string last = Write("last.xml", kcview::testing::YearBefore());
    for (const char* value : {"20", "20%", "20%,5e5", "twenty%,500000"}) {
        const Outcome run = Kcview(current + " --previous " + last + " --flag-change " + value);
        EXPECT_EQ(run.status, 2) << value;
        EXPECT_EQ(run.err.rfind(std::string("kcview: --flag-change ") + value +
                                    ": give a per cent and an amount in yen, such as 20%,500000\n"
                                    "usage: kcview",
                                0),
                  0u)
            << run.err;
    }
    const Outcome alone = Kcview(current + " --flag-change 20%,500000");
    EXPECT_EQ(alone.status, 2);
    EXPECT_NE(alone.err.find("give --previous too"), std::string::npos) << alone.err;
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/export.html"));
}

}  // namespace
