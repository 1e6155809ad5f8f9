// The one signal policy, in child processes: a signal that ends the run removes what the run
// made, reports and exits with the run's failure code; a file-size limit is a failed write; a
// signal the program was started to ignore stays ignored.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "native/Arguments.h"
#include "native/Calls.h"
#include "native/Failure.h"
#include "native/Interrupts.h"
#include "native/PathLock.h"
#include "native/TempFile.h"
#include "tests/native/FloorFixture.h"

namespace fs = std::filesystem;

namespace {

// Runs `body` in a child and answers its exit code, or 128 + the signal that ended it.
int InChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

using Signals = Floor;

TEST_F(Signals, EachEndingSignalRemovesTheRunsTemporariesReportsAndFails) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(signal);
        const int code = InChild([&] {
            native::Interrupts interrupts({[&] { std::ofstream(Path("before")) << "terminal"; },
                                           [&] {
                                               std::ofstream(Path("report"))
                                                   << (fs::exists(Path("target")) ? "x" : "ok");
                                           }},
                                          3);
            native::TempFile file(Path("target"));
            file.Write("half");
            native::TempFolder folder(Path("out"));
            std::ofstream(folder.Path() + "/journal.csv") << "rows";
            raise(signal);
            sleep(10);  // the policy's thread ends the process before this returns
            return 9;
        });
        EXPECT_EQ(code, 3);
        std::ifstream report(Path("report"));
        std::string said;
        report >> said;
        EXPECT_EQ(said, "ok");
        EXPECT_TRUE(fs::exists(Path("before")));
        fs::remove(Path("report"));
        fs::remove(Path("before"));
        EXPECT_TRUE(Names().empty());
    }
}

TEST_F(Signals, AFileSizeLimitIsAFailedWriteWithItsReason) {
    const int code = InChild([&] {
        native::Interrupts interrupts({}, 3);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            native::TempFile file(Path("page.html"), 0);
            file.Write(std::string(10000, 'x'));
            file.Keep();
        } catch (const native::Failure& failure) {
            return failure.Kind() == native::FailureKind::kTooLarge ? 0 : 1;
        }
        return 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(Names().empty());
}

TEST_F(Signals, ASignalStartedIgnoredStaysIgnoredAndADisarmedRunReportsItself) {
    const int code = InChild([&] {
        signal(SIGHUP, SIG_IGN);
        native::Interrupts interrupts({}, 3);
        native::TempFile file(Path("target"));
        raise(SIGHUP);
        usleep(100000);
        file.Keep();
        interrupts.Disarm();
        raise(SIGTERM);  // after the run: no clean-up, the default action
        usleep(100000);
        return 0;
    });
    EXPECT_EQ(code, 0);  // SIGTERM let pass without effect while disarmed
    EXPECT_TRUE(fs::exists(Path("target")));
}

using native::Failure;
using native::FailureKind;

TEST_F(Floor, TemporariesOfARunEndingAreRemovedAndNoneIsMadeOrKept) {
    // In a child: the list of temporaries is the process's.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        native::TempFile file(Path("st.xml"));
        native::TempFolder folder(Path("out"));
        WriteFile(folder.Path() + "/journal.csv", "rows");
        native::RemoveTemporaries();
        bool refused = false;
        try {
            file.Keep();
        } catch (const Failure& failure) {
            refused = failure.Kind() == FailureKind::kRunEnding;
        }
        try {
            native::TempFile late(Path("late.xml"));
            refused = false;
        } catch (const Failure& failure) {
            refused = refused && failure.Kind() == FailureKind::kRunEnding;
        }
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Names().empty());
}

TEST_F(Floor, LockFileThatIsNoPlainFileIsRefusedWithItsReasonNeverWaitedOn) {
    const std::string target = Path("st.xml");
    const std::string lockFile = native::PathLock::LockFileOf(target);
    struct Case {
        const char* what;
        std::function<void()> plant;
        FailureKind kind;
    };
    const Case cases[] = {
        {"pipe", [&] { ASSERT_EQ(mkfifo(lockFile.c_str(), 0644), 0); }, FailureKind::kNotPlainFile},
        {"link", [&] { fs::create_symlink(Path("elsewhere"), lockFile); }, FailureKind::kIsLink},
        {"folder", [&] { fs::create_directory(lockFile); }, FailureKind::kNotPlainFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(lockFile);
        c.plant();
        native::PathLock lock;
        EXPECT_EQ(lock.Take(target, 60000), native::PathLock::Outcome::kFailed);
        ASSERT_TRUE(lock.Failure().has_value());
        EXPECT_EQ(lock.Failure()->Path(), lockFile);
        EXPECT_EQ(lock.Failure()->Kind(), c.kind) << lock.Failure()->what();
    }
    EXPECT_FALSE(fs::exists(Path("elsewhere")));
}

TEST_F(Floor, ARunKnowsWhichTargetsItReplacedAndWhatItsEndCouldNotRemove) {
    // In a child: the run's lists are the process's.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool right = true;
        {
            native::TempFile kept(Path("j.csv"));
            kept.Keep();
            native::TempFolder folder(Path("out/"));
            folder.Keep();
            native::TempFile failed(Path("o.csv"));
            failed.Discard();
            right = native::WasKept(Path("j.csv")) && native::WasKept(Path("out")) &&
                    native::WasKept(Path("out/")) && !native::WasKept(Path("o.csv")) &&
                    !native::WasKept(Path("never.csv"));
        }
        // A file another library holds without sharing its deletion (Windows' SQLite).
        native::TempFile held(Path("s.books"));
        native::TempFile removed(Path("t.books"));
        native::Calls calls = native::SystemCalls();
        const std::string heldPath = held.Path();
        auto remove = calls.remove;
        calls.remove = [&](const std::string& path) {
            return path == heldPath ? native::CodeOf(native::FailureKind::kHeldOpen) : remove(path);
        };
        native::CallsOverride holding(calls);
        right = right && native::TemporariesLeft().empty();
        native::RemoveTemporaries();
        right = right && native::TemporariesLeft() == std::vector<std::string>{heldPath} &&
                fs::exists(heldPath) && !fs::exists(removed.Path());
        _exit(right ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(Floor, LockFilesGoWithARunThatEndsOnASignalAndNeverAnotherRunsFile) {
    const std::string store = Path("s.books");
    native::PathLock ending;
    ASSERT_EQ(ending.Take(store, 0), native::PathLock::Outcome::kHeld);
    native::PathLock::RemoveLockFiles();  // the signal's clean-up
    EXPECT_TRUE(Names().empty());
    // The next run takes a lock file of its own; the ending run's late release leaves it.
    native::PathLock next;
    ASSERT_EQ(next.Take(store, 0), native::PathLock::Outcome::kHeld);
    ending.Release();
    EXPECT_EQ(Names(), std::vector<std::string>{".s.books.kclock"});
    next.Release();
    EXPECT_TRUE(Names().empty());
}

TEST_F(Floor, ALinkWhereANewFolderGoesIsRefused) {
    fs::create_directory(Path("elsewhere"));
    fs::create_directory_symlink(Path("elsewhere"), Path("books"));
    try {
        native::RequireNewFolder(Path("books"));
        ADD_FAILURE() << "taken";
    } catch (const native::Failure& failure) {
        EXPECT_EQ(failure.Kind(), native::FailureKind::kNotEmpty);
    }
}

TEST(Arguments, AreTheProgramsArgumentsAfterItsNameAsTheyCame) {
    char name[] = "kcbooks";
    char command[] = "convert";
    char path[] = "\xE6\xB1\xBA\xE7\xAE\x97.csv";  // 決算.csv
    char* argv[] = {name, command, path, nullptr};
    EXPECT_EQ(native::ProgramArguments(3, argv),
              (std::vector<std::string>{"convert", "\xE6\xB1\xBA\xE7\xAE\x97.csv"}));
    EXPECT_TRUE(native::ProgramArguments(1, argv).empty());
    EXPECT_TRUE(native::ProgramArguments(0, argv).empty());
}

}  // namespace
