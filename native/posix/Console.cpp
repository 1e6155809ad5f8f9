#include "native/Console.h"

#include <unistd.h>

namespace native {

bool IsTerminal(StandardStream stream) {
    return ::isatty(stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

// A terminal reads UTF-8 itself: the bytes go as they are.
bool WriteText(std::FILE* file, std::string_view utf8) {
    const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
    return std::fflush(file) == 0 && written;
}

// A program on POSIX has its streams whether it shows windows or not.
bool WriteStandard(StandardStream stream, const ConsoleOptions& /*options*/,
                   std::string_view utf8) {
    return WriteText(stream == StandardStream::kOutput ? stdout : stderr, utf8);
}

}  // namespace native
