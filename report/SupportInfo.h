#pragma once

// SUPPORT.INF of the accounting product, beside the program: the product's name and version
// for the SYSTEM block. The file is read once into a 30,000-byte block whose unused bytes are
// 0xFF (the end of data); CR LF and 0x1A become NUL, so each line is a NUL-terminated text.

#include <cstddef>
#include <memory>
#include <string>

#include "platform/Platform.h"

class SupportInfo {
public:
    static constexpr std::size_t kBlockSize = 30000;

    // `programName` captions the out-of-memory notice.
    SupportInfo(Platform& platform, std::string programName)
        : platform_(platform), programName_(std::move(programName)) {}
    virtual ~SupportInfo() = default;

    // 1 when the block holds the file's data or was loaded before; 0 when the block cannot be
    // had or the file cannot be opened.
    int Load();
    // The text after "[=製品名=]" to the end of its line; empty when there is none.
    std::string ProductName();
    // The text after "[=製品ﾊﾞｰｼﾞｮﾝ=]" to the end of its line; empty when there is none.
    std::string ProductVersion();

    // True once the block could not be allocated.
    bool OutOfMemory() const { return outOfMemory_; }

private:
    std::string Lookup(std::string_view key);

    Platform& platform_;
    std::string programName_;
    std::unique_ptr<unsigned char[]> block_;
    bool outOfMemory_ = false;
};
