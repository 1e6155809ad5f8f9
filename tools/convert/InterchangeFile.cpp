#include "tools/convert/InterchangeFile.h"

#include <cstdint>

#include "books/Csv.h"
#include "books/FileEncoding.h"
#include "books/Paths.h"
#include "common/Encoding.h"
#include "tools/convert/Refusal.h"

namespace convert {
namespace {

constexpr std::uint64_t kMaxFileBytes = std::uint64_t{2} << 30;
constexpr std::string_view kWideBlank = "\u3000";

using kcbooks_messages::Id;
using kcbooks_messages::Say;

std::string OutcomeText(books::ReadOutcome outcome) {
    switch (outcome) {
        case books::ReadOutcome::kNotRegular:
            return Say(Id::kIsNotRegular);
        case books::ReadOutcome::kTooLarge:
            return Say(Id::kLargerThan, {{"limit", "2 GiB"}});
        default:
            return Say(Id::kCannotBeRead);
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

// The file's bytes.
class InterchangeFile::Source : public books::ByteSource {
public:
    explicit Source(const std::string& path) {
        books::ReadOutcome outcome = file_.Open(path, kMaxFileBytes);
        if (outcome != books::ReadOutcome::kRead) throw Refusal{path + ": " + OutcomeText(outcome)};
    }

    bool Read(char* buffer, std::size_t size, std::size_t* count) override {
        return file_.Read(buffer, size, count) == books::ReadOutcome::kRead;
    }

private:
    books::InputFile file_;
};

InterchangeFile::InterchangeFile(const std::string& path, books::SourceEncoding encoding,
                                 std::string_view headerFirst, std::size_t untrimmed)
    : path_(path),
      headerFirst_(headerFirst),
      untrimmed_(untrimmed),
      source_(std::make_unique<Source>(path)),
      encoding_(std::make_unique<books::FileEncoding>(*source_, encoding)) {
    reader_ = std::make_unique<books::CsvReader>(*encoding_);
}

InterchangeFile::~InterchangeFile() = default;

bool InterchangeFile::Next(InterchangeRecord* record) {
    while (reader_->Next(&raw_)) {
        record->line = reader_->RecordLine();
        if (!raw_.empty() && !raw_[0].empty() && raw_[0][0] == '#') {
            ++skipped_;
            continue;
        }
        // The DOS end-of-file mark that old programs still write after the last line.
        if (raw_.size() == 1 && raw_[0] == "\x1A") {
            ++skipped_;
            continue;
        }
        if (std::size_t bad = encoding_->Record(raw_, record->line); bad != std::string_view::npos)
            Refuse(path_, record->line, static_cast<int>(bad + 1), books::NeitherEncoding());
        text_.clear();
        ends_.clear();
        for (std::size_t i = 0; i < raw_.size(); ++i) {
            std::string_view field;
            if (std::string why; !encoding_->ToUtf8(raw_[i], &converted_, &field, &why))
                Refuse(path_, record->line, static_cast<int>(i + 1), why);
            text_ += i == untrimmed_ ? field : TrimmedView(field);
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
    if (reader_->SourceFailed()) throw Refusal{path_ + ": " + Say(Id::kCannotBeRead)};
    if (reader_->Utf16()) {
        Refuse(path_, reader_->RecordLine(), 0,
               Say(Id::kSaveAsSjisOrUtf8, {{"why", reader_->Error()}}));
    }
    if (reader_->Failed()) Refuse(path_, reader_->RecordLine(), 0, reader_->Error());
    return false;
}

}  // namespace convert
