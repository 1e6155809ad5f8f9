#pragma once

// Which files are one file, and the files of one run. A run names its inputs (the books store it
// reads, last year's export, the settings file it will write, …) and each target before anything
// is written; a target that is, or will be, one of them, or another target of the same run, is
// refused. A file that exists is known by its identity (device and number: a link or another
// spelling finds it); one that does not exist yet by its one spelling (its folder resolved, its
// name compared as the system compares names).

#include <optional>
#include <string>
#include <vector>

namespace native {

// Whether `a` and `b` name one file, or will once it is made.
bool SamePlace(const std::string& a, const std::string& b);
// Whether both name one existing file.
bool SameFile(const std::string& a, const std::string& b);

class RunFiles {
public:
    // A file the run reads or writes; `role` names it in a refusal ("the books store").
    void Add(const std::string& path, std::string role);
    // The role of a file of the run that `target` is, or will be; none when it is none of them.
    std::optional<std::string> Clash(const std::string& target) const;
    // Adds `target` as `role` when it clashes with nothing; else the role it clashes with.
    std::optional<std::string> AddTarget(const std::string& target, std::string role);

private:
    struct Entry {
        std::string path;
        std::string role;
    };
    std::vector<Entry> files_;
};

}  // namespace native
