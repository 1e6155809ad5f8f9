#pragma once

// A file that takes the place of its target whole or not at all. It is written under a new name
// of its own in the target's folder (FileSystem::CreateTemporaryFile: never through a name that
// exists, a link included), and only Commit puts it there: flushed, closed and renamed over the
// target in one step. Until then a file at the target stays as it was; a replacing file
// abandoned, or destroyed before its commit, removes its temporary. The text of the first file
// error it met is kept: it is the reason the user reads.

#include <memory>
#include <string>

#include "platform/FileSystem.h"

class ReplacingFile {
public:
    // `target` is a Windows path; nothing happens until Create.
    ReplacingFile(FileSystem& files, std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary. False when no file can be made in the target's folder.
    bool Create();
    // The temporary, open for writing between Create and Commit or Abandon, else null. Its
    // operations raise FileError; a writer that meets one keeps the reason itself.
    File* Output() { return output_.get(); }
    // Flushes and closes the temporary and renames it over the target. False when any of these
    // fails: the temporary is then removed and the target stays as it was.
    bool Commit();
    // Removes the temporary (closed first: an open file cannot be removed everywhere). The
    // target stays as it was.
    void Abandon();

    // Why Create or Commit failed, as the file layer said it; empty when nothing failed.
    const std::string& FailureReason() const { return reason_; }

private:
    void Fail(const FileError& error);

    FileSystem& files_;
    std::string target_;
    std::string temporary_;  // named once the file exists; empty again once renamed or removed
    std::unique_ptr<File> output_;
    std::string reason_;
};
