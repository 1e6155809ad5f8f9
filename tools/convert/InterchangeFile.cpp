#include "tools/convert/InterchangeFile.h"

#include <cstdint>

#include "books/Csv.h"
#include "books/Paths.h"
#include "common/Encoding.h"
#include "tools/convert/Refusal.h"

namespace convert {
namespace {

constexpr std::uint64_t kMaxFileBytes = std::uint64_t{2} << 30;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kWideBlank = "\u3000";

std::string OutcomeText(books::ReadOutcome outcome) {
    switch (outcome) {
        case books::ReadOutcome::kNotRegular:
            return "is not a regular file";
        case books::ReadOutcome::kTooLarge:
            return "is larger than 2 GiB";
        default:
            return "cannot be read";
    }
}

// Blanks, half-width or full-width, cut from both ends.
std::string_view TrimmedView(std::string_view text) {
    for (bool cut = true; cut && !text.empty();) {
        cut = false;
        if (text.front() == ' ' || text.front() == '\t') {
            text.remove_prefix(1);
            cut = true;
        } else if (text.substr(0, kWideBlank.size()) == kWideBlank) {
            text.remove_prefix(kWideBlank.size());
            cut = true;
        } else if (text.back() == ' ' || text.back() == '\t') {
            text.remove_suffix(1);
            cut = true;
        } else if (text.size() >= kWideBlank.size() &&
                   text.substr(text.size() - kWideBlank.size()) == kWideBlank) {
            text.remove_suffix(kWideBlank.size());
            cut = true;
        }
    }
    return text;
}

}  // namespace

class InterchangeFile::Source : public books::ByteSource {
public:
    explicit Source(const std::string& path) {
        books::ReadOutcome outcome = file_.Open(path, kMaxFileBytes);
        if (outcome != books::ReadOutcome::kRead) throw Refusal{path + ": " + OutcomeText(outcome)};
        // The mark decides the encoding, so it is looked at before the reader starts.
        std::size_t count = 0;
        while (head_.size() < kUtf8Mark.size()) {
            char byte = 0;
            if (file_.Read(&byte, 1, &count) != books::ReadOutcome::kRead || count == 0) break;
            head_ += byte;
        }
        if (file_.Outcome() != books::ReadOutcome::kRead)
            throw Refusal{path + ": " + OutcomeText(file_.Outcome())};
    }

    bool HasUtf8Mark() const { return head_ == kUtf8Mark; }

    bool Read(char* buffer, std::size_t size, std::size_t* count) override {
        if (!head_.empty() && size > 0) {
            std::size_t take = std::min(size, head_.size());
            head_.copy(buffer, take);
            head_.erase(0, take);
            *count = take;
            return true;
        }
        return file_.Read(buffer, size, count) == books::ReadOutcome::kRead;
    }

private:
    books::InputFile file_;
    std::string head_;
};

InterchangeFile::InterchangeFile(const std::string& path, bool utf8, std::string_view headerFirst)
    : path_(path), utf8_(utf8), headerFirst_(headerFirst), source_(std::make_unique<Source>(path)) {
    if (source_->HasUtf8Mark()) utf8_ = true;
    reader_ = std::make_unique<books::CsvReader>(*source_);
}

InterchangeFile::~InterchangeFile() = default;

bool InterchangeFile::Next(InterchangeRecord* record) {
    while (reader_->Next(&raw_)) {
        record->line = reader_->RecordLine();
        if (!raw_.empty() && !raw_[0].empty() && raw_[0][0] == '#') {
            ++skipped_;
            continue;
        }
        text_.clear();
        ends_.clear();
        for (std::size_t i = 0; i < raw_.size(); ++i) {
            std::string_view field = raw_[i];
            if (utf8_) {
                // Converted only to know the text has a Shift_JIS form.
                if (!sjis::Utf8ToSjis(field, &converted_)) {
                    Refuse(path_, record->line, static_cast<int>(i + 1),
                           "text is not UTF-8 or has no Shift_JIS form");
                }
            } else if (sjis::SjisToUtf8(field, &converted_)) {
                field = converted_;
            } else {
                Refuse(path_, record->line, static_cast<int>(i + 1),
                       "text is not Shift_JIS (convert a UTF-8 file with --encoding utf-8)");
            }
            text_ += TrimmedView(field);
            ends_.push_back(text_.size());
        }
        record->fields.clear();
        std::size_t begin = 0;
        for (std::size_t end : ends_) {
            record->fields.emplace_back(text_.data() + begin, end - begin);
            begin = end;
        }
        bool header = first_ && !record->fields.empty() && record->fields[0] == headerFirst_;
        first_ = false;
        if (header) {
            ++skipped_;
            continue;
        }
        return true;
    }
    if (reader_->SourceFailed()) throw Refusal{path_ + ": cannot be read"};
    if (reader_->Utf16()) {
        Refuse(path_, reader_->RecordLine(), 0,
               reader_->Error() +
                   "; save it as Shift_JIS, or as UTF-8 and convert it with "
                   "--encoding utf-8");
    }
    if (reader_->Failed()) Refuse(path_, reader_->RecordLine(), 0, reader_->Error());
    return false;
}

}  // namespace convert
