#pragma once

// A refused conversion on its way out to the command: the text names the file, the line and the
// column where it can.

#include <string>

#include "messages/kcbooks/KcbooksMessages.h"

namespace convert {

struct Refusal {
    std::string message;
};

// A refusal's text naming where it stands: `column` 0 leaves the column out, where the whole row
// is wrong.
inline std::string At(const std::string& file, long line, int column, const std::string& why) {
    using kcbooks_messages::Id;
    if (column <= 0) {
        return kcbooks_messages::Say(Id::kAtLine, {{"file", file}, {"line", line}, {"why", why}});
    }
    return kcbooks_messages::Say(
        Id::kAtCell, {{"file", file}, {"line", line}, {"column", column}, {"why", why}});
}

[[noreturn]] inline void Refuse(const std::string& file, long line, int column,
                                const std::string& why) {
    throw Refusal{At(file, line, column, why)};
}

}  // namespace convert
