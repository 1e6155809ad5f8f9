#pragma once

// <windows.h> for the Windows host. Include this instead of <windows.h>: the header names the
// A and W forms of some calls by macros (CreateDirectory → CreateDirectoryA or …W) that would
// rename the operations of FileSystem in one translation unit and not in another. The host
// calls the W forms by their own names, so the generic names are dropped here, before any
// interface is declared.

#ifndef NOMINMAX
#define NOMINMAX
#endif
// Without COM and the common dialogs: their headers declare CoTaskMemFree, which the ledger
// services declare for themselves. A file that needs them includes them itself.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef CreateDirectory
#undef GetCurrentDirectory
#undef GetDriveType
#undef GetPrivateProfileString
#undef RemoveDirectory
#undef SetCurrentDirectory
