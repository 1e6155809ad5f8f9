#include "report/SupportInfo.h"

#include <cstring>

#include "common/Messages.h"
#include "common/Sjis.h"

namespace {

constexpr unsigned char kEndOfData = 0xFF;

}  // namespace

int SupportInfo::Load() {
    if (block_) return 1;
    if (outOfMemory_) return 0;
    block_ = platform_.memory.AllocateBlock(kBlockSize);
    if (!block_) {
        outOfMemory_ = true;
        platform_.messages.Show(kNoWindow, messages::kNoMemory, programName_.c_str(),
                                mb::kOk | mb::kIconWarning);
        return 0;
    }
    std::memset(block_.get(), kEndOfData, kBlockSize);
    std::size_t size = 0;
    try {
        // By its bare name: the program's own folder is the working directory.
        auto file = platform_.files.OpenFile("SUPPORT.INF");
        size = file->Read(reinterpret_cast<char*>(block_.get()), kBlockSize);
        file->Close();
    } catch (const FileError&) {
        // The block stays allocated and full of 0xFF: the next lookup finds nothing at once.
        return 0;
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (block_[i] == '\r' && i + 1 < size && block_[i + 1] == '\n') {
            block_[i] = block_[i + 1] = '\0';
            ++i;
        } else if (block_[i] == 0x1A) {
            block_[i] = '\0';
        }
    }
    return 1;
}

std::string SupportInfo::Lookup(std::string_view key) {
    if (!Load() && !block_) return "";
    const unsigned char* data = block_.get();
    for (std::size_t start = 0; start + key.size() <= kBlockSize; ++start) {
        if (std::memcmp(data + start, key.data(), key.size()) != 0) continue;
        std::size_t end = start + key.size();
        while (end < kBlockSize && data[end] != '\0' && data[end] != kEndOfData) ++end;
        // A lead byte without its trail byte (a file cut inside a character) is no character:
        // it is dropped, so that it neither reaches the document nor takes the next byte with it.
        std::string value;
        for (std::size_t pos = start + key.size(); pos < end; ++pos) {
            if (!sjis::IsLeadByte(data[pos])) {
                value.push_back(static_cast<char>(data[pos]));
            } else if (pos + 1 < end && data[pos + 1] >= 0x40 && data[pos + 1] <= 0xFC &&
                       data[pos + 1] != 0x7F) {
                value.push_back(static_cast<char>(data[pos]));
                value.push_back(static_cast<char>(data[++pos]));
            }
        }
        return value;
    }
    return "";
}

std::string SupportInfo::ProductName() {
    return Lookup("[=製品名=]");
}

std::string SupportInfo::ProductVersion() {
    return Lookup("[=製品ﾊﾞｰｼﾞｮﾝ=]");
}
