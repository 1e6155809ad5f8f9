#include "native/ChildProcess.h"

#include <windows.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

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
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// A handle the child inherits, and only that child: the handle list of its start keeps the
// handles of children started meanwhile on other threads out of it (a log held open by another
// client's child would keep that client's folder from being renamed).
HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

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

}  // namespace

int RunChild(const ChildCommand& command) {
    const std::optional<std::wstring> output = Wide(command.outputPath);
    if (!output) throw Failure("start", command.outputPath, ERROR_NO_UNICODE_TRANSLATION);
    std::optional<std::wstring> line = Wide(WindowsCommandLine(command.program, command.arguments));
    const std::optional<std::wstring> program = Wide(command.program);
    if (!line || !program) throw Failure("start", command.program, ERROR_NO_UNICODE_TRANSLATION);

    const OwnedHandle out(Inheritable(*output, GENERIC_WRITE, CREATE_ALWAYS));
    if (!out.Valid()) throw Failure("start", command.outputPath, static_cast<int>(GetLastError()));
    const OwnedHandle in(Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING));
    if (!in.Valid()) throw Failure("start", command.program, static_cast<int>(GetLastError()));
    HANDLE handles[] = {in.Get(), out.Get()};
    const HandleList inherited(handles, 2);
    if (!inherited.Ok()) throw Failure("start", command.program, static_cast<int>(GetLastError()));

    STARTUPINFOEXW start{};
    start.StartupInfo.cb = sizeof(start);
    start.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    start.StartupInfo.hStdInput = in.Get();
    start.StartupInfo.hStdOutput = out.Get();
    start.StartupInfo.hStdError = out.Get();
    start.lpAttributeList = inherited.Get();
    PROCESS_INFORMATION started{};

    Children& children = TheChildren();
    {
        // Started under the lock, so a StopChildren that runs meanwhile sees it; suspended until
        // it is in the job.
        std::lock_guard<std::mutex> lock(children.mutex);
        if (children.stopping) throw Failure("start", command.program, 0, FailureKind::kRunEnding);
        if (!CreateProcessW(program->c_str(), line->data(), nullptr, nullptr, TRUE,
                            CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT,
                            nullptr, nullptr, &start.StartupInfo, &started))
            throw Failure("start", command.program, static_cast<int>(GetLastError()));
        // A job that cannot take it (this program in a job of its own that allows none) only
        // loses the end with this process; StopChildren still ends it.
        if (children.job) AssignProcessToJobObject(children.job, started.hProcess);
        children.running.insert(started.hProcess);
        ResumeThread(started.hThread);
    }
    CloseHandle(started.hThread);
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(started.hProcess, &code);
    {
        std::lock_guard<std::mutex> lock(children.mutex);
        children.running.erase(started.hProcess);
    }
    CloseHandle(started.hProcess);
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
    AwaitEnd([&] { return NoneRunning(children); }, std::chrono::seconds(5));
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
