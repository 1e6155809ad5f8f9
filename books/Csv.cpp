#include "books/Csv.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "messages/kcbooks/KcbooksMessages.h"

namespace books {
namespace {

// The bytes that end an unquoted field or are not allowed in one, looked up rather than compared
// one by one: scanning fields is most of what reading a CSV file costs.
constexpr std::array<bool, 256> kFieldStops = [] {
    std::array<bool, 256> stops{};
    for (unsigned char c : {',', '\n', '\r', '"'}) stops[c] = true;
    return stops;
}();

bool StopsField(char c) {
    return kFieldStops[static_cast<unsigned char>(c)];
}

}  // namespace

class CsvReader::MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view text) : text_(text) {}
    bool Read(char* buffer, std::size_t size, std::size_t* count) override {
        *count = std::min(size, text_.size());
        std::memcpy(buffer, text_.data(), *count);
        text_.remove_prefix(*count);
        return true;
    }

private:
    std::string_view text_;
};

CsvReader::CsvReader(std::string_view content, std::size_t chunk, std::size_t maxRecord)
    : memory_(std::make_unique<MemorySource>(content)),
      source_(*memory_),
      maxBuffer_(std::max<std::size_t>({chunk, maxRecord, 1})) {
    buffer_.resize(std::max<std::size_t>(chunk, 1));
}

CsvReader::CsvReader(ByteSource& source, std::size_t chunk, std::size_t maxRecord)
    : source_(source), maxBuffer_(std::max<std::size_t>({chunk, maxRecord, 1})) {
    buffer_.resize(std::max<std::size_t>(chunk, 1));
}

CsvReader::~CsvReader() = default;

bool CsvReader::Fail(std::string why) {
    failed_ = true;
    error_ = std::move(why);
    return false;
}

bool CsvReader::FailTooLong() {
    const std::size_t mib = std::size_t{1} << 20;
    using kcbooks_messages::Id;
    using kcbooks_messages::Say;
    const std::string size = maxBuffer_ % mib == 0 ? std::to_string(maxBuffer_ / mib) + " MiB"
                                                   : Say(Id::kBytes, {{"count", maxBuffer_}});
    return Fail(Say(Id::kRecordTooLong, {{"size", size}}));
}

// Keeps the bytes not yet read, moved to the buffer's start, and reads more behind them. The
// buffer grows only when one record fills it. False when the source fails.
bool CsvReader::Refill() {
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == buffer_.size()) {
        // One record fills the buffer. A record of the longest kind still needs a byte past
        // it read (after a lone CR or a closing quote, or to find the end of the file).
        if (buffer_.size() > maxBuffer_) return FailTooLong();
        buffer_.resize(std::min(buffer_.size() * 2, maxBuffer_ + 1));
    }
    std::size_t count = 0;
    if (!source_.Read(buffer_.data() + end_, buffer_.size() - end_, &count)) {
        sourceFailed_ = true;
        return Fail(kcbooks_messages::Say(kcbooks_messages::Id::kCannotBeRead));
    }
    if (count == 0) sourceEnded_ = true;
    end_ += count;
    return true;
}

// Where the line end that begins with the CR at `pos` ends, as an editor shows lines: CR LF and
// CR CR LF (a CR LF converted once more on its way through a Windows tool) end one line with
// their LF; a CR before anything else ends a line of its own. npos when the bytes in the buffer
// do not tell yet.
std::size_t CsvReader::LineEndAfterCr(std::size_t pos, std::size_t end, bool more) const {
    std::size_t after = pos;
    while (after < end && buffer_[after] == '\r') ++after;
    if (after < end) return buffer_[after] == '\n' ? after + 1 : pos + 1;
    return more ? std::string_view::npos : pos + 1;
}

// Skips blank lines; false at the end of the text.
bool CsvReader::SkipBlankLines() {
    while (true) {
        while (pos_ < end_ && (buffer_[pos_] == '\n' || buffer_[pos_] == '\r')) {
            std::size_t next =
                buffer_[pos_] == '\n' ? pos_ + 1 : LineEndAfterCr(pos_, end_, !sourceEnded_);
            if (next == std::string_view::npos) break;
            pos_ = next;
            ++line_;
        }
        if (pos_ < end_ && buffer_[pos_] != '\r') return true;
        if (sourceEnded_ || !Refill()) return false;
    }
}

// Finds the fields of the record at pos_ without changing a byte, so that a record the buffer
// cuts off can be scanned again once more bytes are in. Sets `next` past the record's line
// break and `line` to the line after it.
CsvReader::Scan CsvReader::ScanRecord(std::size_t* next, long* line) {
    spans_.clear();
    const char* text = buffer_.data();
    const std::size_t end = end_;
    const bool more = !sourceEnded_;
    std::size_t p = pos_;
    *line = line_;
    while (true) {
        // The span is stored whole once its field is scanned: built up in place, its flag byte
        // and its copy into the vector stalled the processor on every field.
        std::size_t begin = p;
        std::size_t fieldEnd = p;
        bool doubledQuotes = false;
        if (p < end && text[p] == '"') {
            begin = ++p;
            while (true) {
                if (p >= end) {
                    if (more) return Scan::kNeedMore;
                    Fail(kcbooks_messages::Say(kcbooks_messages::Id::kUnbalancedQuotes));
                    return Scan::kMalformed;
                }
                char c = text[p++];
                if (c == '"') {
                    if (p >= end && more) return Scan::kNeedMore;  // a doubled quote or the end
                    if (p < end && text[p] == '"') {
                        doubledQuotes = true;
                        ++p;
                        continue;
                    }
                    break;
                }
                if (c == '\n') ++*line;
                if (c == '\r') {
                    std::size_t after = LineEndAfterCr(p - 1, end, more);
                    if (after == std::string_view::npos) return Scan::kNeedMore;
                    if (buffer_[after - 1] != '\n') ++*line;
                }
            }
            fieldEnd = p - 1;
            if (p >= end && more) return Scan::kNeedMore;
            if (p < end && text[p] != ',' && text[p] != '\n' && text[p] != '\r') {
                Fail(kcbooks_messages::Say(kcbooks_messages::Id::kTextAfterQuote));
                return Scan::kMalformed;
            }
        } else {
            while (p < end && !StopsField(text[p])) ++p;
            if (p < end && text[p] == '"') {
                Fail(kcbooks_messages::Say(kcbooks_messages::Id::kQuoteInUnquoted));
                return Scan::kMalformed;
            }
            if (p >= end && more) return Scan::kNeedMore;
            fieldEnd = p;
        }
        spans_.push_back(Span{begin, fieldEnd, doubledQuotes});
        if (p >= end) {
            *next = p;
            return Scan::kRecord;
        }
        char c = text[p];
        if (c == ',') {
            ++p;
            continue;
        }
        // End of the record: LF, or a line end that begins with a CR.
        if (c == '\r') {
            p = LineEndAfterCr(p, end, more);
            if (p == std::string_view::npos) return Scan::kNeedMore;
        } else {
            ++p;
        }
        ++*line;
        *next = p;
        return Scan::kRecord;
    }
}

void AppendCsvField(std::string_view text, std::string* out) {
    bool quoted = false;
    for (char c : text) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quoted = true;
            break;
        }
    }
    if (!quoted) {
        *out += text;
        return;
    }
    *out += '"';
    for (char c : text) {
        if (c == '"') *out += '"';
        *out += c;
    }
    *out += '"';
}

bool CsvReader::Next(std::vector<std::string_view>* fields) {
    fields->clear();
    if (failed_) return false;
    if (!started_) {
        started_ = true;
        while (end_ < 3 && !sourceEnded_) {
            if (!Refill()) return false;
        }
        if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
        // UTF-16 text starts with its byte-order mark, or has a NUL byte beside its first
        // character: no CSV text of the books does.
        if (end_ >= 2 && (std::memcmp(buffer_.data(), "\xFF\xFE", 2) == 0 ||
                          std::memcmp(buffer_.data(), "\xFE\xFF", 2) == 0 || buffer_[0] == '\0' ||
                          buffer_[1] == '\0')) {
            recordLine_ = 1;
            utf16_ = true;
            return Fail(kcbooks_messages::Say(kcbooks_messages::Id::kUtf16));
        }
    }
    if (!SkipBlankLines()) return false;
    recordLine_ = line_;
    std::size_t next = 0;
    long line = 0;
    while (true) {
        Scan scan = ScanRecord(&next, &line);
        if (scan == Scan::kRecord) break;
        if (scan == Scan::kMalformed || !Refill()) return false;
    }
    if (next - pos_ > maxBuffer_) return FailTooLong();
    // The record is whole: a quoted field with doubled quotes is undoubled where it stands.
    char* text = buffer_.data();
    for (const Span& span : spans_) {
        std::size_t size = span.end - span.begin;
        if (span.doubledQuotes) {
            std::size_t out = span.begin;
            for (std::size_t in = span.begin; in < span.end; ++in) {
                text[out++] = text[in];
                if (text[in] == '"') ++in;
            }
            size = out - span.begin;
        }
        fields->emplace_back(text + span.begin, size);
    }
    pos_ = next;
    line_ = line;
    return true;
}

}  // namespace books
