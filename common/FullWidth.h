#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The full-width mapping of code page 932 as a table: what LCMapString with LCMAP_FULLWIDTH
// gives for Shift_JIS text. The POSIX host maps with it, kcview maps the books' company name with
// it as the export wrote it; the Windows suite checks it against the Windows call.
std::string MapToFullWidth(std::string_view text);

// The bytes of the company's name the file writes, in its full-width form: the tax application
// takes no more.
inline constexpr std::size_t kWrittenCompanyNameBytes = 63;
