#pragma once

// A file of export-journal: written beside its target under a temporary name, created
// exclusively, in large pieces, and put in the target's place only when it is complete.

#include <cstdio>
#include <string>
#include <string_view>

#include "tools/interchange/JournalWriter.h"

namespace books::interchange {

class ReplacingOutput : public RowSink {
public:
    ReplacingOutput() = default;
    // An output never committed leaves no file behind, and its target as it was.
    ~ReplacingOutput() override;
    ReplacingOutput(const ReplacingOutput&) = delete;
    ReplacingOutput& operator=(const ReplacingOutput&) = delete;

    // Empty, or why the target cannot be written: a target that is not a regular file, or that is
    // the books store being read, is refused.
    std::string Open(const std::string& target, const std::string& storePath);
    bool Put(std::string_view bytes) override;
    bool Failed() const { return errno_ != 0; }
    // Empty, or why the file could not be finished (a full disk shows only here, at the flush).
    std::string Finish();
    // Empty, or why the target was not replaced.
    std::string Commit();
    // Why the last write failed, with the target's name.
    std::string WriteError() const;

private:
    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    int errno_ = 0;
};

}  // namespace books::interchange
