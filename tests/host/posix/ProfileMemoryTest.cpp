// The definition file read under a memory limit: an allocator that refuses blocks over a size,
// while a test asks it to, stands for a machine whose memory is short.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>

#include "host/posix/FileSystem.h"
#include "tests/lib/FailingAllocator.h"

namespace {

// Blocks larger than a size are refused while a case holds one (tests/lib/FailingAllocator).
class MemoryLimit {
public:
    explicit MemoryLimit(std::size_t bytes) { failing::RefuseOver(bytes); }
    ~MemoryLimit() { failing::Stop(); }
    MemoryLimit(const MemoryLimit&) = delete;
    MemoryLimit& operator=(const MemoryLimit&) = delete;
};

namespace fs = std::filesystem;

class ProfileUnderAMemoryLimit : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / "kc-profile-memory";
        fs::remove_all(root);
        fs::create_directories(root);
        drives.MapDrive('D', root.string());
        std::ofstream(root / "ZezavareDef.ini") << "[ProgramLevel]\r\nHJ21=3\r\n";
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
    DriveMap drives;
    PosixFileSystem files{drives};
};

// 22 bytes of definition need no block of a megabyte.
TEST_F(ProfileUnderAMemoryLimit, TheDefinitionFileIsReadInWhatItHolds) {
    char value[16] = {};
    std::size_t length = 0;
    bool outOfMemory = false;
    {
        MemoryLimit limit(64 * 1024);
        try {
            length = files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value,
                                                   sizeof(value), "D:\\ZezavareDef.ini");
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    }
    EXPECT_FALSE(outOfMemory);
    EXPECT_EQ(length, 1u);
    EXPECT_STREQ(value, "3");
}

// Without memory even for that, the reader says so to its caller, which shows its message.
TEST_F(ProfileUnderAMemoryLimit, NoMemoryAtAllIsTheCallersToTell) {
    char value[16] = {};
    bool outOfMemory = false;
    {
        MemoryLimit limit(0);
        try {
            files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value, sizeof(value),
                                          "D:\\ZezavareDef.ini");
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    }
    EXPECT_TRUE(outOfMemory);
}

}  // namespace
