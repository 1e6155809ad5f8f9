#include "tools/kcbooks/FoundBooks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "books/Paths.h"
#include "tools/convert/Converter.h"
#include "tools/convert/InterchangeFields.h"
#include "tools/convert/InterchangeFile.h"
#include "tools/convert/Refusal.h"

namespace kcbooks {
namespace {

namespace fs = std::filesystem;

// The bytes that decide a journal's encoding, as the import reads its first block.
constexpr std::uint64_t kDecidingBytes = 1 << 20;

// The words a company's name holds in Japan: a folder or a file that holds one names the company
// whose books it keeps.
constexpr std::array<std::string_view, 10> kCompanyWords = {
    "株式会社",     "有限会社",     "合同会社", "合資会社",     "合名会社",
    "一般社団法人", "一般財団法人", "医療法人", "社会福祉法人", "特定非営利活動法人"};

bool IsDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool IsRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool HasCsvExtension(const fs::path& path) {
    std::string extension = books::PathToUtf8(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv" || extension == ".txt";
}

sjis::TextEncoding DecideFrom(const std::string& path) {
    books::InputFile file;
    if (file.Open(path, kDecidingBytes + 1) != books::ReadOutcome::kRead) {
        return sjis::TextEncoding::kUndecided;
    }
    std::string bytes(kDecidingBytes, '\0');
    std::size_t done = 0;
    std::size_t count = 0;
    while (done < bytes.size() &&
           file.Read(bytes.data() + done, bytes.size() - done, &count) ==
               books::ReadOutcome::kRead &&
           count > 0) {
        done += count;
    }
    bytes.resize(done);
    return sjis::DecideEncoding(bytes, done < kDecidingBytes).encoding;
}

// The first record of a CSV file, read as the conversion reads it; none when it has none or is
// not readable text.
std::optional<std::vector<std::string>> FirstRecord(const std::string& path,
                                                    std::string_view headerFirst) {
    try {
        convert::InterchangeFile file(path, books::SourceEncoding::kFromBytes, headerFirst);
        convert::InterchangeRecord record;
        if (!file.Next(&record)) return std::nullopt;
        return std::vector<std::string>(record.fields.begin(), record.fields.end());
    } catch (const convert::Refusal&) {
        return std::nullopt;
    }
}

bool IsJournalRecord(const std::vector<std::string>& fields) {
    return fields.size() >= convert::kJournalUsedFields &&
           convert::ParseJournalFlag(fields[0]) != convert::JournalFlag::kNone;
}

bool IsOpeningsRecord(const std::vector<std::string>& fields) {
    return fields.size() >= 6 && convert::ParseInterchangeDate(fields[0]) &&
           (fields[2] == "借方" || fields[2] == "貸方");
}

// The opening balances beside a journal: the first CSV file of its folder, by name, in the
// companion form.
std::string OpeningsBeside(const fs::path& journal) {
    std::vector<fs::path> candidates;
    std::error_code error;
    for (fs::directory_iterator it(journal.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        if (it->path() != journal && HasCsvExtension(it->path()) && IsRegularFile(it->path()))
            candidates.push_back(it->path());
    }
    std::sort(candidates.begin(), candidates.end());
    for (const fs::path& candidate : candidates) {
        const std::string utf8 = books::PathToUtf8(candidate);
        if (const auto first = FirstRecord(utf8, "期首日"); first && IsOpeningsRecord(*first))
            return utf8;
    }
    return std::string();
}

// A name that holds a company word, as it stands; empty when it holds none.
std::string CompanyIn(const std::string& name) {
    for (std::string_view word : kCompanyWords) {
        if (name.find(word) != std::string::npos) return name;
    }
    return std::string();
}

// The year a journal's books keep, inferred as the conversion infers it: from the openings'
// date, else from the first of the month of the journal's earliest date. None when the files
// say none (the conversion will say why).
std::optional<std::int32_t> InferredYearStart(const std::string& journal,
                                              const std::string& openings) {
    if (!openings.empty()) {
        const auto first = FirstRecord(openings, "期首日");
        if (!first) return std::nullopt;
        return convert::ParseInterchangeDate((*first)[0]);
    }
    constexpr std::size_t kDateField = 3;
    std::optional<std::int32_t> earliest;
    try {
        convert::InterchangeFile file(journal, books::SourceEncoding::kFromBytes, "識別フラグ");
        convert::InterchangeRecord record;
        while (file.Next(&record)) {
            if (record.fields.size() <= kDateField || record.fields[kDateField].empty()) continue;
            const auto date = convert::ParseInterchangeDate(record.fields[kDateField]);
            if (date && (!earliest || *date < *earliest)) earliest = date;
        }
    } catch (const convert::Refusal&) {
        return std::nullopt;
    }
    if (!earliest) return std::nullopt;
    return *earliest / 100 * 100 + 1;
}

FoundBooks FoundJournal(const fs::path& path) {
    FoundBooks found;
    found.path = books::PathToUtf8(path);
    const auto first = FirstRecord(found.path, "識別フラグ");
    if (!first || !IsJournalRecord(*first)) return found;
    found.kind = FoundBooks::Kind::kJournal;
    found.openings = OpeningsBeside(path);
    found.encoding = DecideFrom(found.path);
    found.company = CompanyIn(books::PathToUtf8(path.stem()));
    if (found.company.empty())
        found.company = CompanyIn(books::PathToUtf8(path.parent_path().filename()));
    found.periodFrom = InferredYearStart(found.path, found.openings);
    if (found.periodFrom) found.periodTo = convert::YearEndFrom(*found.periodFrom);
    fs::path store = path;
    found.store = books::PathToUtf8(store.replace_extension(".books"));
    return found;
}

// A books folder's company and year, from the header row and the first row of its company.csv.
void ReadCompany(const std::string& companyFile, FoundBooks* found) {
    try {
        convert::InterchangeFile file(companyFile, books::SourceEncoding::kFromBytes, "");
        convert::InterchangeRecord header;
        convert::InterchangeRecord row;
        if (!file.Next(&header)) return;
        const std::vector<std::string> names(header.fields.begin(), header.fields.end());
        if (!file.Next(&row)) return;
        auto field = [&](std::string_view name) -> std::string_view {
            const auto at = std::find(names.begin(), names.end(), name);
            const auto index = static_cast<std::size_t>(at - names.begin());
            return index < row.fields.size() ? row.fields[index] : std::string_view();
        };
        found->company = std::string(field("name"));
        found->periodFrom = convert::ParseInterchangeDate(field("period_from"));
        found->periodTo = convert::ParseInterchangeDate(field("period_to"));
    } catch (const convert::Refusal&) {
        // The import names the fault; the window shows what it could read.
    }
}

FoundBooks FoundFolder(const fs::path& path) {
    FoundBooks found;
    found.path = books::PathToUtf8(path);
    const fs::path company = path / "company.csv";
    if (!IsRegularFile(company)) return found;
    found.kind = FoundBooks::Kind::kFolder;
    // The company's name is Japanese text nearly always; a journal may be ASCII for a megabyte.
    found.encoding = DecideFrom(books::PathToUtf8(company));
    const fs::path journal = path / "journal.csv";
    if (found.encoding == sjis::TextEncoding::kUndecided && IsRegularFile(journal))
        found.encoding = DecideFrom(books::PathToUtf8(journal));
    ReadCompany(books::PathToUtf8(company), &found);
    found.store = found.path + ".books";
    return found;
}

}  // namespace

FoundBooks FindBooks(const std::string& path) {
    // A folder named with its final separator is the folder itself.
    fs::path named = books::PathFromUtf8(path);
    if (!named.has_filename() && named.has_parent_path()) named = named.parent_path();
    if (IsDirectory(named)) return FoundFolder(named);
    if (IsRegularFile(named)) return FoundJournal(named);
    FoundBooks nothing;
    nothing.path = path;
    return nothing;
}

}  // namespace kcbooks
