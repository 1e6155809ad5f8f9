#pragma once

// A refused conversion on its way out to the command: the text names the file, the line and the
// column where it can.

#include <string>

namespace convert {

struct Refusal {
    std::string message;
};

// Where a refusal stands: `column` 0 leaves the column out, where the whole row is wrong.
inline std::string Where(const std::string& file, long line, int column) {
    std::string where = file + ", line " + std::to_string(line);
    if (column > 0) where += ", column " + std::to_string(column);
    return where;
}

[[noreturn]] inline void Refuse(const std::string& file, long line, int column,
                                const std::string& why) {
    throw Refusal{Where(file, line, column) + ": " + why};
}

}  // namespace convert
