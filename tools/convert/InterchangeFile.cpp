#include "tools/convert/InterchangeFile.h"

#include <algorithm>
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

// The file's bytes, and the encoding they are in: forced, or decided from the first chunk that
// holds a byte beyond ASCII (the reader asks for chunks of a megabyte, so the decision sees much
// text, and sees it before any of its records is converted).
class InterchangeFile::Source : public books::ByteSource {
public:
    Source(const std::string& path, std::optional<bool> utf8) {
        books::ReadOutcome outcome = file_.Open(path, kMaxFileBytes);
        if (outcome != books::ReadOutcome::kRead) throw Refusal{path + ": " + OutcomeText(outcome)};
        if (utf8) encoding_ = *utf8 ? sjis::TextEncoding::kUtf8 : sjis::TextEncoding::kSjis;
    }

    sjis::TextEncoding Encoding() const { return encoding_; }

    bool Read(char* buffer, std::size_t size, std::size_t* count) override {
        if (file_.Read(buffer, size, count) != books::ReadOutcome::kRead) return false;
        std::string_view chunk(buffer, *count);
        // A mark wins over what the user said: the file says it itself.
        if (first_ && chunk.substr(0, kUtf8Mark.size()) == kUtf8Mark)
            encoding_ = sjis::TextEncoding::kUtf8;
        first_ = false;
        if (encoding_ == sjis::TextEncoding::kUndecided && *count > 0) {
            sjis::EncodingDecision decision = sjis::DecideEncoding(chunk, false);
            // Bytes that are neither are refused where their record is converted, as the
            // encoding that read further would read them.
            encoding_ = decision.encoding == sjis::TextEncoding::kNeither ? decision.readFurther
                                                                          : decision.encoding;
        }
        return true;
    }

private:
    books::InputFile file_;
    sjis::TextEncoding encoding_ = sjis::TextEncoding::kUndecided;
    bool first_ = true;
};

InterchangeFile::InterchangeFile(const std::string& path, std::optional<bool> utf8,
                                 std::string_view headerFirst, std::size_t untrimmed)
    : path_(path),
      forced_(utf8.has_value()),
      headerFirst_(headerFirst),
      untrimmed_(untrimmed),
      source_(std::make_unique<Source>(path, utf8)) {
    reader_ = std::make_unique<books::CsvReader>(*source_);
}

InterchangeFile::~InterchangeFile() = default;

std::string_view InterchangeFile::Convert(std::string_view field, long line, std::size_t column) {
    // Most fields (flags, dates, amounts) are ASCII, which both encodings read alike.
    if (std::all_of(field.begin(), field.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return field;
    }
    auto refuse = [&](const std::string& why) {
        Refuse(path_, line, static_cast<int>(column + 1),
               why + (forced_ ? " (--encoding)"
                              : ", as the file's first text beyond ASCII is; save the file in "
                                "one encoding"));
    };
    if (source_->Encoding() == sjis::TextEncoding::kUtf8) {
        // Converted only to know the text has a Shift_JIS form.
        if (sjis::Utf8ToSjis(field, &converted_)) return field;
        if (sjis::FirstInvalidUtf8(field, true) < field.size()) refuse("text is not UTF-8");
        Refuse(path_, line, static_cast<int>(column + 1),
               "text has no Shift_JIS form: \"" + std::string(field) + "\"");
    }
    // UTF-8 Japanese is often valid Shift_JIS too: read as such it would be other text.
    if (!forced_ && sjis::ReadsAsJapaneseUtf8(field)) refuse("text is UTF-8, not Shift_JIS");
    if (!sjis::SjisToUtf8(field, &converted_)) refuse("text is not Shift_JIS");
    return converted_;
}

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
        text_.clear();
        ends_.clear();
        for (std::size_t i = 0; i < raw_.size(); ++i) {
            std::string_view field = Convert(raw_[i], record->line, i);
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
    if (reader_->SourceFailed()) throw Refusal{path_ + ": cannot be read"};
    if (reader_->Utf16()) {
        Refuse(path_, reader_->RecordLine(), 0,
               reader_->Error() + "; save it as Shift_JIS or as UTF-8");
    }
    if (reader_->Failed()) Refuse(path_, reader_->RecordLine(), 0, reader_->Error());
    return false;
}

}  // namespace convert
