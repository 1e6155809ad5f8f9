// The edition's part of a run that a signal ends, over the floor's policy: the replacement being
// written removed, the terminal given back, the user warned, the caller told, exit 2. Each case
// runs in a child process: a run that a signal ended creates no file again.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "host/Interrupts.h"
#include "host/posix/FileSystem.h"

namespace {

namespace fs = std::filesystem;

// The caller's window, as the policy's thread reaches it: one line per call into `out`.
class RecordingWindows : public WindowService {
public:
    explicit RecordingWindows(fs::path out) : out_(std::move(out)) {}
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

private:
    void Record(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::ofstream(out_, std::ios::app) << call << "\n";
    }
    fs::path out_;
    std::mutex mutex_;
};

class InterruptedRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / "kc-interrupts" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root / "out");
        drives.MapDrive('D', (root / "out").string());
    }
    void TearDown() override { fs::remove_all(root); }

    // Runs `body` in a child whose error output goes to root/stderr; its exit code, or 128 +
    // the signal that ended it.
    int InChild(const std::function<int()>& body) {
        const pid_t child = fork();
        if (child == 0) {
            std::FILE* err = std::freopen((root / "stderr").c_str(), "w", stderr);
            (void)err;
            _exit(body());
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Text(const fs::path& path) const {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root / "out"))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path root;
    DriveMap drives;
};

TEST_F(InterruptedRun, EachSignalRemovesTheReplacementWarnsTellsTheCallerAndExitsTwo) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(signal);
        std::ofstream(root / "out" / "report.xml") << "previous";
        fs::remove(root / "calls");
        const int code = InChild([&] {
            PosixFileSystem files(drives);
            RecordingWindows caller(root / "calls");
            Interrupts interrupts(caller);
            interrupts.SetCaller(4242, 1025, -7);
            interrupts.SetBeforeExit([&] { std::ofstream(root / "before") << "terminal"; });
            auto replacement = files.CreateReplacement("D:\\report.xml");
            replacement->Output().Write("<?xml", 5);
            raise(signal);
            sleep(10);  // the policy's thread ends the process before this returns
            return 9;
        });
        EXPECT_EQ(code, Interrupts::kInterruptedExit);
        EXPECT_EQ(Names(), std::vector<std::string>{"report.xml"});
        EXPECT_EQ(Text(root / "out" / "report.xml"), "previous");
        EXPECT_TRUE(fs::exists(root / "before"));
        EXPECT_EQ(Text(root / "calls"),
                  "SetForeground 4242\nEnable 4242 1\nPost 4242 1025 -7 2\nEnable 4242 1\n");
        // The terminal's text is UTF-8, whatever this file's literals are.
        const char8_t* warning =
            u8"[決算書] warning:\n処理が中断されました。\n\n"
            u8"書きかけのファイルは残していません。必要であれば、もう一度実行してください。\n\n"
            u8"アプリケーションを終了します。\n";
        EXPECT_EQ(Text(root / "stderr"), reinterpret_cast<const char*>(warning));
        fs::remove(root / "before");
    }
}

TEST_F(InterruptedRun, KeptFileStaysAndARunWithoutACallerTellsNobody) {
    const int code = InChild([&] {
        PosixFileSystem files(drives);
        RecordingWindows caller(root / "calls");
        Interrupts interrupts(caller);
        auto replacement = files.CreateReplacement("D:\\report.xml");
        replacement->Output().Write("<?xml", 5);
        replacement->Keep();
        raise(SIGTERM);
        sleep(10);
        return 9;
    });
    EXPECT_EQ(code, Interrupts::kInterruptedExit);
    EXPECT_EQ(Text(root / "out" / "report.xml"), "<?xml");
    EXPECT_FALSE(fs::exists(root / "calls"));
}

TEST_F(InterruptedRun, AfterDisarmASignalIsTheRunsNoLonger) {
    const int code = InChild([&] {
        PosixFileSystem files(drives);
        RecordingWindows caller(root / "calls");
        Interrupts interrupts(caller);
        interrupts.SetCaller(4242, 1025, 7);
        auto replacement = files.CreateReplacement("D:\\report.xml");
        replacement->Output().Write("<?xml", 5);
        replacement->Keep();
        interrupts.Disarm();
        raise(SIGINT);
        usleep(200000);
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Text(root / "out" / "report.xml"), "<?xml");
    EXPECT_FALSE(fs::exists(root / "calls"));
}

TEST_F(InterruptedRun, SignalIgnoredFromTheStartStaysIgnored) {
    const int code = InChild([&] {
        signal(SIGHUP, SIG_IGN);  // as under nohup
        PosixFileSystem files(drives);
        RecordingWindows caller(root / "calls");
        {
            Interrupts interrupts(caller);
            auto replacement = files.CreateReplacement("D:\\report.xml");
            raise(SIGHUP);
            usleep(200000);
            replacement->Output().Write("<?xml", 5);
            replacement->Keep();
        }
        struct sigaction current {};
        sigaction(SIGHUP, nullptr, &current);
        return current.sa_handler == SIG_IGN ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Text(root / "out" / "report.xml"), "<?xml");
}

}  // namespace
