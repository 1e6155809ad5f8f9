#include "tools/kcview/ExportFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kcview {

ExportFile::ExportFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        failure_ = std::string("cannot open the file: ") + std::strerror(errno);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        failure_ = "is not a regular file";
        return;
    }
    handle_ = std::fopen(path.c_str(), "rb");
    if (!handle_) failure_ = std::string("cannot open the file: ") + std::strerror(errno);
}

ExportFile::~ExportFile() {
    if (handle_) std::fclose(static_cast<std::FILE*>(handle_));
}

long ExportFile::Read(char* buffer, std::size_t size) {
    std::FILE* file = static_cast<std::FILE*>(handle_);
    std::size_t got = std::fread(buffer, 1, size, file);
    if (got == 0 && std::ferror(file)) return -1;
    return static_cast<long>(got);
}

bool ExportFile::Rewind() {
    return std::fseek(static_cast<std::FILE*>(handle_), 0, SEEK_SET) == 0;
}

}  // namespace kcview
