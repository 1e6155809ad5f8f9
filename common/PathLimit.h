#pragma once

// The longest path the system takes: 255 bytes of Shift_JIS (half-width 255 characters,
// full-width 127), the path edit's limit and the size of the system's path buffers. A longer
// path is refused whole where it enters the system (the caller's line, the condition dialog's
// 実行, a host option): cut to fit, it would name another file.

#include <cstddef>
#include <string_view>

constexpr std::size_t kMaxPathBytes = 255;

constexpr bool FitsPathLimit(std::string_view path) {
    return path.size() <= kMaxPathBytes;
}
