#pragma once

// Folder arithmetic of Windows paths in Shift_JIS, and the creation of a folder with every
// missing level.

#include <string>

#include "platform/FileSystem.h"

namespace folderpath {

// The folder part: up to and including the last backslash; empty when there is none.
std::string FolderPart(const std::string& path);
// The file name: after the last backslash, or the whole text when there is none.
std::string FileName(const std::string& path);
// `path` with a backslash appended unless it ends in one (a trail byte 0x5C is not one);
// nothing is appended at 260 bytes or more.
std::string WithBackslash(const std::string& path);

// Creates `folder` and every missing level above it. When a level cannot be created, the
// levels this call created are removed again, deepest first, and the result is false.
bool CreateWithParents(FileSystem& files, const std::string& folder);

}  // namespace folderpath
