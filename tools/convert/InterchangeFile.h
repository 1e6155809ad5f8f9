#pragma once

// One file of the interchange forms, read a record at a time so that a journal of a million lines
// never sits in memory whole. What exporters vary is tolerated: Shift_JIS or UTF-8 (decided from
// the bytes as the import decides them, see books::FileEncoding), a header
// row, CR LF or LF, `#` comment lines, quoted or unquoted fields, blanks around a field, and the
// DOS end-of-file mark (0x1A) on a line of its own.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "books/Importer.h"

namespace books {
class CsvReader;
class FileEncoding;
}  // namespace books

namespace convert {

// One record's fields, UTF-8 with the blanks around them removed, seen in text its reader keeps
// until the next record is read.
struct InterchangeRecord {
    long line = 0;
    std::vector<std::string_view> fields;
};

class InterchangeFile {
public:
    // A first record whose first field is `headerFirst` is the header row. The field `untrimmed`
    // (0-based) keeps its blanks. Refuses a file that cannot be read.
    InterchangeFile(const std::string& path, books::SourceEncoding encoding,
                    std::string_view headerFirst, std::size_t untrimmed = kTrimEvery);
    static constexpr std::size_t kTrimEvery = static_cast<std::size_t>(-1);
    ~InterchangeFile();
    InterchangeFile(const InterchangeFile&) = delete;
    InterchangeFile& operator=(const InterchangeFile&) = delete;

    // False at the end; refuses a malformed record or text the encoding does not hold.
    bool Next(InterchangeRecord* record);
    // Comment lines and the header row left out so far.
    long Skipped() const { return skipped_; }

private:
    class Source;
    std::string path_;
    std::string headerFirst_;
    std::size_t untrimmed_;
    std::unique_ptr<Source> source_;
    std::unique_ptr<books::FileEncoding> encoding_;
    std::unique_ptr<books::CsvReader> reader_;
    bool first_ = true;
    long skipped_ = 0;
    // The record being read: its fields as the CSV reader sees them, each field converted, and
    // the fields one after the other with where each ends.
    std::vector<std::string_view> raw_;
    std::string converted_;
    std::string text_;
    std::vector<std::size_t> ends_;
};

}  // namespace convert
