#pragma once

// Names for a new temporary file in a folder of the system (a Windows path in Shift_JIS):
// "~kc", eight letters that cannot be guessed, ".kctmp". Nobody can hold such a name in advance;
// the host creates the file exclusively and asks for the next name while one exists.

#include <cstddef>
#include <random>
#include <string>

#include "common/Sjis.h"

class TemporaryNames {
public:
    // How many names a host tries before it gives up.
    static constexpr int kAttempts = 100;

    explicit TemporaryNames(const char* folder) : folder_(folder ? folder : "") {
        if (!folder_.empty() && !sjis::EndsWithBackslash(folder_) && folder_.back() != ':') {
            folder_ += '\\';
        }
    }

    const std::string& Folder() const { return folder_; }

    std::string Next() {
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::uniform_int_distribution<std::size_t> pick(0, sizeof(kLetters) - 2);
        std::string name = folder_ + "~kc";
        for (int i = 0; i < 8; ++i) name += kLetters[pick(random_)];
        return name + ".kctmp";
    }

private:
    std::string folder_;
    std::random_device random_;
};
