// The Windows host's files and folders against a real temporary folder, run under Windows
// (or Wine with LC_ALL=ja_JP.UTF-8).

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/win32/FileSystem.h"
#include "host/win32/Wide.h"

namespace {

namespace fs = std::filesystem;

// Each test works in a folder of its own under the system's temporary folder; the folder's
// name holds Japanese so that every path crosses the code page 932 edge.
class Win32Files : public ::testing::Test {
protected:
    void SetUp() override {
        std::string temp = files.TempFolder();
        ASSERT_FALSE(temp.empty());
        root = temp + "kc-win32-決算書-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveAll(root);
        ASSERT_TRUE(files.CreateDirectory(root.c_str()));
    }
    void TearDown() override { RemoveAll(root); }

    std::string Path(const std::string& name) const { return root + "\\" + name; }
    static std::wstring Wide(const std::string& sjis) { return SjisToWide(sjis).value(); }

    // Read-only attributes go first: they would stop the removal.
    static void RemoveAll(const std::string& folder) {
        fs::path path(Wide(folder));
        std::error_code error;
        if (!fs::exists(path, error)) return;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        for (const auto& entry : fs::recursive_directory_iterator(path, error))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(path, error);
    }

    void WriteText(const std::string& path, const std::string& text) {
        auto file = files.CreateReplacement(path.c_str());
        file->Output().Write(text.data(), text.size());
        file->Keep();
    }

    std::string ReadText(const std::string& path) {
        auto file = files.OpenFile(path.c_str());
        std::string text(4096, '\0');
        text.resize(file->Read(text.data(), text.size()));
        file->Close();
        return text;
    }

    // The names in the test's folder.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fs::path(Wide(root))))
            names.push_back(WideToSjis(entry.path().filename().wstring()).value_or("?"));
        return names;
    }

    Win32FileSystem files;
    std::string root;
};

TEST_F(Win32Files, ReplacementTakesTheTargetsPlaceWholeAndReadsBack) {
    std::string path = Path("出力.xml");
    WriteText(path, "a longer previous export");
    std::string line = "<Item Label=\"表\">1</Item>\r\n";
    {
        auto file = files.CreateReplacement(path.c_str());
        for (int i = 0; i < 10000; ++i) file->Output().Write(line.data(), line.size());
        EXPECT_EQ(ReadText(path), "a longer previous export");  // nothing before Keep
        file->Keep();
    }
    FileStatus status;
    ASSERT_TRUE(files.GetStatus(path.c_str(), &status));
    EXPECT_FALSE(status.isDirectory);
    EXPECT_EQ(status.size, static_cast<std::int64_t>(line.size() * 10000));
    EXPECT_EQ(Names(), std::vector<std::string>{"出力.xml"});

    auto file = files.OpenFile(path.c_str());
    std::string first(line.size(), '\0');
    EXPECT_EQ(file->Read(first.data(), first.size()), line.size());
    EXPECT_EQ(first, line);
    std::string rest(line.size() * 10000, '\0');
    EXPECT_EQ(file->Read(rest.data(), rest.size()), line.size() * 9999);  // fewer at the end
    file->Close();
}

TEST_F(Win32Files, LargeWritesReachTheFileInOrder) {
    std::string path = Path("big.bin");
    std::string small = "head";
    std::string large(200 * 1024, 'x');
    large.back() = 'y';
    {
        auto file = files.CreateReplacement(path.c_str());
        file->Output().Write(small.data(), small.size());
        file->Output().Write(large.data(), large.size());
        file->Output().Write("tail", 4);
        file->Keep();
    }
    auto file = files.OpenFile(path.c_str());
    std::string all(small.size() + large.size() + 4, '\0');
    ASSERT_EQ(file->Read(all.data(), all.size()), all.size());
    EXPECT_EQ(all, small + large + "tail");
}

// Beside its target under a new name of its own; not kept, it is gone and the target as it was.
TEST_F(Win32Files, ReplacementNotKeptLeavesTheTargetAndNothingBeside) {
    WriteText(Path("決算書.xml"), "old");
    for (bool destroyed : {false, true}) {
        {
            auto file = files.CreateReplacement(Path("決算書.xml").c_str());
            file->Output().Write("new", 3);
            std::vector<std::string> names = Names();
            ASSERT_EQ(names.size(), 2u) << destroyed;
            const std::string& temporary = names[0] == "決算書.xml" ? names[1] : names[0];
            EXPECT_EQ(temporary.rfind("~kc", 0), 0u) << temporary;
            EXPECT_EQ(temporary.substr(temporary.size() - 6), ".kctmp") << temporary;
            if (!destroyed) file->Discard();
        }
        EXPECT_EQ(Names(), std::vector<std::string>{"決算書.xml"}) << destroyed;
        EXPECT_EQ(ReadText(Path("決算書.xml")), "old") << destroyed;
    }
}

// The reason the user reads: a sentence of ours for what a user can act on.
TEST_F(Win32Files, FailuresRaiseFileErrorsWithTheirReason) {
    std::string missing = Path("無い\\out.xml");
    try {
        files.CreateReplacement(missing.c_str());
        ADD_FAILURE() << "made a file in a missing folder";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "ファイルまたはフォルダが見つかりません。");
    }
    EXPECT_THROW(files.OpenFile(Path("none.xml").c_str()), FileError);
    // A device name is not a file.
    EXPECT_THROW(files.OpenFile("NUL"), FileError);

    auto file = files.CreateReplacement(Path("closed.xml").c_str());
    file->Keep();
    EXPECT_THROW(file->Output().Write("x", 1), FileError);
    auto read = files.OpenFile(Path("closed.xml").c_str());
    read->Close();
    EXPECT_NO_THROW(read->Close());
    char byte;
    EXPECT_THROW(read->Read(&byte, 1), FileError);
}

TEST_F(Win32Files, WritingToAFileOpenedToReadFails) {
    WriteText(Path("r.txt"), "text");
    auto file = files.OpenFile(Path("r.txt").c_str());
    std::string block(70 * 1024, 'z');
    EXPECT_THROW(file->Write(block.data(), block.size()), FileError);
}

// A target another program holds open, shared with nobody, cannot be replaced: the keep says why
// and the file stays as it was.

TEST_F(Win32Files, KeepOverAFileHeldOpenByAnotherProgramSaysSo) {
    std::string to = Path("決算書.xml");
    WriteText(to, "old");
    HANDLE held = CreateFileW(Wide(to).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        auto file = files.CreateReplacement(to.c_str());
        file->Output().Write("new", 3);
        file->Keep();
        ADD_FAILURE() << "replaced a file held open";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "ファイルが別のプログラムで開かれています。");
    }
    CloseHandle(held);
    EXPECT_EQ(ReadText(to), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"決算書.xml"});
}

// What may be replaced, found before the run rather than at its rename: not a file held open,
// not one marked read-only.
TEST_F(Win32Files, ReplaceableTargetsAndTheOnesThatAreNot) {
    for (const char* name : {"読取専用.xml", "使用中.xml", "普通.xml"}) WriteText(Path(name), "x");
    SetFileAttributesW(Wide(Path("読取専用.xml")).c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileW(Wide(Path("使用中.xml")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const struct {
        std::string path;
        std::string reason;  // empty: replaceable
    } cases[] = {
        {Path("無い.xml"), ""},
        {Path("普通.xml"), ""},
        {Path("読取専用.xml"), "ファイルが読み取り専用になっています。"},
        {Path("使用中.xml"), "ファイルが別のプログラムで開かれています。"},
    };
    for (const auto& c : cases) {
        std::string reason;
        try {
            files.CheckReplaceable(c.path.c_str());
        } catch (const FileError& error) {
            reason = error.what();
        }
        EXPECT_EQ(reason, c.reason) << c.path;
    }
    CloseHandle(held);
    EXPECT_EQ(ReadText(Path("使用中.xml")), "x");
}

// The run's files are known by another spelling, and before they exist: Windows compares names
// without case.
TEST_F(Win32Files, RunFilesAreKnownByEverySpellingAndBeforeTheyExist) {
    WriteText(Path("帳簿.db"), "books");
    files.AddRunFile(Path("帳簿.db").c_str(), RunFileRole::kBooksStore);
    files.AddRunFile(Path("kcsakura.env").c_str(), RunFileRole::kSettingsFile);  // not there yet
    EXPECT_EQ(files.RunFileAt((root + "\\.\\帳簿.db").c_str()), RunFileRole::kBooksStore);
    EXPECT_EQ(files.RunFileAt(Path("KCSAKURA.ENV").c_str()), RunFileRole::kSettingsFile);
    EXPECT_EQ(files.RunFileAt(Path("普通.xml").c_str()), std::nullopt);
}

// The lock of a path is one for every spelling of it; another thread (as another process) waits
// for it and is refused when it is not let go. Its lock file stands hidden beside the path.
TEST_F(Win32Files, PathLockIsExclusiveAcrossSpellings) {
    auto held = files.LockPath(Path("出力.xml").c_str(), 0);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(files.FileExists(Path(".出力.xml.kclock").c_str()), 1);
    auto tryLock = [&](const std::string& path) {
        bool taken = false;
        std::thread([&] { taken = files.LockPath(path.c_str(), 100) != nullptr; }).join();
        return taken;
    };
    EXPECT_FALSE(tryLock(root + "\\.\\出力.xml"));
    EXPECT_TRUE(tryLock(Path("別.xml")));
    held.reset();
    EXPECT_TRUE(tryLock(Path("出力.xml")));
}

// A lock file that is no file is a reason, not another run: said at once, never waited on.
TEST_F(Win32Files, LockWhoseFileIsAFolderSaysWhy) {
    ASSERT_TRUE(files.CreateDirectory(Path(".出力.xml.kclock").c_str()));
    try {
        auto lock = files.LockPath(Path("出力.xml").c_str(), 60000);
        ADD_FAILURE() << (lock ? "taken" : "taken for another run's");
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()), "");
    }
}

TEST_F(Win32Files, AccessFollowsTheReadOnlyAttribute) {
    std::string file = Path("読取専用.txt");
    WriteText(file, "x");
    EXPECT_TRUE(files.Access(file.c_str(), accessmode::kReadWrite));
    ASSERT_TRUE(SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(files.Access(file.c_str(), accessmode::kExists));
    EXPECT_TRUE(files.Access(file.c_str(), accessmode::kRead));
    EXPECT_FALSE(files.Access(file.c_str(), accessmode::kWrite));
    EXPECT_FALSE(files.Access(file.c_str(), accessmode::kReadWrite));

    std::string folder = Path("フォルダ");
    ASSERT_TRUE(files.CreateDirectory(folder.c_str()));
    EXPECT_TRUE(files.Access(folder.c_str(), accessmode::kReadWrite));

    EXPECT_FALSE(files.Access(Path("none").c_str(), accessmode::kExists));
    EXPECT_FALSE(files.Access(Path("none").c_str(), accessmode::kRead));
    EXPECT_FALSE(files.Access(root.c_str(), 1));  // not a mode
}

TEST_F(Win32Files, AccessRefusesWritingToAReadOnlyFolder) {
    std::string folder = Path("読取専用");
    ASSERT_TRUE(files.CreateDirectory(folder.c_str()));
    ASSERT_TRUE(SetFileAttributesW(Wide(folder).c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine keeps no read-only attribute on folders.
    if (!(GetFileAttributesW(Wide(folder).c_str()) & FILE_ATTRIBUTE_READONLY))
        GTEST_SKIP() << "this system keeps no read-only attribute on folders";
    EXPECT_TRUE(files.Access(folder.c_str(), accessmode::kRead));
    EXPECT_FALSE(files.Access(folder.c_str(), accessmode::kReadWrite));
}

TEST_F(Win32Files, FoldersFilesAndStatus) {
    std::string folder = Path("出力先");
    EXPECT_EQ(files.FileExists(folder.c_str()), 0);
    EXPECT_TRUE(files.CreateDirectory(folder.c_str()));
    EXPECT_FALSE(files.CreateDirectory(folder.c_str()));
    EXPECT_EQ(files.FileExists(folder.c_str()), 1);
    FileStatus status;
    ASSERT_TRUE(files.GetStatus(folder.c_str(), &status));
    EXPECT_TRUE(status.isDirectory);
    EXPECT_FALSE(status.isRegularFile);

    std::string file = folder + "\\表.txt";
    WriteText(file, "12345");
    EXPECT_EQ(files.FileExists(file.c_str()), 1);
    ASSERT_TRUE(files.GetStatus(file.c_str(), &status));
    EXPECT_FALSE(status.isDirectory);
    EXPECT_TRUE(status.isRegularFile);
    EXPECT_EQ(status.size, 5);
    EXPECT_FALSE(files.RemoveDirectory(folder.c_str()));  // not empty
    EXPECT_TRUE(files.RemoveFile(file.c_str()));
    EXPECT_FALSE(files.RemoveFile(file.c_str()));
    EXPECT_TRUE(files.RemoveDirectory(folder.c_str()));
    EXPECT_EQ(files.FileExists(folder.c_str()), 0);
    EXPECT_FALSE(files.GetStatus(folder.c_str(), &status));
}

TEST_F(Win32Files, PathsThatAreNotShiftJisFailEveryOperation) {
    std::string bad = Path("a\x82");  // a lead byte without its trail byte
    std::string good = Path("good.txt");
    WriteText(good, "x");
    FileStatus status;
    EXPECT_EQ(files.FileExists(bad.c_str()), 0);
    EXPECT_FALSE(files.GetStatus(bad.c_str(), &status));
    EXPECT_FALSE(files.Access(bad.c_str(), accessmode::kExists));
    EXPECT_FALSE(files.CreateDirectory(bad.c_str()));
    EXPECT_FALSE(files.RemoveDirectory(bad.c_str()));
    EXPECT_FALSE(files.RemoveFile(bad.c_str()));
    EXPECT_FALSE(files.SetCurrentDirectory(bad.c_str()));
    EXPECT_THROW(files.CreateReplacement(bad.c_str()), FileError);
    EXPECT_THROW(files.LockPath(bad.c_str(), 0), FileError);
    EXPECT_EQ(files.FileExists(good.c_str()), 1);
    EXPECT_EQ(files.GetDriveType("\x82"), DriveType::kNoRootDir);
    EXPECT_THROW(files.OpenFile(bad.c_str()), FileError);
    char out[16] = "unchanged";
    EXPECT_EQ(files.GetPrivateProfileString("s", "k", "d", out, sizeof(out), bad.c_str()), 0u);
    EXPECT_STREQ(out, "");
}

// The current directory is process-wide: each test puts it back.
class Win32CurrentDirectory : public Win32Files {
protected:
    void SetUp() override {
        Win32Files::SetUp();
        DWORD size = GetCurrentDirectoryW(0, nullptr);
        saved.assign(size, L'\0');
        saved.resize(GetCurrentDirectoryW(size, saved.data()));
    }
    void TearDown() override {
        SetCurrentDirectoryW(saved.c_str());
        Win32Files::TearDown();
    }
    std::wstring saved;
};

TEST_F(Win32CurrentDirectory, SetsAndGetsAJapaneseFolder) {
    std::string folder = Path("決算");
    ASSERT_TRUE(files.CreateDirectory(folder.c_str()));
    ASSERT_TRUE(files.SetCurrentDirectory(folder.c_str()));
    char buffer[MAX_PATH];
    ASSERT_TRUE(files.GetCurrentDirectory(buffer, sizeof(buffer)));
    std::string current = buffer;
    if (!current.empty() && current.back() == '\\') current.pop_back();
    EXPECT_EQ(SjisToWide(current), SjisToWide(folder));
    // One byte short of the text and its NUL: refused, not cut.
    std::string small(current.size(), '#');
    EXPECT_FALSE(files.GetCurrentDirectory(small.data(), small.size()));
    EXPECT_EQ(small[0], '\0');
    EXPECT_FALSE(files.SetCurrentDirectory(Path("none").c_str()));
}

TEST_F(Win32CurrentDirectory, AFolderWithoutAShiftJisNameIsNotACurrentDirectory) {
    std::wstring folder = Wide(root) + L"\\caf\u00E9";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    char buffer[MAX_PATH] = "unchanged";
    EXPECT_FALSE(files.GetCurrentDirectory(buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "");
}

TEST_F(Win32Files, PathRoots) {
    EXPECT_EQ(files.PathRoot("C:\\出力\\決算書.xml"), "C:\\");
    EXPECT_EQ(files.PathRoot("d:"), "d:\\");
    EXPECT_EQ(files.PathRoot("\\\\server\\share\\a\\b.xml"), "\\\\server\\share\\");
    EXPECT_EQ(files.PathRoot("\\\\server\\share"), "\\\\server\\share\\");
    EXPECT_EQ(files.PathRoot("\\\\server"), "");
    EXPECT_EQ(files.PathRoot("\\\\server\\"), "");
    EXPECT_EQ(files.PathRoot("\\\\\\share"), "");
    EXPECT_EQ(files.PathRoot("folder\\b.xml"), "");
    EXPECT_EQ(files.PathRoot("\\folder\\b.xml"), "");
    EXPECT_EQ(files.PathRoot("1:\\"), "");
    EXPECT_EQ(files.PathRoot(""), "");
    EXPECT_EQ(files.PathRoot(nullptr), "");
    // "表" is 0x95 0x5C: its trail byte ends neither the server nor the share name.
    EXPECT_EQ(files.PathRoot("\\\\表\\共有\\a.xml"), "\\\\表\\共有\\");
    EXPECT_EQ(files.PathRoot("\\\\server\\表\\a.xml"), "\\\\server\\表\\");
    EXPECT_EQ(files.PathRoot("\\\\server\\表"), "\\\\server\\表\\");
    EXPECT_EQ(files.PathRoot("\\\\表"), "");
}

TEST_F(Win32Files, DriveTypes) {
    EXPECT_EQ(files.GetDriveType("C:\\"), DriveType::kFixed);
    std::string tempRoot = files.PathRoot(files.TempFolder().c_str());
    ASSERT_FALSE(tempRoot.empty());
    DriveType type = files.GetDriveType(tempRoot.c_str());
    EXPECT_NE(type, DriveType::kNoRootDir);
    EXPECT_NE(type, DriveType::kUnknown);
    // A letter no drive holds (the first one from the back that GetLogicalDrives leaves out).
    DWORD drives = GetLogicalDrives();
    for (int letter = 'Y'; letter > 'D'; --letter) {
        if (drives & (1u << (letter - 'A'))) continue;
        char unmapped[] = {static_cast<char>(letter), ':', '\\', '\0'};
        EXPECT_EQ(files.GetDriveType(unmapped), DriveType::kNoRootDir) << unmapped;
        break;
    }
}

TEST_F(Win32Files, TempFolderAndExecutable) {
    std::string temp = files.TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(files.Access(temp.c_str(), accessmode::kReadWrite));

    std::string executable = files.ExecutablePath();
    ASSERT_GT(executable.size(), 4u);
    EXPECT_EQ(files.FileExists(executable.c_str()), 1);
    EXPECT_FALSE(files.PathRoot(executable.c_str()).empty());
    EXPECT_EQ(_stricmp(executable.c_str() + executable.size() - 4, ".exe"), 0) << executable;
}

class Win32Profile : public Win32Files {
protected:
    void SetUp() override {
        Win32Files::SetUp();
        ASSERT_TRUE(files.CreateDirectory(Path("設定").c_str()));
        ini = Path("設定\\定義.ini");
        WriteText(ini,
                  "[Other]\r\nKey=other\r\n"
                  "[出力]\r\nFolder =  C:\\決算書\\表  \r\nQuoted=\"引用\"\r\nLong=あいう\r\n");
    }
    std::string Read(const char* section, const char* key, const char* fallback, std::size_t size) {
        std::string out(size, '#');
        std::size_t length =
            files.GetPrivateProfileString(section, key, fallback, out.data(), size, ini.c_str());
        EXPECT_EQ(length, std::strlen(out.c_str()));
        return out.c_str();
    }
    std::string ini;
};

TEST_F(Win32Profile, ReadsValuesFromAFileWithAJapanesePath) {
    EXPECT_EQ(Read("出力", "Folder", "", 64), "C:\\決算書\\表");
    EXPECT_EQ(Read("出力", "folder", "", 64), "C:\\決算書\\表");
    EXPECT_EQ(Read("OTHER", "key", "", 64), "other");
    EXPECT_EQ(Read("出力", "Quoted", "", 64), "引用");
}

TEST_F(Win32Profile, MissingSectionKeyOrFileGivesTheDefault) {
    EXPECT_EQ(Read("出力", "None", "既定", 64), "既定");
    EXPECT_EQ(Read("None", "Folder", "既定", 64), "既定");
    EXPECT_EQ(Read("None", "Folder", nullptr, 64), "");
    std::string out(16, '#');
    EXPECT_EQ(files.GetPrivateProfileString("出力", "Folder", "既定", out.data(), out.size(),
                                            Path("無い.ini").c_str()),
              4u);
    EXPECT_STREQ(out.c_str(), "既定");
}

TEST_F(Win32Profile, CutsToTheBufferWithoutSplittingACharacter) {
    EXPECT_EQ(Read("出力", "Long", "", 7), "あいう");
    EXPECT_EQ(Read("出力", "Long", "", 6), "あい");  // five bytes of room: two characters
    EXPECT_EQ(Read("出力", "Long", "", 4), "あ");
    EXPECT_EQ(Read("出力", "Long", "", 2), "");
    EXPECT_EQ(Read("出力", "Long", "", 1), "");
    // A value longer than the first buffer the call is given.
    std::string value(700, 'v');
    WriteText(ini, "[s]\r\nk=" + value + "\r\n");
    EXPECT_EQ(Read("s", "k", "", 1000), value);
    EXPECT_EQ(Read("s", "k", "", 600), value.substr(0, 599));
}

TEST_F(Win32Profile, AValueWithoutAShiftJisFormIsNotRead) {
    // A UTF-16 profile can hold what code page 932 cannot.
    std::wstring content = L"\uFEFF[s]\r\nk=caf\u00E9\r\nj=決算\r\n";
    std::string bytes(reinterpret_cast<const char*>(content.data()),
                      content.size() * sizeof(wchar_t));
    WriteText(ini, bytes);
    EXPECT_EQ(Read("s", "j", "", 64), "決算");
    EXPECT_EQ(Read("s", "k", "d", 64), "");
}

}  // namespace
