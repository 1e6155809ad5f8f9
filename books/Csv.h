#pragma once

// A reader of RFC 4180 CSV text: fields separated by commas, records by LF or CR LF, fields
// that hold commas, quotes or line breaks quoted with double quotes (a quote inside doubled).
// Blank lines are skipped; a UTF-8 byte-order mark at the start is ignored.

#include <string>
#include <string_view>
#include <vector>

namespace books {

class CsvReader {
public:
    explicit CsvReader(std::string_view content);

    // Reads the next record into `fields`. False at the end of the text, or when the record is
    // malformed (then Failed() is true and Error() says why).
    bool Next(std::vector<std::string>* fields);

    bool Failed() const { return failed_; }
    const std::string& Error() const { return error_; }
    // Line (1-based) on which the record last read, or the malformed record, began.
    long RecordLine() const { return recordLine_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    long line_ = 1;
    long recordLine_ = 0;
    bool failed_ = false;
    std::string error_;
};

}  // namespace books
