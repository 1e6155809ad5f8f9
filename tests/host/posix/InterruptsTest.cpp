// SIGINT, SIGTERM and SIGHUP during a run: the temporaries removed, the caller told, exit 2.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "host/posix/Interrupts.h"

namespace {

namespace fs = std::filesystem;

// The caller's window, as the waiting thread reaches it.
class RecordingWindows : public WindowService {
public:
    void Enable(WindowHandle window, bool enable) override {
        Record("Enable " + std::to_string(window) + (enable ? " 1" : " 0"));
    }
    void SetForeground(WindowHandle window) override {
        Record("SetForeground " + std::to_string(window));
    }
    void Post(WindowHandle window, std::int32_t message, std::int64_t wParam,
              std::int64_t lParam) override {
        Record("Post " + std::to_string(window) + " " + std::to_string(message) + " " +
               std::to_string(wParam) + " " + std::to_string(lParam));
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

private:
    void Record(std::string call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

class InterruptedRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / "kc-interrupts" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root);
        drives.MapDrive('D', root.string());
    }
    void TearDown() override { fs::remove_all(root); }

    // The exit code the run ended with; -1 when it did not end within `tries` hundredths of a
    // second.
    int WaitForExit(int tries = 500) {
        for (int i = 0; i < tries; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (exitCode >= 0) return exitCode;
            }
            usleep(10000);
        }
        return -1;
    }
    std::function<void(int)> WatchExit() {
        return [this](int code) {
            std::lock_guard<std::mutex> lock(mutex);
            exitCode = code;
        };
    }

    fs::path root;
    DriveMap drives;
    PosixFileSystem files{drives};
    RecordingWindows windows;
    std::mutex mutex;
    int exitCode = -1;
};

TEST_F(InterruptedRun, EachSignalRemovesTheTemporaryTellsTheCallerAndExitsTwo) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        exitCode = -1;
        PosixFileSystem runFiles(drives);
        RecordingWindows caller;
        std::string temporary;
        {
            Interrupts interrupts(runFiles, caller, WatchExit());
            interrupts.SetCaller(4242, 1025, -7);
            auto file = runFiles.CreateTemporaryFile("D:\\", &temporary);
            file->Write("<?xml", 5);
            file->Flush();
            fs::path onDisk = root / temporary.substr(3);
            ASSERT_TRUE(fs::exists(onDisk)) << signal;
            raise(signal);
            ASSERT_EQ(WaitForExit(), Interrupts::kInterruptedExit) << signal;
            EXPECT_FALSE(fs::exists(onDisk)) << signal;
            EXPECT_EQ(caller.Calls(),
                      (std::vector<std::string>{"SetForeground 4242", "Enable 4242 1",
                                                "Post 4242 1025 -7 2", "Enable 4242 1"}))
                << signal;
            // The run is ending: nothing new is created or put in place.
            std::string another;
            EXPECT_THROW(runFiles.CreateTemporaryFile("D:\\", &another), FileError) << signal;
            EXPECT_THROW(runFiles.RenameFile(temporary.c_str(), "D:\\out.xml"), FileError)
                << signal;
        }
        // The previous action is back.
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << signal;
    }
}

TEST_F(InterruptedRun, RenamedFileIsNoLongerATemporary) {
    Interrupts interrupts(files, windows, WatchExit());
    std::string temporary;
    files.CreateTemporaryFile("D:\\", &temporary)->Close();
    ASSERT_NO_THROW(files.RenameFile(temporary.c_str(), "D:\\out.xml"));
    raise(SIGTERM);
    ASSERT_EQ(WaitForExit(), Interrupts::kInterruptedExit);
    EXPECT_TRUE(fs::exists(root / "out.xml"));
    EXPECT_TRUE(windows.Calls().empty());  // no caller's line: nobody to tell
}

TEST_F(InterruptedRun, AfterDisarmASignalChangesNothing) {
    Interrupts interrupts(files, windows, WatchExit());
    interrupts.SetCaller(4242, 1025, 7);
    std::string temporary;
    auto file = files.CreateTemporaryFile("D:\\", &temporary);
    interrupts.Disarm();
    raise(SIGINT);
    EXPECT_EQ(WaitForExit(50), -1);
    EXPECT_TRUE(fs::exists(root / temporary.substr(3)));
    EXPECT_TRUE(windows.Calls().empty());
}

TEST_F(InterruptedRun, SignalIgnoredFromTheStartStaysIgnored) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction previous {};
    sigaction(SIGHUP, &ignore, &previous);
    {
        Interrupts interrupts(files, windows, WatchExit());
        raise(SIGHUP);  // as under nohup
        EXPECT_EQ(WaitForExit(50), -1);
    }
    struct sigaction current {};
    sigaction(SIGHUP, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
    sigaction(SIGHUP, &previous, nullptr);
}

}  // namespace
