#include "dialog/SavedSettings.h"

#include <cstring>

#include "common/Decimal.h"
#include "common/PathLimit.h"
#include "dialog/FolderPath.h"
#include "ledger/Services.h"

namespace {

// Where the record of `key` starts: at the start of the file or of a line, never inside another
// record (the key "admin/D0001:" ends "xadmin/D0001:"); npos when the file has none.
std::size_t FindRecord(const std::string& content, const std::string& key) {
    for (std::size_t at = 0; at < content.size();) {
        if (content.compare(at, key.size(), key) == 0) return at;
        std::size_t end = content.find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return std::string::npos;
}

}  // namespace

void SavedSettings::SetOwner(std::string userId, std::string dataId, std::int32_t selectionNo) {
    userId_ = std::move(userId);
    dataId_ = std::move(dataId);
    selectionNo_ = selectionNo;
}

std::string SavedSettings::Key() const {
    if (form_.keyHasSelectionNo)
        return userId_ + "/" + std::to_string(selectionNo_) + "/" + dataId_ + ":";
    return userId_ + "/" + dataId_ + ":";
}

std::string SavedSettings::FilePath() const {
    char folder[261] = {};
    ClFileMgr::Inst().GetAppFolderPath(1, folder);
    if (folder[0] == '\0') return "";
    return std::string(folder) + form_.fileName;
}

bool SavedSettings::ReadWhole(const std::string& path, std::string* content) {
    try {
        auto file = files_.OpenFile(path.c_str());
        char buffer[64 * 1024];
        for (std::size_t n; (n = file->Read(buffer, sizeof(buffer))) > 0;)
            content->append(buffer, n);
        file->Close();
    } catch (const FileError&) {
        return false;
    }
    return true;
}

// Written beside the file and put in its place whole, so that a failure never loses the
// records of other users and data sets. The temporary is a new file of its own: whatever stands
// at any other name (a link planted there included) is never removed or written through.
bool SavedSettings::WriteWhole(const std::string& path, const std::string& content) {
    try {
        const std::unique_ptr<Replacement> file = files_.CreateReplacement(path.c_str());
        file->Output().Write(content.data(), content.size());
        file->Keep();
    } catch (const FileError&) {
        return false;  // a replacement not kept is removed
    }
    return true;
}

// True when `path` names a plain file: a folder, a pipe or a device in its place is neither read
// (a pipe would wait for a writer) nor replaced.
bool SavedSettings::IsPlainFile(const std::string& path) {
    FileStatus status;
    return files_.GetStatus(path.c_str(), &status) && status.isRegularFile;
}

int SavedSettings::Read(SavedConditions* conditions) {
    std::string path = FilePath();
    if (path.empty() || files_.FileExists(path.c_str()) != 1 || !IsPlainFile(path)) return 0;
    std::string content;
    if (!ReadWhole(path, &content)) return 0;
    std::string key = Key();
    std::size_t at = FindRecord(content, key);
    if (at == std::string::npos) return 0;
    std::size_t begin = at + key.size();
    std::size_t end = content.find('\n', begin);
    std::string value =
        content.substr(begin, end == std::string::npos ? std::string::npos : end - begin);

    // start/end/kind[/ledger]/path: the path is what follows the last "/".
    std::size_t first = value.find('/');
    std::size_t second = first == std::string::npos ? first : value.find('/', first + 1);
    std::size_t third = second == std::string::npos ? second : value.find('/', second + 1);
    std::size_t fourth = third == std::string::npos ? third : value.find('/', third + 1);
    auto piece = [&](std::size_t from, std::size_t to) {
        if (from == std::string::npos) return std::string();
        return value.substr(from, to == std::string::npos ? std::string::npos : to - from);
    };
    conditions->startMonth = static_cast<std::int16_t>(ParseDecimal(piece(0, first)));
    conditions->endMonth = static_cast<std::int16_t>(
        ParseDecimal(piece(first == std::string::npos ? first : first + 1, second)));
    conditions->equityKind = static_cast<std::int16_t>(
        ParseDecimal(piece(second == std::string::npos ? second : second + 1, third)));
    conditions->outputLedger =
        fourth != std::string::npos ? ParseDecimal(piece(third + 1, fourth)) : 1;
    std::size_t last = value.rfind('/');
    conditions->path = last == std::string::npos ? std::string() : value.substr(last + 1);
    // A path over the limit (a file edited by hand) is not offered: the dialog starts with the
    // default path instead.
    if (!FitsPathLimit(conditions->path)) conditions->path.clear();
    return 1;
}

int SavedSettings::Save(const SavedConditions& conditions) {
    char folder[261] = {};
    ClFileMgr::Inst().GetAppFolderPath(1, folder);
    if (folder[0] == '\0') return 0;
    if (files_.FileExists(folder) != 1 && !folderpath::CreateWithParents(files_, folder)) return 0;
    std::string path = FilePath();
    // Another run saves in a few milliseconds; a lock not let go in seconds belongs to a run
    // that hangs, and this one's record is then not saved (the export itself has succeeded), as
    // when the lock cannot be taken at all.
    constexpr int kLockWaitMilliseconds = 10000;
    std::unique_ptr<PathLock> lock;
    try {
        lock = files_.LockPath(path.c_str(), kLockWaitMilliseconds);
    } catch (const FileError&) {
        return 0;
    }
    if (!lock) return 0;
    std::string key = Key();
    std::string line = key + std::to_string(conditions.startMonth) + "/" +
                       std::to_string(conditions.endMonth) + "/" +
                       std::to_string(conditions.equityKind) + "/" +
                       std::to_string(conditions.outputLedger) + "/" + conditions.path + "\n";
    if (files_.FileExists(path.c_str()) != 1) return WriteWhole(path, line) ? 1 : 0;

    std::string content;
    if (!IsPlainFile(path) || !files_.Access(path.c_str(), accessmode::kReadWrite) ||
        !ReadWhole(path, &content))
        return 0;
    // Every other record stays byte for byte; the record of the key moves to the end.
    std::string updated = content;
    std::size_t at = FindRecord(content, key);
    if (at != std::string::npos) {
        std::size_t end = content.find('\n', at);
        updated.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }
    // A last record without its LF gets one, so that it keeps its own line.
    if (!updated.empty() && updated.back() != '\n') updated += '\n';
    updated += line;
    return WriteWhole(path, updated) ? 1 : 0;
}
