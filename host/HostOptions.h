#pragma once

// The host's own options; the system never sees them. What is left after the options is the
// caller's line, the system's command-line text.

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct HostOptions {
    enum class Ui { kAuto, kTty, kBatch };

    std::string books;  // the store; KC_BOOKS when not given
    std::string user;   // UTF-8
    int dataNo = 0;
    Ui ui = Ui::kAuto;
    // Batch dialog input, applied to the dialog's controls before 実行 is pressed.
    std::optional<int> startMonth;
    std::optional<int> endMonth;
    std::optional<int> kind;
    std::optional<bool> ledger;
    std::optional<std::string> out;
    bool answerYes = false;
    std::string outputFolder;    // folder type 0
    std::string settingsFolder;  // folder type 1
    std::vector<std::pair<char, std::string>> drives;
    std::vector<std::pair<std::string, std::string>> shares;
    std::string callerLine;   // UTF-8
    int callerLineIndex = 0;  // the argument where the caller's line starts; 0 when none
    bool help = false;
};

// False with *error when the arguments are not understood.
bool ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error);

const char* HostUsage();
