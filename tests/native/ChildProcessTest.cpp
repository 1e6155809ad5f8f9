// Programs started and waited for: the command line Windows hands them, their output, their
// status, and their end when the run that started them ends on a signal.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/ChildProcess.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "native/Failure.h"
#include "native/Interrupts.h"
#endif

namespace {

TEST(ChildCommandLine, EachArgumentComesBackAsItWasGiven) {
    struct Case {
        std::string argument;
        std::string quoted;
    };
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"C:\\決算\\", "C:\\決算\\"},
        {"C:\\決算 書\\", "\"C:\\決算 書\\\\\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"tab\there", "\"tab\there\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(native::QuotedArgument(c.argument), c.quoted) << c.argument;
    EXPECT_EQ(
        native::WindowsCommandLine("C:\\Program Files\\k\\kcsakura.exe", {"--ui", "batch", ""}),
        "\"C:\\Program Files\\k\\kcsakura.exe\" --ui batch \"\"");
}

#ifndef _WIN32
namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Children : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kc-child-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(Children, BothStreamsGoToTheOutputAndTheStatusComesBack) {
    const fs::path log = dir_ / "log.txt";
    std::ofstream(log) << "an earlier run's words\n";
    const int status =
        native::RunChild({"/bin/sh",
                          {"-c", "echo out; echo err >&2; read line && echo read; exit 3"},
                          log.string()});
    EXPECT_EQ(status, 3);
    // Made anew, both streams in order, nothing to read.
    EXPECT_EQ(Slurp(log), "out\nerr\n");
}

TEST_F(Children, AProgramThatCannotStartOrWriteItsOutputIsAFailure) {
    EXPECT_THROW(native::RunChild({(dir_ / "missing").string(), {}, (dir_ / "log").string()}),
                 native::Failure);
    EXPECT_THROW(native::RunChild({"/bin/true", {}, (dir_ / "no" / "log").string()}),
                 native::Failure);
}

TEST_F(Children, ARunEndingOnASignalEndsItsChildrenFirst) {
    const fs::path pidFile = dir_ / "pid";
    const pid_t run = fork();
    if (run == 0) {
        native::Interrupts interrupts({}, 7);
        std::thread waiter([&] {
            native::RunChild({"/bin/sh",
                              {"-c", "echo $$ > '" + pidFile.string() + "'; exec sleep 60"},
                              (dir_ / "log").string()});
        });
        while (!fs::exists(pidFile) || fs::file_size(pidFile) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::raise(SIGTERM);
        waiter.join();
        // The clean-up ends the run; a run that went on would be seen ending with 0.
        std::this_thread::sleep_for(std::chrono::seconds(20));
        _exit(0);
    }
    int status = 0;
    waitpid(run, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    const pid_t child = std::stoi(Slurp(pidFile));
    // Ended and reaped by the system once its parent is gone: soon no such process.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = ::kill(child, 0) != 0 && errno == ESRCH;
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone);
}
#endif

}  // namespace
