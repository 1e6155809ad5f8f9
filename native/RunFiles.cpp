#include "native/RunFiles.h"

#include "native/Calls.h"

namespace native {
bool SameFile(const std::string& a, const std::string& b) {
    FileState first;
    FileState second;
    Calls& calls = TheCalls();
    return calls.status(a, true, &first) == 0 && calls.status(b, true, &second) == 0 &&
           first.device == second.device && first.index == second.index;
}

bool SamePlace(const std::string& a, const std::string& b) {
    if (SameFile(a, b)) return true;
    std::string fullA;
    std::string fullB;
    Calls& calls = TheCalls();
    if (calls.fullPath(a, &fullA) != 0) fullA = a;
    if (calls.fullPath(b, &fullB) != 0) fullB = b;
    return SameSpelling(fullA, fullB);
}

void RunFiles::Add(const std::string& path, std::string role) {
    files_.push_back({path, std::move(role)});
}

std::optional<std::string> RunFiles::Clash(const std::string& target) const {
    for (const Entry& file : files_) {
        if (SamePlace(file.path, target)) return file.role;
    }
    return std::nullopt;
}

std::optional<std::string> RunFiles::AddTarget(const std::string& target, std::string role) {
    if (auto clash = Clash(target)) return clash;
    Add(target, std::move(role));
    return std::nullopt;
}

}  // namespace native
