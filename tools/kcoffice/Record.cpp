#include "tools/kcoffice/Record.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "books/Paths.h"
#include "native/Calls.h"
#include "native/Failure.h"

namespace office {
namespace {

constexpr char kForm[] = "kcoffice 1";
constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 62;

void AddFile(Hash& hash, const std::string& path, bool* ok) {
    books::InputFile file;
    *ok = file.Open(path, kNoLimit) == books::ReadOutcome::kRead;
    if (!*ok) return;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        std::size_t count = 0;
        if (file.Read(buffer.data(), buffer.size(), &count) != books::ReadOutcome::kRead) {
            *ok = false;
            return;
        }
        if (count == 0) return;
        hash.Add(std::string_view(buffer.data(), count));
    }
}

void AddFolder(Hash& hash, const std::string& folder, const std::string& relative) {
    std::vector<std::string> names;
    if (const int error = native::TheCalls().listFolder(folder, &names); error != 0)
        throw native::Failure("list", folder, error);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name.empty() || name[0] == '.') continue;
        const std::string path = native::Joined(folder, name);
        native::FileState state;
        if (native::TheCalls().status(path, true, &state) != 0) continue;
        // The name with a separator no name holds, so that two layouts never hash alike.
        hash.Add(relative + name);
        hash.Add(std::string_view("\0", 1));
        if (state.isFolder) {
            AddFolder(hash, path, relative + name + "/");
        } else if (state.isPlainFile) {
            bool ok = false;
            AddFile(hash, path, &ok);
            if (!ok)
                throw native::Failure("read", path, native::CodeOf(native::FailureKind::kOther));
        }
    }
}

std::string Number(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "";
}

std::optional<std::int64_t> ParseNumber(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

// Eight bytes at a time, each word mixed in by a multiply and a shift: several times a byte-wise
// hash's speed over the books' megabytes. A tail shorter than a word waits for the next piece, so
// that the same bytes give the same hash however they come. The words are read in the host's
// order; a record is read again on the machine that wrote it.
void Hash::Add(std::string_view bytes) {
    length_ += bytes.size();
    while (!bytes.empty()) {
        if (pending_.empty() && bytes.size() >= sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data(), sizeof(word));
            Mix(word);
            bytes.remove_prefix(sizeof(word));
            continue;
        }
        const std::size_t take = std::min(bytes.size(), sizeof(std::uint64_t) - pending_.size());
        pending_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (pending_.size() == sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, pending_.data(), sizeof(word));
            Mix(word);
            pending_.clear();
        }
    }
}

void Hash::Mix(std::uint64_t word) {
    state_ = (state_ ^ word) * 0x9E3779B97F4A7C15ULL;
    state_ ^= state_ >> 32;
}

std::string Hash::Hex() const {
    Hash last = *this;
    std::uint64_t tail = 0;
    std::memcpy(&tail, pending_.data(), pending_.size());
    last.Mix(tail);
    last.Mix(length_);
    char text[17];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(last.state_));
    return text;
}

std::string HashOfFile(const std::string& path) {
    Hash hash;
    bool ok = false;
    AddFile(hash, path, &ok);
    return ok ? hash.Hex() : "";
}

std::string HashOfFolder(const std::string& folder) {
    Hash hash;
    AddFolder(hash, folder, "");
    return hash.Hex();
}

std::string WriteRecord(const Record& record) {
    const Row& row = record.row;
    const std::vector<std::pair<const char*, std::string>> fields = {
        {"books", record.inputs.books},
        {"settings", record.inputs.settings},
        {"previous", record.inputs.previous},
        {"programs", record.inputs.programs},
        {"name", row.name},
        {"exported", row.exported ? "1" : "0"},
        {"reason", row.reason},
        {"from", row.periodFrom},
        {"to", row.periodTo},
        {"checks", std::to_string(row.checks)},
        {"failed", std::to_string(row.failed)},
        {"warned", std::to_string(row.warned)},
        {"not-applicable", std::to_string(row.notApplicable)},
        {"has-previous", row.hasPrevious ? "1" : "0"},
        {"flagged", std::to_string(row.flagged)},
        {"net-income", Number(row.netIncome)},
        {"total-assets", Number(row.totalAssets)},
        {"previous-net-income", Number(row.previousNetIncome)},
        {"previous-total-assets", Number(row.previousTotalAssets)},
    };
    std::string text = std::string(kForm) + "\n";
    for (const auto& [key, value] : fields) {
        // A value is one line: a line break in a name or a reason becomes a blank.
        std::string line = value;
        std::replace_if(
            line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        text += std::string(key) + "=" + line + "\n";
    }
    return text;
}

std::optional<Record> ReadRecord(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (first) {
            if (line != kForm) return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) return std::nullopt;
        fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    if (first) return std::nullopt;
    const auto count = [&](const char* key) {
        return static_cast<std::size_t>(ParseNumber(fields[key]).value_or(0));
    };
    Record record;
    record.inputs = {fields["books"], fields["settings"], fields["previous"], fields["programs"]};
    Row& row = record.row;
    row.name = fields["name"];
    row.exported = fields["exported"] == "1";
    row.reason = fields["reason"];
    row.periodFrom = fields["from"];
    row.periodTo = fields["to"];
    row.checks = count("checks");
    row.failed = count("failed");
    row.warned = count("warned");
    row.notApplicable = count("not-applicable");
    row.hasPrevious = fields["has-previous"] == "1";
    row.flagged = count("flagged");
    row.netIncome = ParseNumber(fields["net-income"]);
    row.totalAssets = ParseNumber(fields["total-assets"]);
    row.previousNetIncome = ParseNumber(fields["previous-net-income"]);
    row.previousTotalAssets = ParseNumber(fields["previous-total-assets"]);
    return record;
}

}  // namespace office
