#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace fuzz {

std::vector<std::string> Split(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    while (parts.size() + 1 < count) {
        std::size_t end = text.find(kSeparator);
        if (end == std::string_view::npos) break;
        parts.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    parts.emplace_back(text);
    return parts;
}

namespace {

std::vector<std::string>& Folders() {
    static std::vector<std::string> folders;
    return folders;
}

void RemoveFolders() {
    std::error_code ignored;
    for (const std::string& folder : Folders()) std::filesystem::remove_all(folder, ignored);
}

}  // namespace

std::string ScratchFolder(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kc-fuzz-" + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) Fail("no scratch folder");
    if (Folders().empty()) std::atexit(RemoveFolders);
    Folders().push_back(pattern);
    return pattern;
}

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz finding: %s\n", what);
    std::abort();
}

}  // namespace fuzz
