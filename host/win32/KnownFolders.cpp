// Kept apart: the shell's header declares names (DriveType, CoTaskMemFree) that the system's own
// headers use for other things.
#include "host/win32/KnownFolders.h"

#include "host/win32/Win32Api.h"
// After windows.h, which it needs.
#include <shlobj.h>

namespace {

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

std::wstring DocumentsFolder() {
    return KnownFolder(FOLDERID_Documents);
}

std::wstring RoamingAppDataFolder() {
    return KnownFolder(FOLDERID_RoamingAppData);
}
