#include "dialog/FolderPath.h"

#include <vector>

#include "common/Sjis.h"

namespace folderpath {

std::string FolderPart(const std::string& path) {
    std::size_t slash = sjis::LastBackslash(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileName(const std::string& path) {
    std::size_t slash = sjis::LastBackslash(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithBackslash(const std::string& path) {
    if (path.size() >= 260 || sjis::EndsWithBackslash(path)) return path;
    return path + "\\";
}

namespace {

// The drive and directory parts of a folder path (the file-name part, after the last
// backslash, is dropped).
std::string DriveAndDirectory(const std::string& path) {
    return FolderPart(path);
}

}  // namespace

bool CreateWithParents(FileSystem& files, const std::string& folder) {
    std::string normalised = DriveAndDirectory(WithBackslash(folder));
    if (normalised.empty() || normalised.size() >= 260) return false;
    std::string root = files.PathRoot(normalised.c_str());
    if (!root.empty()) root = WithBackslash(root);
    if (normalised.compare(0, root.size(), root) != 0) return false;
    std::string rest = normalised.substr(root.size());
    std::vector<std::string> created;
    for (std::size_t pos = 0; pos < rest.size();) {
        unsigned char c = static_cast<unsigned char>(rest[pos]);
        if (sjis::IsLeadByte(c) && pos + 1 < rest.size()) {
            pos += 2;
            continue;
        }
        ++pos;
        if (c != '\\') continue;
        std::string level = root + rest.substr(0, pos);
        if (files.FileExists(level.c_str()) == 1) continue;
        // A level another process made meanwhile (two exports saving settings at once) will do.
        if (!files.CreateDirectory(level.c_str()) && files.FileExists(level.c_str()) != 1) {
            // Leave nothing behind that this walk made.
            for (auto it = created.rbegin(); it != created.rend(); ++it)
                files.RemoveDirectory(it->c_str());
            return false;
        }
        created.push_back(level);
    }
    return true;
}

}  // namespace folderpath
