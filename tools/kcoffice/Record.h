#pragma once

// What a client's last run was made from and what it found, kept beside its outputs
// (".kcoffice"): the hashes of its inputs, so that a second run of the month redoes only the
// clients whose books, client.ini, last year's export or programs changed since; and the summary
// row, so that a client left as it was still has its row.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace office {

// The inputs of a client's run, each as a hash in hex ("" for an input it does not have).
struct Inputs {
    std::string books;     // every file of the client's folder, names and bytes
    std::string settings;  // client.ini
    std::string previous;  // last year's export
    std::string programs;  // the programs and what they read beside them, and the run's options
    bool operator==(const Inputs&) const = default;
};

// The row of the summary.
struct Row {
    std::string client;  // the folder's name
    std::string name;    // the name shown
    bool exported = false;
    std::string reason;       // Japanese, why it was refused: the page's
    std::string reasonShown;  // the same in the user's language, for the console; not kept
    std::string periodFrom;
    std::string periodTo;  // yyyymmdd
    std::size_t checks = 0;
    std::size_t failed = 0;
    std::size_t warned = 0;
    std::size_t notApplicable = 0;
    bool hasPrevious = false;
    std::size_t flagged = 0;
    std::optional<std::int64_t> netIncome;
    std::optional<std::int64_t> totalAssets;
    std::optional<std::int64_t> previousNetIncome;
    std::optional<std::int64_t> previousTotalAssets;
    bool unchanged = false;  // left as the last run made it
};

struct Record {
    Inputs inputs;
    Row row;
};

// A hash of bytes, in 16 hex digits; the same bytes give the same text on every host.
class Hash {
public:
    void Add(std::string_view bytes);
    std::string Hex() const;

private:
    void Mix(std::uint64_t word);

    std::uint64_t state_ = 14695981039346656037ULL;
    std::uint64_t length_ = 0;
    std::string pending_;  // fewer bytes than a word
};

// The hash of a file's bytes, or "" when it cannot be read.
std::string HashOfFile(const std::string& path);
// The hash of every file under `folder` but hidden ones (a lock file), their names relative to
// it with their bytes, in the order of their names. Raises native::Failure when it cannot be
// listed.
std::string HashOfFolder(const std::string& folder);

std::string WriteRecord(const Record& record);
// None for text that is not a record of this form.
std::optional<Record> ReadRecord(const std::string& text);

}  // namespace office
