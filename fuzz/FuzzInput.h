#pragma once

// What the fuzz targets share: an input cut into parts, and a scratch folder of the process.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Parts of an input are separated by a NUL byte, which no text of the books holds.
constexpr char kSeparator = '\0';

// The input's parts, at most `count`: the last one takes the rest, separators included.
std::vector<std::string> Split(const std::uint8_t* data, std::size_t size, std::size_t count);

// A new empty folder of this process under TMPDIR (else /tmp), removed when the process ends.
std::string ScratchFolder(const char* name);

// Ends the process as a finding: the run fails and libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz
