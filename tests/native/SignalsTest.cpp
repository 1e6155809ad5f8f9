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

}  // namespace
