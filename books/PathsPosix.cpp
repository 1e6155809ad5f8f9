#include "books/Paths.h"

namespace books {

std::FILE* OpenPath(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

}  // namespace books
