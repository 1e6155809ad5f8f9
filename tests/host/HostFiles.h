#pragma once

// The host's real file system, for the tests that write real files through the system, and the
// system's (Windows, Shift_JIS) form of a path of this machine.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/FileSystem.h"

std::unique_ptr<FileSystem> MakeHostFileSystem();
std::string SystemPath(const std::filesystem::path& path);
