// The Windows host's files and folders against a real temporary folder, run under Windows
// (or Wine with LC_ALL=ja_JP.UTF-8).

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

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
        auto file = files.OpenFile(path.c_str(), OpenMode::kWrite);
        file->Write(text.data(), text.size());
        file->Close();
    }

    std::string ReadText(const std::string& path) {
        auto file = files.OpenFile(path.c_str(), OpenMode::kRead);
        std::string text(4096, '\0');
        text.resize(file->Read(text.data(), text.size()));
        file->Close();
        return text;
    }

    Win32FileSystem files;
    std::string root;
};

TEST_F(Win32Files, WritesThroughItsBufferAndReadsBack) {
    std::string path = Path("出力.xml");
    std::string line = "<Item Label=\"表\">1</Item>\r\n";
    {
        auto file = files.OpenFile(path.c_str(), OpenMode::kWrite);
        for (int i = 0; i < 10000; ++i) file->Write(line.data(), line.size());
        file->Close();
    }
    FileStatus status;
    ASSERT_TRUE(files.GetStatus(path.c_str(), &status));
    EXPECT_FALSE(status.isDirectory);
    EXPECT_EQ(status.size, static_cast<std::int64_t>(line.size() * 10000));

    auto file = files.OpenFile(path.c_str(), OpenMode::kRead);
    std::string first(line.size(), '\0');
    EXPECT_EQ(file->Read(first.data(), first.size()), line.size());
    EXPECT_EQ(first, line);
    std::string rest(line.size() * 10000, '\0');
    EXPECT_EQ(file->Read(rest.data(), rest.size()), line.size() * 9999);  // fewer at the end
    file->Close();
}

TEST_F(Win32Files, WriteTruncatesAnExistingFile) {
    std::string path = Path("a.txt");
    WriteText(path, "a longer first text");
    WriteText(path, "short");
    EXPECT_EQ(ReadText(path), "short");
}

TEST_F(Win32Files, LargeWritesBypassTheBufferInOrder) {
    std::string path = Path("big.bin");
    std::string small = "head";
    std::string large(200 * 1024, 'x');
    large.back() = 'y';
    {
        auto file = files.OpenFile(path.c_str(), OpenMode::kWrite);
        file->Write(small.data(), small.size());
        file->Write(large.data(), large.size());
        file->Write("tail", 4);
        file->Close();
    }
    FileStatus status;
    ASSERT_TRUE(files.GetStatus(path.c_str(), &status));
    EXPECT_EQ(status.size, static_cast<std::int64_t>(small.size() + large.size() + 4));
    auto file = files.OpenFile(path.c_str(), OpenMode::kRead);
    std::string all(small.size() + large.size() + 4, '\0');
    ASSERT_EQ(file->Read(all.data(), all.size()), all.size());
    EXPECT_EQ(all, small + large + "tail");
}

TEST_F(Win32Files, CreateNewRefusesAnExistingName) {
    std::string path = Path("一時.tmp");
    {
        auto file = files.OpenFile(path.c_str(), OpenMode::kCreateNew);
        file->Write("first", 5);
        file->Close();
    }
    EXPECT_THROW(files.OpenFile(path.c_str(), OpenMode::kCreateNew), FileError);
    EXPECT_EQ(ReadText(path), "first");
    ASSERT_TRUE(files.CreateDirectory(Path("folder").c_str()));
    EXPECT_THROW(files.OpenFile(Path("folder").c_str(), OpenMode::kCreateNew), FileError);
}

// The reason the user reads: a sentence of ours for what a user can act on.
TEST_F(Win32Files, FailuresRaiseFileErrorsWithTheirReason) {
    std::string missing = Path("無い\\out.xml");
    try {
        files.OpenFile(missing.c_str(), OpenMode::kWrite);
        ADD_FAILURE() << "opened a file in a missing folder";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "ファイルまたはフォルダが見つかりません。");
    }
    EXPECT_THROW(files.OpenFile(Path("none.xml").c_str(), OpenMode::kRead), FileError);
    // A device name is not a file.
    EXPECT_THROW(files.OpenFile("NUL", OpenMode::kWrite), FileError);

    auto file = files.OpenFile(Path("closed.xml").c_str(), OpenMode::kWrite);
    file->Close();
    EXPECT_NO_THROW(file->Close());
    EXPECT_THROW(file->Write("x", 1), FileError);
    char byte;
    EXPECT_THROW(file->Read(&byte, 1), FileError);
}

TEST_F(Win32Files, WritingToAReadOnlyOpenFileFails) {
    WriteText(Path("r.txt"), "text");
    auto file = files.OpenFile(Path("r.txt").c_str(), OpenMode::kRead);
    std::string block(70 * 1024, 'z');  // beyond the buffer: written at once
    EXPECT_THROW(file->Write(block.data(), block.size()), FileError);
}

TEST_F(Win32Files, ADestroyedFileClosesWithoutWritingItsBuffer) {
    std::string path = Path("dropped.xml");
    {
        auto file = files.OpenFile(path.c_str(), OpenMode::kWrite);
        file->Write("buffered", 8);
    }
    FileStatus status;
    ASSERT_TRUE(files.GetStatus(path.c_str(), &status));
    EXPECT_EQ(status.size, 0);
    EXPECT_TRUE(files.RemoveFile(path.c_str()));  // the handle is closed
}

TEST_F(Win32Files, RenameReplacesTheTarget) {
    std::string from = Path("新.tmp");
    std::string to = Path("決算書.xml");
    WriteText(from, "new");
    WriteText(to, "old");
    ASSERT_NO_THROW(files.RenameFile(from.c_str(), to.c_str()));
    EXPECT_EQ(ReadText(to), "new");
    EXPECT_EQ(files.FileExists(from.c_str()), 0);
    EXPECT_THROW(files.RenameFile(from.c_str(), to.c_str()), FileError);
    EXPECT_EQ(ReadText(to), "new");
}

// A target another program holds open, shared with nobody, cannot be replaced: the rename says
// why, and both files stay as they were.
TEST_F(Win32Files, RenameOverAFileHeldOpenByAnotherProgramSaysSo) {
    std::string from = Path("新.tmp");
    std::string to = Path("決算書.xml");
    WriteText(from, "new");
    WriteText(to, "old");
    HANDLE held = CreateFileW(Wide(to).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        files.RenameFile(from.c_str(), to.c_str());
        ADD_FAILURE() << "replaced a file held open";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "ファイルが別のプログラムで開かれています。");
    }
    CloseHandle(held);
    EXPECT_EQ(ReadText(to), "old");
    EXPECT_EQ(ReadText(from), "new");
}

// What may be replaced, found before the run rather than at its rename: not a file held open,
// not one marked read-only, not the books the run reads (by any name).
TEST_F(Win32Files, ReplaceableTargetsAndTheOnesThatAreNot) {
    for (const char* name : {"帳簿.db", "読取専用.xml", "使用中.xml", "普通.xml"})
        WriteText(Path(name), "x");
    SetFileAttributesW(Wide(Path("読取専用.xml")).c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileW(Wide(Path("使用中.xml")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    files.Keep(Wide(Path("帳簿.db")));
    const struct {
        std::string path;
        std::string reason;  // empty: replaceable
    } cases[] = {
        {Path("無い.xml"), ""},
        {Path("普通.xml"), ""},
        {Path("読取専用.xml"), "ファイルが読み取り専用になっています。"},
        {Path("使用中.xml"), "ファイルが別のプログラムで開かれています。"},
        {Path("帳簿.db"), "会計データのファイルです。会計データに上書きすることはできません。"},
        {root + "\\.\\帳簿.db",
         "会計データのファイルです。会計データに上書きすることはできません。"},
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
    EXPECT_TRUE(files.SameFile((root + "\\.\\帳簿.db").c_str(), Path("帳簿.db").c_str()));
    EXPECT_FALSE(files.SameFile(Path("普通.xml").c_str(), Path("帳簿.db").c_str()));
    EXPECT_FALSE(files.SameFile(Path("無い.xml").c_str(), Path("無い.xml").c_str()));
}

// The lock of a path is one for every spelling of it; another thread (as another process) waits
// for it and is refused when it is not let go.
TEST_F(Win32Files, PathLockIsExclusiveAcrossSpellings) {
    auto held = files.LockPath(Path("出力.xml").c_str(), 0);
    ASSERT_NE(held, nullptr);
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

TEST_F(Win32Files, TemporaryFilesAreNewFilesOfTheirOwnInTheFolder) {
    std::string first;
    std::string second;
    auto a = files.CreateTemporaryFile((root + "\\").c_str(), &first);
    auto b = files.CreateTemporaryFile(root.c_str(), &second);  // without its backslash
    EXPECT_NE(first, second);
    for (const std::string* name : {&first, &second}) {
        EXPECT_EQ(name->rfind(root + "\\~kc", 0), 0u) << *name;
        EXPECT_EQ(name->substr(name->size() - 6), ".kctmp") << *name;
    }
    a->Write("<?xml", 5);
    a->Close();
    b->Close();
    ASSERT_NO_THROW(files.RenameFile(first.c_str(), Path("出力.xml").c_str()));
    EXPECT_EQ(ReadText(Path("出力.xml")), "<?xml");
    std::string name;
    EXPECT_THROW(files.CreateTemporaryFile(Path("無い\\").c_str(), &name), FileError);
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
    EXPECT_THROW(files.RenameFile(good.c_str(), bad.c_str()), FileError);
    EXPECT_EQ(files.FileExists(good.c_str()), 1);
    EXPECT_EQ(files.GetDriveType("\x82"), DriveType::kNoRootDir);
    EXPECT_THROW(files.OpenFile(bad.c_str(), OpenMode::kWrite), FileError);
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
