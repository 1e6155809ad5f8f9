#include "tests/host/win32/RunAsUser.h"

#include <gtest/gtest.h>

#include "host/win32/Wide.h"

DWORD RunAsUser(const std::wstring& program, const std::wstring& arguments, const wchar_t* folder,
                const std::function<void(const ScreenUser&)>& act, DWORD patienceMs,
                DWORD creationFlags) {
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, creationFlags,
                        nullptr, folder, &startup, &process)) {
        ADD_FAILURE() << WideToUtf8Shown(program) << " did not start: " << GetLastError();
        return 99;
    }
    CloseHandle(process.hThread);
    act(ScreenUser::OfProcess(process.dwProcessId));
    if (WaitForSingleObject(process.hProcess, patienceMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << WideToUtf8Shown(program) << " did not end";
        TerminateProcess(process.hProcess, 99);
    }
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    return exitCode;
}
