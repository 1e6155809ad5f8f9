#pragma once

// The office's files through the floor's calls: what stands at a path, a folder made when
// missing, a new file written whole.

#include <string>

#include "native/Calls.h"

namespace office {

// What stands at `path`, links followed; nothing (every flag false) when nothing does.
native::FileState StateOf(const std::string& path);

// Makes the folder unless it stands already. Raises native::Failure.
void MakeFolder(const std::string& path);

// Writes `bytes` into a file made new at `path`. Raises native::Failure.
void WriteNew(const std::string& path, const std::string& bytes);

}  // namespace office
