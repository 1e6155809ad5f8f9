// The host's files and folders behind Windows paths.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/posix/PosixFileSystem.h"

namespace {

namespace fs = std::filesystem;

class PosixFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / "kc-posix-files" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root);
        drives.MapDrive('D', root.string());
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
    DriveMap drives;
    PosixFileSystem files{drives};
};

TEST_F(PosixFiles, WritesThroughItsBufferAndReadsBack) {
    std::string line = "<Item Label=\"x\">1</Item>\r\n";
    {
        auto file = files.OpenFile("D:\\out.xml", OpenMode::kWrite);
        for (int i = 0; i < 10000; ++i) file->Write(line.data(), line.size());
        file->Close();
    }
    EXPECT_EQ(fs::file_size(root / "out.xml"), line.size() * 10000);
    auto file = files.OpenFile("D:\\out.xml", OpenMode::kRead);
    char buffer[32] = {};
    EXPECT_EQ(file->Read(buffer, line.size()), line.size());
    EXPECT_EQ(std::string(buffer), line);
}

TEST_F(PosixFiles, FailuresRaiseFileErrors) {
    EXPECT_THROW(files.OpenFile("D:\\missing\\out.xml", OpenMode::kWrite), FileError);
    EXPECT_THROW(files.OpenFile("Q:\\out.xml", OpenMode::kWrite), FileError);
    EXPECT_THROW(files.OpenFile("D:\\none.xml", OpenMode::kRead), FileError);
    if (fs::exists("/dev/full")) {
        DriveMap dev;
        dev.MapDrive('F', "/dev");
        PosixFileSystem devices(dev);
        auto full = devices.OpenFile("F:\\full", OpenMode::kWrite);
        full->Write("x", 1);  // buffered
        EXPECT_THROW(full->Close(), FileError);
        EXPECT_THROW(full->Write("x", 1), FileError);
    }
}

TEST_F(PosixFiles, FoldersDrivesAndRoots) {
    EXPECT_TRUE(files.CreateDirectory("D:\\a"));
    EXPECT_EQ(files.FileExists("D:\\a"), 1);
    FileStatus status;
    ASSERT_TRUE(files.GetStatus("D:\\a", &status));
    EXPECT_TRUE(status.isDirectory);
    EXPECT_TRUE(files.Access("D:\\a", accessmode::kReadWrite));
    EXPECT_TRUE(files.RemoveDirectory("D:\\a"));
    EXPECT_EQ(files.FileExists("D:\\a"), 0);
    EXPECT_EQ(files.GetDriveType("D:\\"), DriveType::kFixed);
    EXPECT_EQ(files.GetDriveType("Q:\\"), DriveType::kNoRootDir);
    EXPECT_EQ(files.GetDriveType("\\\\server\\share\\"), DriveType::kNoRootDir);
    EXPECT_EQ(files.PathRoot("D:\\a\\b.xml"), "D:\\");
    EXPECT_EQ(files.PathRoot("\\\\server\\share\\a\\b.xml"), "\\\\server\\share\\");
    EXPECT_EQ(files.PathRoot("b.xml"), "");
    std::string temp = files.TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
}

TEST_F(PosixFiles, WorkingDirectoryIsAWindowsPath) {
    fs::path before = fs::current_path();
    ASSERT_TRUE(files.SetCurrentDirectory("D:\\"));
    char buffer[261];
    ASSERT_TRUE(files.GetCurrentDirectory(buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "D:\\");
    EXPECT_FALSE(files.SetCurrentDirectory("D:\\missing"));
    fs::current_path(before);
}

TEST_F(PosixFiles, ProfileStringsFromAFile) {
    std::ofstream(root / "ZezavareDef.ini") << "[ProgramLevel]\r\nHJ21=3\r\n";
    char value[16];
    EXPECT_EQ(files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value, sizeof(value),
                                            "D:\\ZezavareDef.ini"),
              1u);
    EXPECT_STREQ(value, "3");
    files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value, sizeof(value),
                                  "D:\\missing.ini");
    EXPECT_STREQ(value, "1");
    std::ofstream(root / "long.ini") << "[S]\nK=" << std::string(100, '7') << "\n";
    EXPECT_EQ(files.GetPrivateProfileString("S", "K", "", value, sizeof(value), "D:\\long.ini"),
              15u);
}

}  // namespace
