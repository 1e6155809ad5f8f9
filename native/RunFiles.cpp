#include "native/RunFiles.h"

#include "native/Calls.h"

namespace native {
namespace {

bool NamesEqual(const std::string& a, const std::string& b) {
#ifdef _WIN32
    // Windows compares names without case (ASCII letters here; the spelling is resolved first).
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
#else
    return a == b;
#endif
}

}  // namespace

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
    return NamesEqual(fullA, fullB);
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
