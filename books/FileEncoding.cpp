#include "books/FileEncoding.h"

#include <algorithm>

#include "messages/kcbooks/KcbooksMessages.h"

namespace books {
namespace {

using kcbooks_messages::Id;
using kcbooks_messages::Say;
using sjis::TextEncoding;

bool IsValid(std::string_view text, TextEncoding encoding) {
    return (encoding == TextEncoding::kSjis ? sjis::FirstInvalidSjis(text, true)
                                            : sjis::FirstInvalidUtf8(text, true)) == text.size();
}

std::string OptionNote(TextEncoding encoding) {
    return Say(Id::kEncodingOption,
               {{"encoding", encoding == TextEncoding::kSjis ? "cp932" : "utf-8"}});
}

// The line of `text` that holds the byte at `offset`.
long LineOf(std::string_view text, std::size_t offset) {
    const std::string_view before = text.substr(0, offset);
    return 1 + static_cast<long>(std::count(before.begin(), before.end(), '\n'));
}

}  // namespace

std::string NeitherEncoding() {
    return Say(Id::kNeitherEncoding);
}

FileEncoding::FileEncoding(ByteSource& source, SourceEncoding given) : source_(source) {
    if (given == SourceEncoding::kFromBytes) return;
    decision_.encoding =
        given == SourceEncoding::kCp932 ? TextEncoding::kSjis : TextEncoding::kUtf8;
    decidedBy_ = DecidedBy::kOption;
}

bool FileEncoding::Read(char* buffer, std::size_t size, std::size_t* count) {
    if (!source_.Read(buffer, size, count)) return false;
    const std::string_view block(buffer, *count);
    if (offset_ == 0 && block.starts_with(sjis::kUtf8Mark)) {
        decision_ = sjis::EncodingDecision{};
        decision_.encoding = TextEncoding::kUtf8;
        decidedBy_ = DecidedBy::kMark;
    } else if (decidedBy_ == DecidedBy::kNothing && *count > 0) {
        // A block shorter than was asked for ends the file: a character cut there is no cut.
        decision_ = sjis::DecideEncoding(block, *count < size);
        if (decision_.encoding != TextEncoding::kUndecided) decidedBy_ = DecidedBy::kText;
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
               !std::all_of(fields.begin(), fields.end(), sjis::IsAscii)) {
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

FileEncoding::Fault FileEncoding::SjisFault(std::string_view text) const {
    if (decidedBy_ != DecidedBy::kOption && sjis::ReadsAsJapaneseUtf8(text))
        return Fault::kUtf8NotSjis;
    return IsValid(text, TextEncoding::kSjis) ? Fault::kNone : Fault::kNotSjis;
}

std::string FileEncoding::Why(Fault fault, std::string_view text) const {
    // A character without a Shift_JIS form is the text's fault, not the file's encoding.
    if (fault == Fault::kNoSjisForm) return Say(Id::kNoSjisFormOf, {{"text", Printable(text)}});
    std::string why = Say(fault == Fault::kNotUtf8   ? Id::kTextNotUtf8
                          : fault == Fault::kNotSjis ? Id::kTextNotSjis
                                                     : Id::kTextUtf8NotSjis);
    switch (decidedBy_) {
        case DecidedBy::kOption:
            return why + OptionNote(Reading());
        case DecidedBy::kMark:
            return Say(Id::kAsByteOrderMark, {{"why", why}});
        case DecidedBy::kText:
            if (decidedLine_ > 0)
                return Say(Id::kAsFirstTextOfLine, {{"why", why}, {"line", decidedLine_}});
            return Say(Id::kAsFirstText, {{"why", why}});
        default:
            return why;
    }
}

bool FileEncoding::ToSjis(std::string_view text, std::string* out, std::string* why) const {
    Fault fault = Fault::kNone;
    if (Reading() == TextEncoding::kSjis) {
        fault = sjis::IsAscii(text) ? Fault::kNone : SjisFault(text);
        if (fault == Fault::kNone) out->assign(text);
    } else if (!sjis::Utf8ToSjis(text, out)) {
        fault = IsValid(text, TextEncoding::kUtf8) ? Fault::kNoSjisForm : Fault::kNotUtf8;
    }
    if (fault == Fault::kNone) return true;
    *why = Why(fault, text);
    return false;
}

bool FileEncoding::ToUtf8(std::string_view text, std::string* room, std::string_view* out,
                          std::string* why) const {
    // Most fields of a journal (flags, dates, amounts) are ASCII, which both encodings read alike.
    if (sjis::IsAscii(text)) {
        *out = text;
        return true;
    }
    Fault fault = Fault::kNone;
    if (Reading() == TextEncoding::kSjis) {
        // Shift_JIS that converts is valid: only UTF-8 Japanese is looked for beforehand.
        if (decidedBy_ != DecidedBy::kOption && sjis::ReadsAsJapaneseUtf8(text)) {
            fault = Fault::kUtf8NotSjis;
        } else if (sjis::SjisToUtf8(text, room)) {
            *out = *room;
            return true;
        } else {
            fault = Fault::kNotSjis;
        }
    } else if (sjis::Utf8ToSjis(text, room)) {  // converted only to know it has a form
        *out = text;
        return true;
    } else {
        fault = IsValid(text, TextEncoding::kUtf8) ? Fault::kNoSjisForm : Fault::kNotUtf8;
    }
    *why = Why(fault, text);
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
    if (text.starts_with(sjis::kUtf8Mark)) {
        encoding = TextEncoding::kUtf8;
        text.remove_prefix(sjis::kUtf8Mark.size());
    } else if (encoding == TextEncoding::kUndecided) {
        const sjis::EncodingDecision decision = sjis::DecideEncoding(text, true);
        if (decision.encoding == TextEncoding::kNeither) {
            *line = LineOf(text, decision.badOffset);
            *why = NeitherEncoding();
            return false;
        }
        encoding =
            decision.encoding == TextEncoding::kSjis ? TextEncoding::kSjis : TextEncoding::kUtf8;
    }
    const std::string note = given != SourceEncoding::kFromBytes ? OptionNote(encoding) : "";
    if (encoding == TextEncoding::kSjis) {
        const std::size_t bad = sjis::FirstInvalidSjis(text, true);
        if (bad == text.size()) {
            out->assign(text);
            return true;
        }
        *line = LineOf(text, bad);
        *why = Say(Id::kTextNotSjis) + note;
        return false;
    }
    if (sjis::Utf8ToSjis(text, out)) return true;
    const std::size_t bad = sjis::FirstInvalidUtf8(text, true);
    if (bad < text.size()) {
        *line = LineOf(text, bad);
        *why = Say(Id::kTextNotUtf8) + note;
        return false;
    }
    // Valid UTF-8 with a character Shift_JIS lacks: the line that holds it.
    std::string piece;
    for (std::size_t begin = 0; begin < text.size(); ++*line) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        if (!sjis::Utf8ToSjis(text.substr(begin, end - begin), &piece)) break;
        begin = end + 1;
    }
    ++*line;
    *why = Say(Id::kNoSjisForm);
    return false;
}

}  // namespace books
