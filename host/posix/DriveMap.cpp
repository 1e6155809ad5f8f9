#include "host/posix/DriveMap.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>

#include "common/Encoding.h"
#include "common/Sjis.h"

namespace {

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// Joins the Shift_JIS part after a root, separators turned to '/', and converts it to UTF-8.
std::optional<std::string> Tail(const std::string& sjisTail) {
    std::string utf8;
    if (!sjis::SjisToUtf8(sjisTail, &utf8)) return std::nullopt;
    std::replace(utf8.begin(), utf8.end(), '\\', '/');  // UTF-8 has no 0x5C trail bytes
    return utf8;
}

std::string Join(const std::string& folder, const std::string& tail) {
    if (tail.empty()) return folder;
    std::string joined = folder == "/" ? "" : folder;
    if (tail.front() != '/') joined += '/';
    return joined + tail;
}

}  // namespace

DriveMap::DriveMap() {
    drives_['Z'] = "/";
}

void DriveMap::MapDrive(char letter, std::string folder) {
    drives_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] =
        WithoutTrailingSlash(std::move(folder));
}

std::string DriveMap::ShareKey(const std::string& serverShare) {
    std::string key = serverShare;
    std::replace(key.begin(), key.end(), '/', '\\');
    while (!key.empty() && key.front() == '\\') key.erase(key.begin());
    while (!key.empty() && key.back() == '\\') key.pop_back();
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

void DriveMap::MapShare(const std::string& serverShare, std::string folder) {
    shares_[ShareKey(serverShare)] = WithoutTrailingSlash(std::move(folder));
}

bool DriveMap::IsDriveMapped(char letter) const {
    return drives_.count(static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) != 0;
}

bool DriveMap::IsShareMapped(const std::string& serverShare) const {
    return shares_.count(ShareKey(serverShare)) != 0;
}

std::optional<std::string> DriveMap::ToPosix(const std::string& path) const {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share\rest: the share root ends at the second backslash after the server.
        std::size_t server = path.find('\\', 2);
        if (server == std::string::npos) return std::nullopt;
        std::size_t share = path.find('\\', server + 1);
        std::string key =
            ShareKey(path.substr(2, share == std::string::npos ? std::string::npos : share - 2));
        auto it = shares_.find(key);
        if (it == shares_.end()) return std::nullopt;
        auto tail = Tail(share == std::string::npos ? std::string() : path.substr(share));
        if (!tail) return std::nullopt;
        return Join(it->second, *tail);
    }
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        auto it =
            drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
        if (it == drives_.end()) return std::nullopt;
        auto tail = Tail(path.substr(2));
        if (!tail) return std::nullopt;
        return Join(it->second, *tail);
    }
    return Tail(path);
}

std::optional<std::string> DriveMap::ToWindows(const std::string& posixPath) const {
    std::string absolute = posixPath;
    if (absolute.empty() || absolute.front() != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof(cwd))) return std::nullopt;
        absolute = Join(cwd, absolute);
    }
    // The drive whose folder holds the path most closely.
    const std::pair<const char, std::string>* best = nullptr;
    for (const auto& drive : drives_) {
        const std::string& folder = drive.second;
        bool holds =
            folder == "/" || absolute == folder ||
            (absolute.compare(0, folder.size(), folder) == 0 && absolute[folder.size()] == '/');
        if (holds && (!best || folder.size() > best->second.size())) best = &drive;
    }
    if (!best) return std::nullopt;
    std::string rest = best->second == "/" ? absolute : absolute.substr(best->second.size());
    std::string sjis;
    if (!sjis::Utf8ToSjis(rest, &sjis)) return std::nullopt;
    std::replace(sjis.begin(), sjis.end(), '/', '\\');  // '/' is never a Shift_JIS trail byte
    std::string windows = std::string(1, best->first) + ":" + sjis;
    if (windows.size() == 2) windows += '\\';
    return windows;
}
