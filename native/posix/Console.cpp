#include "native/Console.h"

namespace native {

// A terminal reads UTF-8 itself: the bytes go as they are.
bool WriteText(std::FILE* file, std::string_view utf8) {
    const bool written = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
    return std::fflush(file) == 0 && written;
}

}  // namespace native
