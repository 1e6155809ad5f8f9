#pragma once

// A reader of RFC 4180 CSV text: fields separated by commas, records by LF or CR LF, fields
// that hold commas, quotes or line breaks quoted with double quotes (a quote inside doubled).
// Blank lines are skipped; a UTF-8 byte-order mark at the start is ignored.
//
// The text is read in chunks into one buffer that is refilled at record boundaries, so a file
// of any length is read in the memory of its longest record. A record may be at most
// kMaxRecord bytes: no record of the books comes near it, and a quote left open would
// otherwise make the rest of the file one record, held in memory whole.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace books {

// Where the reader's bytes come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Copies the next bytes, at most `size`, into `buffer` and sets `count` (0 at the end).
    // False when the bytes cannot be read.
    virtual bool Read(char* buffer, std::size_t size, std::size_t* count) = 0;
};

class CsvReader {
public:
    static constexpr std::size_t kDefaultChunk = std::size_t{1} << 20;
    static constexpr std::size_t kMaxRecord = std::size_t{1} << 20;

    // Text already in memory; `chunk` only sets how much is taken at a time. A record longer
    // than `maxRecord` bytes (or than `chunk`, when that is more) fails the reading.
    explicit CsvReader(std::string_view content, std::size_t chunk = kDefaultChunk,
                       std::size_t maxRecord = kMaxRecord);
    explicit CsvReader(ByteSource& source, std::size_t chunk = kDefaultChunk,
                       std::size_t maxRecord = kMaxRecord);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Reads the next record into `fields`, which stay valid until the next call. False at the
    // end of the text, or when the record is malformed or cannot be read (then Failed() is true
    // and Error() says why).
    bool Next(std::vector<std::string_view>* fields);

    bool Failed() const { return failed_; }
    // True when the failure is the source's, not the text's.
    bool SourceFailed() const { return sourceFailed_; }
    // True when the failure is text in UTF-16, which the caller tells how to save otherwise.
    bool Utf16() const { return utf16_; }
    const std::string& Error() const { return error_; }
    // Line (1-based) on which the record last read, or the malformed record, began.
    long RecordLine() const { return recordLine_; }

private:
    struct Span {
        std::size_t begin;
        std::size_t end;
        bool doubledQuotes;
    };
    enum class Scan { kRecord, kNeedMore, kMalformed };

    bool Refill();
    bool SkipBlankLines();
    std::size_t LineEndAfterCr(std::size_t pos, std::size_t end, bool more) const;
    Scan ScanRecord(std::size_t* next, long* line);
    bool Fail(std::string why);
    bool FailTooLong();

    class MemorySource;
    std::unique_ptr<MemorySource> memory_;  // the source of a reader over text in memory
    ByteSource& source_;
    std::vector<char> buffer_;
    std::size_t maxBuffer_;  // the longest record, with its line break
    std::size_t pos_ = 0;    // the first byte not yet read
    std::size_t end_ = 0;    // the end of the bytes in the buffer
    bool sourceEnded_ = false;
    bool started_ = false;
    std::vector<Span> spans_;
    long line_ = 1;
    long recordLine_ = 0;
    bool failed_ = false;
    bool sourceFailed_ = false;
    bool utf16_ = false;
    std::string error_;
};

// Appends `text` to `out` as one field of the same CSV text: quoted only when it must be, for a
// comma, a quote or a line break inside, a quote inside doubled.
void AppendCsvField(std::string_view text, std::string* out);

}  // namespace books
