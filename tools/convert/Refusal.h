#pragma once

// A refused conversion on its way out to the command: the text names the file, the line and the
// column where it can.

#include <string>

namespace convert {

struct Refusal {
    std::string message;
};

// `column` 0 leaves the column out, where the whole row is wrong.
[[noreturn]] inline void Refuse(const std::string& file, long line, int column,
                                const std::string& why) {
    std::string where = file + ", line " + std::to_string(line);
    if (column > 0) where += ", column " + std::to_string(column);
    throw Refusal{where + ": " + why};
}

}  // namespace convert
