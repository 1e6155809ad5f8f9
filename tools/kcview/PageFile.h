#pragma once

// Where kcview's page goes and how it takes its place: a temporary beside the page
// (native::TempFile) that replaces it only when the page is whole on the disk. Paths are the
// host's bytes on POSIX and UTF-8 on Windows.

#include <functional>
#include <string>
#include <string_view>

namespace kcview {

// EXPORT.html beside EXPORT.xml (or the whole name with .html when it has no extension).
std::string DefaultPagePath(const std::string& exportPath);

// Whether the page may take the place of what stands at `path`: nothing, a regular file, or a
// link to one; never a folder, a pipe or a device.
bool IsReplaceableTarget(const std::string& path);

// Makes the page, handing its pieces in order to `out`, which answers false when a piece could
// not be written. False when the page was not made whole; `*reason` then says why, unless the
// writing failed.
using PageMaker =
    std::function<bool(const std::function<bool(std::string_view)>& out, std::string* reason)>;

// The page is written into a new file beside `path` as `make` makes it, and takes the place of
// the previous one only when it is whole on the disk; until then the previous page stays as it
// was, and a page given up (a failure, no memory left, an interrupt) leaves nothing beside it.
// False, with `*reason`, when `make` gave up; a failed call is raised as native::Failure naming
// `path`.
bool WritePage(const std::string& path, const PageMaker& make, std::string* reason);

}  // namespace kcview
