// The host's files and folders behind Windows paths, and what it writes, locks and compares
// through the floor: the replacing file, the path lock and the run's files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "books/Books.h"
#include "dialog/SavedSettings.h"
#include "host/posix/FileSystem.h"
#include "native/Calls.h"

namespace {

namespace fs = std::filesystem;

// Seconds on a clock that only goes forward (<chrono> does not build with this file's charset).
double Seconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

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

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Every name in the folder, hidden ones included.
    std::set<std::string> Names(const fs::path& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path root;
    DriveMap drives;
    PosixFileSystem files{drives};
};

TEST_F(PosixFiles, ReplacementTakesTheTargetsPlaceWholeAndReadsBack) {
    std::ofstream(root / "out.xml") << "the previous export";
    const std::string line = "<Item Label=\"x\">1</Item>\r\n";
    {
        auto replacement = files.CreateReplacement("D:\\out.xml");
        for (int i = 0; i < 10000; ++i) replacement->Output().Write(line.data(), line.size());
        EXPECT_EQ(Read(root / "out.xml"), "the previous export");  // nothing before Keep
        replacement->Keep();
    }
    EXPECT_EQ(fs::file_size(root / "out.xml"), line.size() * 10000);
    EXPECT_EQ(Names(root), std::set<std::string>{"out.xml"});
    auto file = files.OpenFile("D:\\out.xml");
    char buffer[32] = {};
    EXPECT_EQ(file->Read(buffer, line.size()), line.size());
    EXPECT_EQ(std::string(buffer), line);
}

// Beside the target under a new name of its own; discarded or destroyed before Keep, it is gone
// and the target is as it was.
TEST_F(PosixFiles, ReplacementNotKeptLeavesTheTargetAndNothingBeside) {
    std::ofstream(root / "out.xml") << "the previous export";
    for (bool destroyed : {false, true}) {
        {
            auto replacement = files.CreateReplacement("D:\\out.xml");
            replacement->Output().Write("<?xml", 5);
            std::set<std::string> names = Names(root);
            ASSERT_EQ(names.erase("out.xml"), 1u) << destroyed;
            ASSERT_EQ(names.size(), 1u) << destroyed;
            const std::string temporary = *names.begin();
            EXPECT_EQ(temporary.rfind("~kc", 0), 0u) << temporary;
            EXPECT_EQ(temporary.size(), 3u + 8u + 6u) << temporary;
            EXPECT_EQ(temporary.substr(temporary.size() - 6), ".kctmp") << temporary;
            if (!destroyed) {
                replacement->Discard();
                EXPECT_THROW(replacement->Output().Write("x", 1), FileError);
            }
        }
        EXPECT_EQ(Names(root), std::set<std::string>{"out.xml"}) << destroyed;
        EXPECT_EQ(Read(root / "out.xml"), "the previous export") << destroyed;
    }
}

// Keep puts the bytes on the disk before the rename and the rename on the disk after it: the
// export's file and the saved settings alike.
TEST_F(PosixFiles, KeepSyncsTheFileBeforeTheRenameAndTheFolderAfter) {
    std::vector<std::string> order;
    native::Calls calls = native::SystemCalls();
    calls.sync = [&, sync = calls.sync](native::Handle file) {
        order.push_back("sync");
        return sync(file);
    };
    calls.replace = [&, rename = calls.replace](const std::string& from, const std::string& to) {
        order.push_back("rename " + fs::path(to).filename().string());
        return rename(from, to);
    };
    calls.syncFolder = [&, syncFolder = calls.syncFolder](const std::string& folder) {
        order.push_back("sync folder " + fs::path(folder).parent_path().filename().string());
        return syncFolder(folder);
    };
    native::CallsOverride watched(calls);

    auto replacement = files.CreateReplacement("D:\\st.xml");
    replacement->Output().Write("<?xml", 5);
    replacement->Keep();
    const std::string folder = root.filename().string();
    EXPECT_EQ(order, (std::vector<std::string>{"sync", "rename st.xml", "sync folder " + folder}));

    order.clear();
    books::BooksConfig config;
    config.settingsFolder = "D:\\settings";
    books::ConfigureBooks(config);
    SavedSettings settings(files, kEditionKcsakura.settingsFile);
    settings.SetOwner("u1", "D001", 1);
    EXPECT_EQ(settings.Save({4, 3, 1, 1, "D:\\st.xml"}), 1);
    books::ConfigureBooks(books::BooksConfig{});
    EXPECT_EQ(order,
              (std::vector<std::string>{"sync", "rename kcsakura.env", "sync folder settings"}));
    EXPECT_EQ(Read(root / "settings" / "kcsakura.env"), "u1/D001:4/3/1/1/D:\\st.xml\n");
}

// What the user reads when a file operation fails: the sentence of the failure's kind, whichever
// call failed; the target stays as it was and nothing is left beside it.
TEST_F(PosixFiles, EachFailingCallGivesTheSentenceOfItsKind) {
    fs::create_directories(root / "folder");
    std::ofstream(root / "out.xml") << "previous";
    struct Case {
        const char* what;
        std::function<void(native::Calls&)> arrange;
        std::function<void()> operation;
        std::string reason;
    };
    auto replace = [&](const char* target) {
        return [this, target] {
            auto replacement = files.CreateReplacement(target);
            replacement->Output().Write(std::string(100000, 'x').data(), 100000);
            replacement->Keep();
        };
    };
    auto failing = [](int code) {
        return [code](native::Calls& calls) {
            calls.write = [code](native::Handle, const char*, std::size_t, std::size_t*) {
                return code;
            };
        };
    };
    const Case cases[] = {
        {"a full disk", failing(ENOSPC), replace("D:\\out.xml"),
         "ディスクの空き容量が不足しています。"},
        {"a quota", failing(EDQUOT), replace("D:\\out.xml"),
         "ディスクの空き容量が不足しています。"},
        {"the size limit", failing(EFBIG), replace("D:\\out.xml"),
         "ファイルの大きさが上限を超えました。"},
        {"a failing disk", failing(EIO), replace("D:\\out.xml"),
         "ディスクの読み書き中にエラーが発生しました。"},
        {"a read-only disk",
         [](native::Calls& calls) {
             calls.createNew = [](const std::string&, native::Handle*) { return EROFS; };
         },
         replace("D:\\out.xml"), "ディスクが書き込み禁止になっています。"},
        {"a sync the disk refuses",
         [](native::Calls& calls) { calls.sync = [](native::Handle) { return EIO; }; },
         replace("D:\\out.xml"), "ディスクの読み書き中にエラーが発生しました。"},
        {"an error without a sentence of ours", failing(EXDEV), replace("D:\\out.xml"),
         "Invalid cross-device link"},
        {"a missing folder", [](native::Calls&) {}, replace("D:\\missing\\out.xml"),
         "ファイルまたはフォルダが見つかりません。"},
        {"a folder at the target", [](native::Calls&) {}, replace("D:\\folder"),
         "通常のファイルではありません（フォルダ、パイプ、装置などです）。"},
        {"an unmapped drive", [](native::Calls&) {}, replace("Q:\\out.xml"),
         "ドライブが見つかりません。"},
        {"a file to read that is missing", [](native::Calls&) {},
         [this] { files.OpenFile("D:\\none.xml"); }, "ファイルまたはフォルダが見つかりません。"},
        {"a file read after its close", [](native::Calls&) {},
         [this] {
             auto file = files.OpenFile("D:\\out.xml");
             file->Close();
             char byte;
             file->Read(&byte, 1);
         },
         "ファイルは既に閉じられています。"},
    };
    for (const Case& c : cases) {
        native::Calls calls = native::SystemCalls();
        c.arrange(calls);
        native::CallsOverride override(calls);
        try {
            c.operation();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), c.reason) << c.what;
        }
        EXPECT_EQ(Read(root / "out.xml"), "previous") << c.what;
        EXPECT_EQ(Names(root), (std::set<std::string>{"folder", "out.xml"})) << c.what;
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
    // A pipe in the file's place is not waited on: the default.
    ASSERT_EQ(mkfifo((root / "pipe.ini").c_str(), 0600), 0);
    files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value, sizeof(value),
                                  "D:\\pipe.ini");
    EXPECT_STREQ(value, "1");
}

// The definition file is read as far as it holds, never into a buffer of a size of its own: the
// 22 bytes of ZezavareDef.ini are 22 bytes asked for, and a huge file is read only so far.
TEST_F(PosixFiles, ProfileIsReadAsFarAsTheFileHoldsAndNoFurther) {
    const std::string definition = "[ProgramLevel]\r\nHJ21=3\r\n";
    std::ofstream(root / "ZezavareDef.ini") << definition;
    std::ofstream(root / "huge.ini") << "[S]\nK=v\n" << std::string(4 * 1024 * 1024, ';');
    std::size_t asked = 0;
    native::Calls calls = native::SystemCalls();
    calls.read = [&, read = calls.read](native::Handle file, char* data, std::size_t size,
                                        std::size_t* done) {
        asked += size;
        return read(file, data, size, done);
    };
    native::CallsOverride watched(calls);
    char value[16];
    files.GetPrivateProfileString("ProgramLevel", "HJ21", "1", value, sizeof(value),
                                  "D:\\ZezavareDef.ini");
    EXPECT_STREQ(value, "3");
    EXPECT_EQ(asked, definition.size());
    asked = 0;
    files.GetPrivateProfileString("S", "K", "", value, sizeof(value), "D:\\huge.ini");
    EXPECT_STREQ(value, "v");
    EXPECT_GT(asked, 0u);
    EXPECT_LE(asked, 64u * 1024u);
}

// The run's files: a target that is one of them, by a link, a hard link or another spelling, or
// that will be one once it is made.
TEST_F(PosixFiles, RunFilesAreKnownByEveryNameAndBeforeTheyExist) {
    fs::create_directories(root / "sub");
    fs::create_directories(root / "st");
    std::ofstream(root / "books.db") << "books";
    std::ofstream(root / "plain.xml") << "x";
    fs::create_symlink(root / "books.db", root / "books-link.xml");
    fs::create_hard_link(root / "books.db", root / "books-hard.xml");
    files.AddBooksStore((root / "books.db").string());
    files.AddRunFile("D:\\st\\kcsakura.env", RunFileRole::kSettingsFile);   // not there yet
    files.AddRunFile("D:\\new\\kcsakura.env", RunFileRole::kSettingsFile);  // nor its folder
    const struct {
        const char* path;
        std::optional<RunFileRole> role;
    } cases[] = {
        {"D:\\books.db", RunFileRole::kBooksStore},
        {"D:\\books-link.xml", RunFileRole::kBooksStore},
        {"D:\\books-hard.xml", RunFileRole::kBooksStore},
        {"D:\\sub\\..\\books.db", RunFileRole::kBooksStore},
        {"D:\\st\\kcsakura.env", RunFileRole::kSettingsFile},
        {"D:\\sub\\..\\st\\kcsakura.env", RunFileRole::kSettingsFile},
        {"D:\\new\\kcsakura.env", RunFileRole::kSettingsFile},
        {"D:\\plain.xml", std::nullopt},
        {"D:\\st\\other.env", std::nullopt},
        {"D:\\missing.xml", std::nullopt},
        {"Q:\\books.db", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(files.RunFileAt(c.path), c.role) << c.path;
}

// What may be replaced: not a read-only file; a link is replaced itself, whatever it names.
TEST_F(PosixFiles, ReadOnlyFilesAreNotReplaceable) {
    std::ofstream(root / "read-only.xml") << "x";
    std::ofstream(root / "plain.xml") << "x";
    fs::permissions(root / "read-only.xml", fs::perms::owner_read | fs::perms::group_read);
    fs::create_symlink(root / "read-only.xml", root / "read-only-link.xml");
    const std::string readOnly = "ファイルが読み取り専用になっています。";
    const struct {
        const char* path;
        std::string reason;  // empty: replaceable
    } cases[] = {
        {"D:\\missing.xml", ""},
        {"D:\\plain.xml", ""},
        {"D:\\read-only-link.xml", ""},
        {"D:\\read-only.xml", readOnly},
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
}

// The lock of a path is one lock for every spelling of it and every process; its lock file
// stands beside the path while it is held, and it is let go when its holder ends.
TEST_F(PosixFiles, PathLockIsExclusiveAcrossSpellingsAndProcesses) {
    fs::create_directories(root / "sub");
    auto held = files.LockPath("D:\\out.xml", 0);
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(fs::is_regular_file(root / ".out.xml.kclock"));
    EXPECT_EQ(files.LockPath("D:\\sub\\..\\out.xml", 0), nullptr);
    EXPECT_NE(files.LockPath("D:\\other.xml", 0), nullptr);
    const pid_t child = fork();
    if (child == 0) _exit(files.LockPath("D:\\out.xml", 100) ? 1 : 0);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "another process took a lock that is held";
    held.reset();
    EXPECT_EQ(Names(root), std::set<std::string>{"sub"});
    EXPECT_NE(files.LockPath("D:\\out.xml", 0), nullptr);
}

// A lock that cannot be taken for another reason than another run says why at once: never
// "busy", never a wait, whatever stands at the lock file's name or however the system refuses.
TEST_F(PosixFiles, LockThatCannotBeTakenSaysWhyAtOnce) {
    const fs::path lockFile = root / ".out.xml.kclock";
    const std::string notPlain = "通常のファイルではありません（フォルダ、パイプ、装置などです）。";
    struct Case {
        const char* what;
        std::function<void()> plant;
        std::function<void(native::Calls&)> arrange;
        std::string reason;
    };
    auto nothing = [](native::Calls&) {};
    auto opening = [](int code) {
        return [code](native::Calls& calls) {
            calls.openLockFile = [code](const std::string&, native::Handle*) { return code; };
        };
    };
    const Case cases[] = {
        {"a pipe", [&] { ASSERT_EQ(mkfifo(lockFile.c_str(), 0600), 0); }, nothing, notPlain},
        {"a folder", [&] { fs::create_directory(lockFile); }, nothing, notPlain},
        {"a link", [&] { fs::create_symlink(root / "elsewhere", lockFile); }, nothing,
         "リンクが置かれています（リンクの先は使いません）。"},
        // Another user's 0600 lock file, a read-only disk: the tests run as root, so the table
        // answers as the system would.
        {"another user's file", [] {}, opening(EACCES), "ファイルへのアクセスが拒否されました。"},
        {"a read-only disk", [] {}, opening(EROFS), "ディスクが書き込み禁止になっています。"},
    };
    for (const Case& c : cases) {
        fs::remove_all(lockFile);
        c.plant();
        native::Calls calls = native::SystemCalls();
        c.arrange(calls);
        native::CallsOverride override(calls);
        const double start = Seconds();
        try {
            auto lock = files.LockPath("D:\\out.xml", 60000);
            ADD_FAILURE() << c.what << ": " << (lock ? "taken" : "taken for busy");
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), c.reason) << c.what;
        }
        EXPECT_LT(Seconds() - start, 5.0) << c.what;
    }
    EXPECT_FALSE(fs::exists(root / "elsewhere"));
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
    EXPECT_EQ(Names(root / "settings"), std::set<std::string>{"kcsakura.env"});
}

}  // namespace
