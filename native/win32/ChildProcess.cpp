#include "native/ChildProcess.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "native/Failure.h"
#include "native/Utf16.h"

namespace native {
namespace {

std::optional<std::wstring> Wide(const std::string& utf8) {
    const std::optional<std::u16string> utf16 = Utf8ToUtf16(utf8);
    if (!utf16) return std::nullopt;
    return std::wstring(utf16->begin(), utf16->end());
}

// The children running now, whether the run is ending, and the job that ends them with this
// process however it ends.
struct Children {
    std::mutex mutex;
    std::set<HANDLE> running;
    bool stopping = false;
    HANDLE job = nullptr;

    Children() {
        job = CreateJobObjectW(nullptr, nullptr);
        if (!job) return;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                     sizeof(limits))) {
            CloseHandle(job);
            job = nullptr;
        }
    }
};

bool NoneRunning(Children& children) {
    std::lock_guard<std::mutex> lock(children.mutex);
    return children.running.empty();
}

Children& TheChildren() {
    static Children children;
    return children;
}

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() {
        if (Valid()) CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    HANDLE handle_;
};

class HandleList {
public:
    explicit HandleList(HANDLE* handles, std::size_t count) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        ok_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
              UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                        count * sizeof(HANDLE), nullptr, nullptr);
    }
    ~HandleList() {
        if (list_) DeleteProcThreadAttributeList(list_);
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;

    bool Ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_; }

private:
    std::string storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ok_ = false;
};

constexpr DWORD kPipeBytes = 64 * 1024;

Failure LastFailure(const std::string& path) {
    return Failure("start", path, static_cast<int>(GetLastError()));
}

// A running child: its process, and the read end of the pipe both its streams write.
struct Running {
    HANDLE process = nullptr;
    HANDLE streams = nullptr;
};

// Starts the child; with the children's lock held. Its streams are a pipe, not the output file:
// a program the child starts in turn (Wine's desktop process, a helper that outlives it)
// inherits what the child was given, and would hold the file open in the client's folder long
// after the child ended. The child's ends are inheritable only here, under the lock and for this
// one start (the handle list keeps other handles out of it too), so a child started meanwhile
// on another thread inherits none of them.
Running StartChild(Children& children, const std::wstring& program, std::wstring& line,
                   const std::string& programPath) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, kPipeBytes)) throw LastFailure(programPath);
    OwnedHandle streams(readEnd);
    const OwnedHandle write(writeEnd);
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const OwnedHandle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.Valid() || !SetHandleInformation(write.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
        throw LastFailure(programPath);
    HANDLE handles[] = {in.Get(), write.Get()};
    const HandleList inherited(handles, 2);
    if (!inherited.Ok()) throw LastFailure(programPath);

    STARTUPINFOEXW start{};
    start.StartupInfo.cb = sizeof(start);
    start.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    start.StartupInfo.hStdInput = in.Get();
    start.StartupInfo.hStdOutput = write.Get();
    start.StartupInfo.hStdError = write.Get();
    start.lpAttributeList = inherited.Get();
    PROCESS_INFORMATION started{};
    // Suspended until it is in the job.
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                        nullptr, &start.StartupInfo, &started))
        throw LastFailure(programPath);
    // A job that cannot take it (this program in a job of its own that allows none) only loses
    // the end with this process; StopChildren still ends it.
    if (children.job) AssignProcessToJobObject(children.job, started.hProcess);
    children.running.insert(started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    return {started.hProcess, streams.Release()};
}

// Appends what the pipe holds now to the output file, without waiting for more. A write that
// fails is kept in `writeError` and the reading goes on, so that the child never stops on a
// full pipe.
void Drain(HANDLE pipe, HANDLE file, std::vector<char>& buffer, DWORD* writeError) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return;
        DWORD got = 0;
        if (!ReadFile(pipe, buffer.data(),
                      std::min<DWORD>(available, static_cast<DWORD>(buffer.size())), &got,
                      nullptr) ||
            got == 0)
            return;
        DWORD written = 0;
        if (*writeError == 0 && !WriteFile(file, buffer.data(), got, &written, nullptr))
            *writeError = GetLastError();
        else if (*writeError == 0 && written != got)
            *writeError = ERROR_HANDLE_DISK_FULL;
    }
}

}  // namespace

int RunChild(const ChildCommand& command) {
    const std::optional<std::wstring> output = Wide(command.outputPath);
    if (!output) throw Failure("start", command.outputPath, ERROR_NO_UNICODE_TRANSLATION);
    std::optional<std::wstring> line = Wide(WindowsCommandLine(command.program, command.arguments));
    const std::optional<std::wstring> program = Wide(command.program);
    if (!line || !program) throw Failure("start", command.program, ERROR_NO_UNICODE_TRANSLATION);

    // Only this process holds the output file, and only until the child has ended.
    const OwnedHandle out(CreateFileW(output->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid()) throw Failure("start", command.outputPath, static_cast<int>(GetLastError()));

    Children& children = TheChildren();
    Running running;
    {
        // Started under the lock, so a StopChildren that runs meanwhile sees it.
        std::lock_guard<std::mutex> lock(children.mutex);
        if (children.stopping) throw Failure("start", command.program, 0, FailureKind::kRunEnding);
        running = StartChild(children, *program, *line, command.program);
    }
    const OwnedHandle process(running.process);
    const OwnedHandle streams(running.streams);
    // The pipe is read until the child has ended, not until it is closed: a program the child
    // started may hold its end long after.
    std::vector<char> buffer(kPipeBytes);
    DWORD writeError = 0;
    for (;;) {
        const bool ended = WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
        Drain(streams.Get(), out.Get(), buffer, &writeError);
        if (ended) break;
        WaitForSingleObject(process.Get(), 20);
    }
    DWORD code = 2;
    GetExitCodeProcess(process.Get(), &code);
    {
        std::lock_guard<std::mutex> lock(children.mutex);
        children.running.erase(process.Get());
    }
    if (writeError != 0) throw Failure("write", command.outputPath, static_cast<int>(writeError));
    return static_cast<int>(code);
}

void StopChildren() noexcept {
    Children& children = TheChildren();
    {
        // Windows has no polite signal for a windowed program: it is ended at once, and what it
        // left in the run's temporary folders goes with them.
        std::lock_guard<std::mutex> lock(children.mutex);
        children.stopping = true;
        for (const HANDLE child : children.running) TerminateProcess(child, 2);
    }
    AwaitEnd([&] { return NoneRunning(children); }, 5000);
}

std::string ThisProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf16ToUtf8(std::u16string(path.begin(), path.end())).value_or("");
}

}  // namespace native
