// The host's files and folders behind Windows paths.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "books/Books.h"
#include "dialog/SavedSettings.h"
#include "host/posix/FileSystem.h"

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

// What the user reads when a file operation fails: a sentence of ours for what a user can act on,
// else the system's own text (the C library's, in the tests' C locale).
TEST_F(PosixFiles, FailuresRaiseFileErrorsWithTheirReason) {
    fs::create_directories(root / "folder" / "inside");
    std::ofstream(root / "plain.xml") << "x";
    DriveMap dev;
    dev.MapDrive('F', "/dev");
    PosixFileSystem devices(dev);
    struct Case {
        const char* what;
        std::function<void()> operation;
        std::string reason;
    };
    std::vector<Case> cases = {
        {"open in a missing folder",
         [&] { files.OpenFile("D:\\missing\\out.xml", OpenMode::kWrite); },
         "ファイルまたはフォルダが見つかりません。"},
        {"open on an unmapped drive", [&] { files.OpenFile("Q:\\out.xml", OpenMode::kWrite); },
         "ドライブが見つかりません。"},
        {"rename into a missing folder",
         [&] { files.RenameFile("D:\\plain.xml", "D:\\missing\\out.xml"); },
         "ファイルまたはフォルダが見つかりません。"},
        {"rename over a folder", [&] { files.RenameFile("D:\\plain.xml", "D:\\folder"); },
         "Is a directory"},
        {"write after close",
         [&] {
             auto file = files.OpenFile("D:\\closed.xml", OpenMode::kWrite);
             file->Close();
             file->Write("x", 1);
         },
         "ファイルは既に閉じられています。"},
    };
    if (fs::exists("/dev/full")) {
        // A disk with no room: the buffered byte fails where it is written, at the close.
        cases.push_back({"a full disk",
                         [&] {
                             auto full = devices.OpenFile("F:\\full", OpenMode::kWrite);
                             full->Write("x", 1);
                             full->Close();
                         },
                         "ディスクの空き容量が不足しています。"});
    }
    for (const Case& c : cases) {
        try {
            c.operation();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), c.reason) << c.what;
        }
    }
    EXPECT_TRUE(fs::exists(root / "plain.xml"));  // a failed rename leaves both names
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

TEST_F(PosixFiles, StatusTellsAPlainFileFromFoldersPipesAndDevices) {
    std::ofstream(root / "plain.xml") << "x";
    fs::create_directory(root / "folder");
    ASSERT_EQ(mkfifo((root / "pipe").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", root / "device");
    fs::create_symlink(root / "plain.xml", root / "link.xml");
    fs::create_symlink(root / "folder", root / "folderlink");
    struct Case {
        const char* path;
        bool regular;
    };
    for (const Case& c :
         {Case{"D:\\plain.xml", true}, Case{"D:\\link.xml", true}, Case{"D:\\folder", false},
          Case{"D:\\folderlink", false}, Case{"D:\\pipe", false}, Case{"D:\\device", false}}) {
        FileStatus status;
        ASSERT_TRUE(files.GetStatus(c.path, &status)) << c.path;
        EXPECT_EQ(status.isRegularFile, c.regular) << c.path;
    }
    FileStatus status;
    EXPECT_FALSE(files.GetStatus("D:\\missing.xml", &status));
}

TEST_F(PosixFiles, TemporaryFilesAreNewFilesOfTheirOwnInTheFolder) {
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name;
        auto file = files.CreateTemporaryFile("D:\\", &name);
        file->Write("x", 1);
        file->Close();
        ASSERT_EQ(name.rfind("D:\\~kc", 0), 0u) << name;
        ASSERT_EQ(name.substr(name.size() - 6), ".kctmp") << name;
        EXPECT_EQ(fs::file_size(root / name.substr(3)), 1u) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);
    // A folder given without its backslash, and the file put in place by a rename.
    std::string name;
    files.CreateTemporaryFile("D:\\", &name)->Close();
    ASSERT_NO_THROW(files.RenameFile(name.c_str(), "D:\\out.xml"));
    EXPECT_TRUE(fs::exists(root / "out.xml"));
    fs::create_directory(root / "sub");
    files.CreateTemporaryFile("D:\\sub", &name)->Close();
    EXPECT_EQ(name.rfind("D:\\sub\\~kc", 0), 0u) << name;
    EXPECT_THROW(files.CreateTemporaryFile("D:\\missing\\", &name), FileError);
    EXPECT_THROW(files.CreateTemporaryFile("Q:\\", &name), FileError);
}

TEST_F(PosixFiles, FolderAnswersTheAccessTestWhenItExists) {
    // As the Windows runtime answers for a folder: it exists, and nothing marks it read-only.
    // Run as a user without rights on it (nobody, when the tests run as root).
    fs::create_directory(root / "locked");
    fs::permissions(root / "locked", fs::perms::none);
    std::ofstream(root / "locked.xml") << "x";
    fs::permissions(root / "locked.xml", fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(root, fs::perms::all);
    DriveMap rootDrive;
    rootDrive.MapDrive('Z', "/");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
        PosixFileSystem asUser(drives);
        PosixFileSystem wholeDisk(rootDrive);
        int failures = 0;
        if (!asUser.Access("D:\\locked", accessmode::kReadWrite)) failures |= 1;
        if (!wholeDisk.Access("Z:\\", accessmode::kReadWrite)) failures |= 2;
        if (asUser.Access("D:\\missing", accessmode::kExists)) failures |= 4;
        // A file still answers for the user's rights on it.
        if (asUser.Access("D:\\locked.xml", accessmode::kWrite)) failures |= 8;
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    fs::permissions(root / "locked", fs::perms::owner_all);
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

// What may be replaced: not a read-only file, not the books the run reads (by any name); a link
// is replaced itself, whatever it names.
TEST_F(PosixFiles, ReplaceableTargetsAndTheOnesThatAreNot) {
    fs::create_directories(root / "sub");
    std::ofstream(root / "books.db") << "books";
    std::ofstream(root / "read-only.xml") << "x";
    std::ofstream(root / "plain.xml") << "x";
    fs::permissions(root / "read-only.xml", fs::perms::owner_read | fs::perms::group_read);
    fs::create_symlink(root / "books.db", root / "books-link.xml");
    fs::create_symlink(root / "read-only.xml", root / "read-only-link.xml");
    fs::create_hard_link(root / "books.db", root / "books-hard.xml");
    files.Keep((root / "books.db").string());
    const std::string store = "会計データのファイルです。会計データに上書きすることはできません。";
    const std::string readOnly = "ファイルが読み取り専用になっています。";
    const struct {
        const char* path;
        std::string reason;  // empty: replaceable
    } cases[] = {
        {"D:\\missing.xml", ""},        {"D:\\plain.xml", ""},
        {"D:\\read-only-link.xml", ""}, {"D:\\read-only.xml", readOnly},
        {"D:\\books.db", store},        {"D:\\books-link.xml", store},
        {"D:\\books-hard.xml", store},  {"D:\\sub\\..\\books.db", store},
    };
    for (const auto& c : cases) {
        std::string reason;
        try {
            files.CheckReplaceable(c.path);
        } catch (const FileError& error) {
            reason = error.what();
        }
        EXPECT_EQ(reason, c.reason) << c.path;
    }
    EXPECT_TRUE(files.SameFile("D:\\books-link.xml", "D:\\books.db"));
    EXPECT_TRUE(files.SameFile("D:\\books-hard.xml", "D:\\books.db"));
    EXPECT_FALSE(files.SameFile("D:\\plain.xml", "D:\\books.db"));
    EXPECT_FALSE(files.SameFile("D:\\missing.xml", "D:\\missing.xml"));
}

// The lock of a path is one lock for every spelling of it and every process; it is let go when
// its holder ends.
TEST_F(PosixFiles, PathLockIsExclusiveAcrossSpellingsAndProcesses) {
    fs::create_directories(root / "sub");
    auto held = files.LockPath("D:\\out.xml", 0);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(files.LockPath("D:\\sub\\..\\out.xml", 0), nullptr);
    EXPECT_NE(files.LockPath("D:\\other.xml", 0), nullptr);
    const pid_t child = fork();
    if (child == 0) _exit(files.LockPath("D:\\out.xml", 100) ? 1 : 0);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "another process took a lock that is held";
    held.reset();
    EXPECT_NE(files.LockPath("D:\\out.xml", 0), nullptr);
}

// Two processes saving records of their own into one settings file at once: every record is
// there at the end.
TEST_F(PosixFiles, SettingsSavedByTwoProcessesAtOnceKeepEveryRecord) {
    books::BooksConfig config;
    config.settingsFolder = "D:\\settings";
    books::ConfigureBooks(config);
    auto saveMany = [&](const char* user) {
        SavedSettings settings(files, kEditionKcsakura.settingsFile);
        for (int i = 0; i < 200; ++i) {
            settings.SetOwner(user + std::to_string(i), "D001", 1);
            if (settings.Save({4, 3, 1, 1, "D:\\out.xml"}) != 1) return false;
        }
        return true;
    };
    const pid_t child = fork();
    if (child == 0) _exit(saveMany("second") ? 0 : 1);
    const bool saved = saveMany("first");
    int status = 0;
    waitpid(child, &status, 0);
    books::ConfigureBooks(books::BooksConfig{});
    EXPECT_TRUE(saved);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream file(root / "settings" / "kcsakura.env");
    std::set<std::string> keys;
    for (std::string line; std::getline(file, line);) keys.insert(line.substr(0, line.find(':')));
    EXPECT_EQ(keys.size(), 400u);
}
