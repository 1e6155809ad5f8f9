#include "books/FileEncoding.h"

#include <algorithm>

namespace books {
namespace {

using sjis::TextEncoding;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool HasNonAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool IsValid(std::string_view text, TextEncoding encoding) {
    return (encoding == TextEncoding::kSjis ? sjis::FirstInvalidSjis(text, true)
                                            : sjis::FirstInvalidUtf8(text, true)) == text.size();
}

enum class CellFault { kNone, kNoSjisForm, kNotUtf8, kNotSjis, kUtf8NotSjis };

// `text` in Shift_JIS when it is in `encoding`. A text of a file whose first block decided it is
// Shift_JIS is held to the rule that decided the file: one that reads as UTF-8 is UTF-8, even
// where its bytes happen to be Shift_JIS as well. Where the encoding was given, or decided on this
// very text, only the encoding's own check counts (`settled`).
CellFault Convert(std::string_view text, TextEncoding encoding, bool settled, std::string* out) {
    if (encoding == TextEncoding::kSjis) {
        const TextEncoding own = settled
                                     ? (IsValid(text, TextEncoding::kSjis) ? TextEncoding::kSjis
                                                                           : TextEncoding::kNeither)
                                     : sjis::DecideEncoding(text, true).encoding;
        if (own == TextEncoding::kUtf8) return CellFault::kUtf8NotSjis;
        if (own == TextEncoding::kNeither) return CellFault::kNotSjis;
        out->assign(text);
        return CellFault::kNone;
    }
    if (sjis::Utf8ToSjis(text, out)) return CellFault::kNone;
    return IsValid(text, TextEncoding::kUtf8) ? CellFault::kNoSjisForm : CellFault::kNotUtf8;
}

// Why a text of the file is refused, but for a text without a Shift_JIS form, which names it.
std::string FaultText(CellFault fault) {
    switch (fault) {
        case CellFault::kNotUtf8:
            return "text is not UTF-8";
        case CellFault::kNotSjis:
            return "text is not Shift_JIS";
        case CellFault::kUtf8NotSjis:
            return "text is UTF-8, not Shift_JIS";
        default:
            return "text has no Shift_JIS form";
    }
}

std::string OptionNote(TextEncoding encoding) {
    return std::string(" (--encoding ") + (encoding == TextEncoding::kSjis ? "cp932" : "utf-8") +
           ")";
}

}  // namespace

FileEncoding::FileEncoding(ByteSource& source, SourceEncoding given) : source_(source) {
    if (given == SourceEncoding::kFromBytes) return;
    decision_.encoding =
        given == SourceEncoding::kCp932 ? TextEncoding::kSjis : TextEncoding::kUtf8;
    decidedBy_ = DecidedBy::kOption;
}

bool FileEncoding::Read(char* buffer, std::size_t size, std::size_t* count) {
    if (!source_.Read(buffer, size, count)) return false;
    if (decidedBy_ == DecidedBy::kNothing && *count > 0) {
        const std::string_view block(buffer, *count);
        // A block shorter than was asked for ends the file: a character cut there is no cut.
        decision_ = sjis::DecideEncoding(block, *count < size);
        if (decision_.encoding != TextEncoding::kUndecided) {
            decidedBy_ =
                offset_ == 0 && block.starts_with(kUtf8Mark) ? DecidedBy::kMark : DecidedBy::kText;
        }
    }
    offset_ += *count;
    return true;
}

std::size_t FileEncoding::Record(const std::vector<std::string_view>& fields, long line) {
    if (decision_.encoding == TextEncoding::kNeither) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (!IsValid(fields[i], decision_.readFurther)) return i;
        }
    } else if (decidedBy_ == DecidedBy::kText && decidedLine_ == 0 &&
               std::any_of(fields.begin(), fields.end(), HasNonAscii)) {
        // The records before it were ASCII: the block that decided holds this one.
        decidedLine_ = line;
    }
    return std::string_view::npos;
}

TextEncoding FileEncoding::Reading() const {
    switch (decision_.encoding) {
        case TextEncoding::kSjis:
            return TextEncoding::kSjis;
        case TextEncoding::kNeither:
            return decision_.readFurther;
        default:
            return TextEncoding::kUtf8;
    }
}

std::string FileEncoding::DecidedFrom() const {
    switch (decidedBy_) {
        case DecidedBy::kOption:
            return OptionNote(Reading());
        case DecidedBy::kMark:
            return ", as the file's byte-order mark says; save the file in one encoding";
        case DecidedBy::kText:
            return std::string(", as the file's first non-ASCII text") +
                   (decidedLine_ > 0 ? " (line " + std::to_string(decidedLine_) + ")" : "") +
                   " was; save the file in one encoding";
        default:
            return std::string();
    }
}

bool FileEncoding::ToSjis(std::string_view text, std::string* out, std::string* why) const {
    const CellFault fault = Convert(text, Reading(), decidedBy_ == DecidedBy::kOption, out);
    if (fault == CellFault::kNone) return true;
    // A character without a Shift_JIS form is the text's fault, not the file's encoding.
    *why = fault == CellFault::kNoSjisForm ? FaultText(fault) + ": \"" + Printable(text) + "\""
                                           : FaultText(fault) + DecidedFrom();
    return false;
}

std::string FileEncoding::Printable(std::string_view text) const {
    return Reading() == TextEncoding::kSjis ? sjis::SjisToUtf8Lossy(text) : std::string(text);
}

bool WholeTextToSjis(std::string_view text, SourceEncoding given, std::string* out,
                     std::string* why, long* line) {
    *line = 0;
    TextEncoding encoding = given == SourceEncoding::kCp932  ? TextEncoding::kSjis
                            : given == SourceEncoding::kUtf8 ? TextEncoding::kUtf8
                                                             : TextEncoding::kUndecided;
    if (encoding == TextEncoding::kUndecided) {
        const sjis::EncodingDecision decision = sjis::DecideEncoding(text, true);
        if (decision.encoding == TextEncoding::kNeither) {
            const std::string_view before = text.substr(0, decision.badOffset);
            *line = 1 + static_cast<long>(std::count(before.begin(), before.end(), '\n'));
            *why = std::string(kNeitherEncoding);
            return false;
        }
        encoding = decision.encoding;
    }
    if (encoding != TextEncoding::kSjis) {
        encoding = TextEncoding::kUtf8;
        if (text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());
    }
    const bool isGiven = given != SourceEncoding::kFromBytes;
    const CellFault fault = Convert(text, encoding, true, out);
    if (fault == CellFault::kNone) return true;
    *why =
        FaultText(fault) + (isGiven && fault != CellFault::kNoSjisForm ? OptionNote(encoding) : "");
    return false;
}

}  // namespace books
