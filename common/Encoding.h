#pragma once

// Conversion between UTF-8 (files and terminals outside) and Shift_JIS (code page 932, every
// text inside the system).

#include <string>
#include <string_view>

namespace sjis {

// False when `utf8` is not valid UTF-8 or holds a character that has no Shift_JIS form.
bool Utf8ToSjis(std::string_view utf8, std::string* out);
// False when `text` is not valid Shift_JIS.
bool SjisToUtf8(std::string_view text, std::string* utf8);
// Where `text` stops being valid Shift_JIS: the offset of the first byte that begins no
// character (a lead byte at the end begins none), `text.size()` when all of it is valid.
std::size_t SjisDecodableLength(std::string_view text);
// For display: invalid bytes become '?'.
std::string SjisToUtf8Lossy(std::string_view text);

}  // namespace sjis

namespace sjis {

// The UTF-8 byte-order mark: a file that starts with it says it is UTF-8.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Whether every byte of `text` is ASCII, which both encodings read alike.
bool IsAscii(std::string_view text);

// The encodings a file brought in may be in. Files other programs write carry no label: the
// bytes decide.
enum class TextEncoding {
    kUndecided,  // only ASCII so far: both encodings read it alike
    kUtf8,
    kSjis,
    kNeither,  // not UTF-8 and not Shift_JIS
};

struct EncodingDecision {
    TextEncoding encoding = TextEncoding::kUndecided;
    // kNeither: the first byte that neither encoding reads, in the encoding that read further.
    std::size_t badOffset = 0;
    TextEncoding readFurther = TextEncoding::kUndecided;
};

// Decides the encoding of `text`, a whole file (`complete`) or its first block, where a
// character cut at the block's end is not held against it: a UTF-8 byte-order mark, or valid
// UTF-8 holding non-ASCII text, is UTF-8 (but for text that is valid Shift_JIS as well and holds
// no character of three bytes: half-width katakana); otherwise Shift_JIS when every character
// decodes.
// Japanese text in Shift_JIS is almost never valid UTF-8 as well, so the guess is safe; a
// reader still checks every later text against the decision and refuses where it fails.
EncodingDecision DecideEncoding(std::string_view text, bool complete);

// Whether `text` reads as Japanese in UTF-8: valid UTF-8 holding a character of three bytes. A
// text of a file decided to be Shift_JIS that does is refused, not misread: UTF-8 振替 is valid
// Shift_JIS as well.
bool ReadsAsJapaneseUtf8(std::string_view text);

// Offset of the first byte that does not start a valid UTF-8 character (`text.size()` when
// all are valid). `complete` false: a character cut at the end counts as valid.
std::size_t FirstInvalidUtf8(std::string_view text, bool complete);
// The same for Shift_JIS (code page 932).
std::size_t FirstInvalidSjis(std::string_view text, bool complete);

}  // namespace sjis
