#include "native/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>
#include <set>
#include <thread>

#include "native/Failure.h"

extern char** environ;

namespace native {
namespace {

// The children running now, and whether the run is ending.
struct Children {
    std::mutex mutex;
    std::set<pid_t> running;
    bool stopping = false;
};

bool NoneRunning(Children& children) {
    std::lock_guard<std::mutex> lock(children.mutex);
    return children.running.empty();
}

Children& TheChildren() {
    static Children children;
    return children;
}

class SpawnActions {
public:
    explicit SpawnActions(const std::string& outputPath) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, 1, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0666);
        posix_spawn_file_actions_adddup2(&actions_, 1, 2);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    const posix_spawn_file_actions_t* Get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

void SignalAll(Children& children, int signal) {
    std::lock_guard<std::mutex> lock(children.mutex);
    for (const pid_t pid : children.running) ::kill(pid, signal);
}

}  // namespace

int RunChild(const ChildCommand& command) {
    // The output file is made by the child; one that cannot be made ends it with 127 before
    // the program runs, which a file made here first tells apart.
    const int probe = ::open(command.outputPath.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (probe < 0) throw Failure("start", command.outputPath, errno);
    ::close(probe);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const std::string& argument : command.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const SpawnActions actions(command.outputPath);

    Children& children = TheChildren();
    pid_t pid = 0;
    {
        // Started under the lock, so a StopChildren that runs meanwhile sees it.
        std::lock_guard<std::mutex> lock(children.mutex);
        if (children.stopping) throw Failure("start", command.program, 0, FailureKind::kRunEnding);
        const int error = posix_spawn(&pid, command.program.c_str(), actions.Get(), nullptr,
                                      argv.data(), environ);
        if (error != 0) throw Failure("start", command.program, error);
        children.running.insert(pid);
    }
    int status = 0;
    pid_t ended;
    do {
        ended = ::waitpid(pid, &status, 0);
    } while (ended < 0 && errno == EINTR);
    {
        std::lock_guard<std::mutex> lock(children.mutex);
        children.running.erase(pid);
    }
    if (ended < 0) throw Failure("start", command.program, errno);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    // A program that could not be executed at all: the spawn's child ends with 127.
    return WEXITSTATUS(status);
}

void StopChildren() noexcept {
    Children& children = TheChildren();
    {
        std::lock_guard<std::mutex> lock(children.mutex);
        children.stopping = true;
    }
    SignalAll(children, SIGTERM);
    if (AwaitEnd([&] { return NoneRunning(children); }, 5000)) return;
    SignalAll(children, SIGKILL);
    AwaitEnd([&] { return NoneRunning(children); }, 2000);
}

std::string ThisProgramPath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<std::size_t>(n));
}

}  // namespace native
