// Programs started and waited for: the command line Windows hands them, their output, their
// status, and their end when the run that started them ends on a signal.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/ChildProcess.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "native/Failure.h"
#endif

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

#ifdef _WIN32
namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The system's command interpreter runs the children: what it starts and leaves running stands
// for a program's helpers that outlive it.
std::string Shell() {
    const char* shell = std::getenv("ComSpec");
    return shell ? shell : "C:\\windows\\system32\\cmd.exe";
}

native::ChildCommand ShellCommand(const std::string& line, const fs::path& output) {
    return {Shell(), {"/c", line}, output.string()};
}

// Whether the folder can be renamed and its file removed once the child has ended: nothing
// holds the file open. Removed, the file is gone at once, the folder after it.
bool FreeToMove(const fs::path& output) {
    const fs::path moved = output.parent_path().string() + "-moved";
    if (!MoveFileExW(output.parent_path().c_str(), moved.c_str(), 0)) return false;
    const fs::path file = moved / output.filename();
    return DeleteFileW(file.c_str()) && !fs::exists(file) && RemoveDirectoryW(moved.c_str());
}

class Children : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kc-child-" + std::to_string(GetCurrentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    // A folder of its own for one child's output.
    fs::path Output(const std::string& name) {
        fs::create_directories(dir_ / name);
        return dir_ / name / "out.txt";
    }
    fs::path dir_;
};

TEST_F(Children, BothStreamsGoToTheOutputAndTheStatusComesBack) {
    const fs::path log = Output("both");
    std::ofstream(log) << "an earlier run's words\n";
    const int status = native::RunChild(ShellCommand("echo out& echo err 1>&2& exit 3", log));
    EXPECT_EQ(status, 3);
    // Made anew, both streams in order.
    const std::string said = Slurp(log);
    EXPECT_EQ(said.find("earlier"), std::string::npos) << said;
    EXPECT_EQ(said.rfind("out\r\n", 0), 0u) << said;
    EXPECT_NE(said.find("err"), std::string::npos) << said;
}

TEST_F(Children, AProgramThatCannotStartOrWriteItsOutputIsAFailure) {
    EXPECT_THROW(native::RunChild({(dir_ / "missing.exe").string(), {}, Output("a").string()}),
                 native::Failure);
    EXPECT_THROW(native::RunChild(ShellCommand("echo x", dir_ / "no" / "log")), native::Failure);
}

// A program the child starts and leaves running (Wine's desktop process is one) does not hold
// the child's output: its folder is renamed and its file removed as soon as the child ended.
TEST_F(Children, WhatTheChildLeftRunningDoesNotHoldItsOutput) {
    const fs::path log = Output("helper");
    const int status =
        native::RunChild(ShellCommand("start /b ping -n 4 127.0.0.1& echo started", log));
    EXPECT_EQ(status, 0);
    EXPECT_NE(Slurp(log).find("started"), std::string::npos) << Slurp(log);
    EXPECT_TRUE(FreeToMove(log));
}

// Two children at once: the one started while the other runs, and running longer, inherits
// nothing of the other's, whose output is free once it ended.
TEST_F(Children, AChildStartedMeanwhileHoldsNothingOfAnother) {
    const fs::path first = Output("first");
    const fs::path second = Output("second");
    int firstStatus = -1;
    std::thread firstRun([&] {
        firstStatus = native::RunChild(ShellCommand("echo first& ping -n 2 127.0.0.1 >nul", first));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto secondStarted = std::chrono::steady_clock::now();
    int secondStatus = -1;
    std::thread secondRun([&] {
        secondStatus =
            native::RunChild(ShellCommand("echo second& ping -n 5 127.0.0.1 >nul", second));
    });
    firstRun.join();
    EXPECT_EQ(firstStatus, 0);
    EXPECT_EQ(Slurp(first), "first\r\n");
    // The second is still running while the first's output moves.
    EXPECT_LT(std::chrono::steady_clock::now() - secondStarted, std::chrono::seconds(3));
    EXPECT_TRUE(FreeToMove(first));
    secondRun.join();
    EXPECT_EQ(secondStatus, 0);
    EXPECT_EQ(Slurp(second), "second\r\n");
}
#else
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
