#include <cwchar>
#include <string>

#include "books/Paths.h"

namespace books {

// The wide form of the runtime's fopen, so that a path of any characters opens.
std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(PathFromUtf8(utf8Path).c_str(), wideMode.c_str());
}

// See the declaration: nothing to hold on Windows.
RemovedOnInterrupt::RemovedOnInterrupt(const std::string& /*utf8Path*/) {}
RemovedOnInterrupt::~RemovedOnInterrupt() = default;

}  // namespace books
