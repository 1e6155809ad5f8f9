#pragma once

// The encoding of one input file, and its texts checked against it: the import's books folder and
// the converter's interchange files alike. A run is told an encoding, or each file's own bytes
// decide it (sjis::DecideEncoding): the first block the CSV reader reads that holds a byte-order
// mark or non-ASCII text decides, the whole file where it is small. A byte-order mark always
// wins: the file says it itself. Every text is still converted and checked against the decision,
// so a file that turns out to be otherwise is refused at the text where it does.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "books/Csv.h"
#include "books/Importer.h"
#include "common/Encoding.h"

namespace books {

// Why a file that neither encoding reads is refused, after the place of its first such byte.
std::string NeitherEncoding();

class FileEncoding : public ByteSource {
public:
    FileEncoding(ByteSource& source, SourceEncoding given);

    // Passes the source's bytes on, deciding from them while the file is undecided.
    bool Read(char* buffer, std::size_t size, std::size_t* count) override;

    // Takes each record the reader read from this source, and the line it began on. In a file
    // that neither encoding reads, returns the index of the field that holds the first byte
    // neither reads; otherwise npos.
    std::size_t Record(const std::vector<std::string_view>& fields, long line);

    // A text of the file in Shift_JIS; false with why it has none (a message without a place).
    bool ToSjis(std::string_view text, std::string* out, std::string* why) const;
    // A text of the file in UTF-8, checked to have a Shift_JIS form: `text` itself where it is
    // UTF-8 (or ASCII) already, else its conversion, kept in `room`. False with why.
    bool ToUtf8(std::string_view text, std::string* room, std::string_view* out,
                std::string* why) const;
    // A text of the file as a message shows it (UTF-8).
    std::string Printable(std::string_view text) const;

private:
    enum class DecidedBy { kNothing, kOption, kMark, kText };
    enum class Fault { kNone, kNoSjisForm, kNotUtf8, kNotSjis, kUtf8NotSjis };

    // The encoding the texts are read in: an undecided file is ASCII so far, which UTF-8 reads;
    // a file that is neither is read in the encoding that read further.
    sjis::TextEncoding Reading() const;
    // Whether a Shift_JIS text is not: not Shift_JIS, or, where the bytes decided, UTF-8 Japanese
    // (UTF-8 振替 is valid Shift_JIS as well).
    Fault SjisFault(std::string_view text) const;
    // The refusal's sentence for `text`.
    std::string Why(Fault fault, std::string_view text) const;

    ByteSource& source_;
    sjis::EncodingDecision decision_;
    DecidedBy decidedBy_ = DecidedBy::kNothing;
    std::size_t offset_ = 0;  // bytes passed on so far
    long decidedLine_ = 0;    // the line of the first non-ASCII text, once a record shows it
};

// A whole text (a notes text, a chart) in Shift_JIS, its encoding given or decided from all its
// bytes; a UTF-8 byte-order mark at its start wins and is left out. False with why, and the `line`
// that holds the first byte the encoding does not read, or a character without a Shift_JIS form
// (0 when the whole text's encoding is unknown).
bool WholeTextToSjis(std::string_view text, SourceEncoding given, std::string* out,
                     std::string* why, long* line);

}  // namespace books
