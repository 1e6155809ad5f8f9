#pragma once

// A file, or a folder, that takes the place of its target whole or not at all. It is made beside
// the target under a name of its own ("~kc" and eight letters that cannot be guessed, ".kctmp"),
// created exclusively, so nothing that stands at any name is ever written through or removed.
// It ends in Keep or Discard: Keep writes out what is buffered, syncs the bytes to the disk,
// renames it over the target and syncs the folder, so that a power cut never leaves an empty or
// torn file where the previous one stood; Discard, or the destructor, removes it. While it lives
// it is on the run's list of temporaries: a signal that ends the run removes it
// (native/Interrupts).
//
// Failures are raised as native::Failure naming the target, the path the user gave.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "native/Calls.h"

namespace native {

class TempFile {
public:
    // Creates the temporary beside `target`, open for writing, with a buffer of `bufferSize`
    // bytes (0: every Write goes to the system as it comes).
    explicit TempFile(std::string target, std::size_t bufferSize = kDefaultBuffer);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    static constexpr std::size_t kDefaultBuffer = std::size_t{1} << 20;

    const std::string& Path() const { return path_; }
    const std::string& Target() const { return target_; }

    void Write(std::string_view bytes);
    // Closes the temporary's handle and keeps its name: another library (the store's) writes it
    // by name until Keep or Discard.
    void CloseHandle();
    // Flush, sync, close, rename over the target, sync the folder. On a failure the temporary is
    // removed and the target stays as it was.
    void Keep();
    // Removes the temporary; the target stays as it was. Never fails.
    void Discard() noexcept;

private:
    void Flush();
    // Hands every byte to the system.
    void WriteThrough(std::string_view bytes);

    std::string target_;
    std::string path_;
    Handle file_ = kNoHandle;
    std::string buffer_;
    std::size_t bufferSize_;
    bool live_ = false;  // on the run's list: neither kept nor discarded yet
};

// A folder built beside its target and renamed into its place when complete: the target must be
// absent or an empty folder.
class TempFolder {
public:
    explicit TempFolder(std::string target);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& Target() const { return target_; }

    // Syncs every file in it and the folder, then renames it over the target.
    void Keep();
    // Removes it and everything in it. Never fails.
    void Discard() noexcept;

private:
    std::string target_;
    std::string path_;
    bool live_ = false;
};

// Raises the failure a TempFolder's Keep into `target` would raise (kNotEmpty), before anything
// is written, when something other than an empty folder stands there (a link included).
void RequireNewFolder(const std::string& target);

// Removes every temporary of the run still on its list, and from then on creates and keeps none:
// the run is ending. Safe from any thread.
void RemoveTemporaries() noexcept;

// What a run that ends on a signal can truly say of its files. Both are safe from the signal's
// report, on another thread: a Keep's rename and RemoveTemporaries take one lock, so a target was
// either replaced before the clean-up or never is.
//
// Whether a temporary of this run took the place of `target` (spelt as it was given).
bool WasKept(const std::string& target);
// The temporaries RemoveTemporaries could not remove: on Windows a file another library holds
// open without sharing its deletion (SQLite's store) stays until that library lets it go.
std::vector<std::string> TemporariesLeft();

// Removes a folder and everything in it, as far as it can.
void RemoveTree(const std::string& path) noexcept;

// The name for a new temporary beside `target`: its folder, "~kc", eight random letters, ".kctmp".
std::string TemporaryNameBeside(const std::string& target);

}  // namespace native
