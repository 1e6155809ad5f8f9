#pragma once

// A program of the build started as a user starts it, its windows used by a ScreenUser.

#include <functional>
#include <string>

#include "host/win32/Win32Api.h"
#include "tests/host/win32/ScreenUser.h"

// Starts `program` (command line `arguments`) in `folder` (nullptr: the test's own), lets `act`
// use its windows as a user would, and returns its exit code once it ends within `patienceMs`
// (99 and a test failure when it did not start or end). `creationFlags` are CreateProcess's:
// CREATE_NEW_CONSOLE starts a console program as Explorer does, with a console of its own.
DWORD RunAsUser(const std::wstring& program, const std::wstring& arguments, const wchar_t* folder,
                const std::function<void(const ScreenUser&)>& act, DWORD patienceMs = 30000,
                DWORD creationFlags = 0);
