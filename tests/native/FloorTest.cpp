// The floor through its table of native calls: each call made to fail with the answers a user's
// machine gives, and what every writer above it then sees: the target as it was, no temporary
// left, and a failure that names the target, the call and the code.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "native/Calls.h"
#include "native/CodePage.h"
#include "native/Failure.h"
#include "native/PathLock.h"
#include "native/RunFiles.h"
#include "native/TempFile.h"
#include "native/Utf16.h"
#include "tests/native/FloorFixture.h"

namespace fs = std::filesystem;
using native::Calls;
using native::Failure;
using native::FailureKind;

namespace {

// The host's table with every call of one kind answering `code`.
Calls FailOnce(const char* which, int code) {
    Calls calls = native::SystemCalls();
    const std::string name = which;
    if (name == "create")
        calls.createNew = [code](const std::string&, native::Handle*) { return code; };
    if (name == "write")
        calls.write = [code](native::Handle, const char*, std::size_t, std::size_t*) {
            return code;
        };
    if (name == "sync") calls.sync = [code](native::Handle) { return code; };
    if (name == "close") {
        auto real = calls.close;
        calls.close = [code, real](native::Handle file) {
            real(file);
            return code;
        };
    }
    if (name == "replace")
        calls.replace = [code](const std::string&, const std::string&) { return code; };
    return calls;
}

TEST_F(Floor, KeptFileTakesTheTargetsPlaceWholeAndLeavesNothingBeside) {
    const std::string target = Path("st.xml");
    WriteFile(target, "last year");
    {
        native::TempFile file(target, 4);
        file.Write("this ");
        file.Write("year");
        EXPECT_EQ(Read(target), "last year");  // nothing reaches the target before Keep
        file.Keep();
    }
    EXPECT_EQ(Read(target), "this year");
    EXPECT_EQ(Names(), std::vector<std::string>{"st.xml"});
}

TEST_F(Floor, EveryFailingCallLeavesTheTargetAsItWasAndNoTemporary) {
    struct Case {
        const char* call;
        FailureKind kind;
    };
    const Case cases[] = {
        {"create", FailureKind::kAccessDenied}, {"create", FailureKind::kReadOnlyDisk},
        {"write", FailureKind::kNoRoom},        {"write", FailureKind::kTooLarge},
        {"sync", FailureKind::kDeviceError},    {"sync", FailureKind::kNoRoom},
        {"close", FailureKind::kNoRoom},        {"replace", FailureKind::kHeldOpen},
        {"replace", FailureKind::kAccessDenied},
    };
    const std::string target = Path("st.xml");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(static_cast<int>(c.kind)));
        WriteFile(target, "last year");
        native::CallsOverride failing(FailOnce(c.call, native::CodeOf(c.kind)));
        try {
            native::TempFile file(target, 0);
            file.Write("this year");
            file.Keep();
            ADD_FAILURE() << "kept";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Call(), c.call);
            EXPECT_EQ(failure.Path(), target);  // the user's name, never the temporary's
            EXPECT_EQ(failure.Kind(), c.kind);
            EXPECT_EQ(failure.Code(), native::CodeOf(c.kind));
            EXPECT_EQ(native::Sentence(failure).rfind(target + ": ", 0), 0u);
        }
        EXPECT_EQ(Read(target), "last year");
        EXPECT_EQ(Names(), std::vector<std::string>{"st.xml"});
    }
}

TEST_F(Floor, KeepSyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
    std::vector<std::string> order;
    Calls calls = native::SystemCalls();
    auto sync = calls.sync;
    auto rename = calls.replace;
    auto syncFolder = calls.syncFolder;
    calls.sync = [&](native::Handle file) {
        order.push_back("sync");
        return sync(file);
    };
    calls.replace = [&](const std::string& from, const std::string& to) {
        order.push_back("replace");
        return rename(from, to);
    };
    calls.syncFolder = [&](const std::string& folder) {
        order.push_back("sync folder");
        return syncFolder(folder);
    };
    native::CallsOverride watched(calls);
    native::TempFile file(Path("store.books"));
    file.Write("SQLite format 3");
    file.CloseHandle();  // written by name by another library
    file.Keep();
    EXPECT_EQ(order, (std::vector<std::string>{"sync", "replace", "sync folder"}));
    EXPECT_EQ(Read(Path("store.books")), "SQLite format 3");
}

TEST_F(Floor, TemporariesAreCreatedExclusivelyAndNeverThroughAName) {
    // Every name is taken: the creation gives up with the reason instead of writing through one.
    Calls calls = native::SystemCalls();
    int tries = 0;
    calls.createNew = [&](const std::string&, native::Handle*) {
        ++tries;
        return native::CodeOf(FailureKind::kExists);
    };
    native::CallsOverride taken(calls);
    EXPECT_THROW(native::TempFile(Path("st.xml")), Failure);
    EXPECT_EQ(tries, 100);
}

TEST_F(Floor, FolderIsRenamedIntoAnAbsentOrEmptyTargetOnly) {
    const std::string target = Path("books");
    {
        native::TempFolder folder(target);
        WriteFile(folder.Path() + "/journal.csv", "rows");
        folder.Keep();
    }
    EXPECT_EQ(Read(target + "/journal.csv"), "rows");
    // A second run into the same, now full, folder is refused and removes its own folder only.
    try {
        native::TempFolder folder(target);
        WriteFile(folder.Path() + "/journal.csv", "other company");
        folder.Keep();
        ADD_FAILURE() << "kept";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Kind(), FailureKind::kNotEmpty);
        EXPECT_EQ(failure.Path(), target);
    }
    EXPECT_EQ(Read(target + "/journal.csv"), "rows");
    EXPECT_EQ(Names(), std::vector<std::string>{"books"});
}

TEST_F(Floor, TwoFoldersForOneTargetNeverShareATemporary) {
    native::TempFolder first(Path("out"));
    native::TempFolder second(Path("out"));
    EXPECT_NE(first.Path(), second.Path());
    second.Discard();
    EXPECT_TRUE(fs::is_directory(first.Path()));
}

TEST_F(Floor, ANewFolderIsRequiredBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> plant;
        bool refused;
    };
    const Case cases[] = {
        {"nothing", [](const std::string&) {}, false},
        {"an empty folder", [](const std::string& at) { fs::create_directory(at); }, false},
        {"a folder with a file",
         [](const std::string& at) {
             fs::create_directory(at);
             WriteFile(at + "/journal.csv", "rows");
         },
         true},
        {"a file", [](const std::string& at) { WriteFile(at, "rows"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const std::string target = Path("books");
        c.plant(target);
        try {
            native::RequireNewFolder(target);
            EXPECT_FALSE(c.refused);
        } catch (const Failure& failure) {
            EXPECT_TRUE(c.refused);
            EXPECT_EQ(failure.Kind(), FailureKind::kNotEmpty);
            EXPECT_EQ(native::Sentence(failure), target + ": exists and is not an empty folder");
        }
    }
}

TEST_F(Floor, LockIsHeldByOneRunAndItsFileGoesWithIt) {
    const std::string store = Path("s.books");
    native::PathLock first;
    ASSERT_EQ(first.Take(store, 0), native::PathLock::Outcome::kHeld);
    native::PathLock second;
    EXPECT_EQ(second.Take(store, 120), native::PathLock::Outcome::kBusy);
    first.Release();
#ifndef _WIN32
    EXPECT_TRUE(Names().empty());  // no lock file stays beside the store
#endif
    EXPECT_EQ(second.Take(store, 0), native::PathLock::Outcome::kHeld);
}

TEST_F(Floor, LockFileThatCannotBeOpenedOrLockedIsAFailureNotAnotherRun) {
    // Another user's 0600 file, a read-only folder: tests run as root, so the table answers.
    const FailureKind kinds[] = {FailureKind::kAccessDenied, FailureKind::kReadOnlyDisk};
    for (FailureKind kind : kinds) {
        Calls calls = native::SystemCalls();
        calls.openLockFile = [kind](const std::string&, native::Handle*) {
            return native::CodeOf(kind);
        };
        native::CallsOverride failing(calls);
        native::PathLock lock;
        EXPECT_EQ(lock.Take(Path("st.xml"), 60000), native::PathLock::Outcome::kFailed);
        EXPECT_EQ(lock.Failure()->Kind(), kind);
    }
    Calls calls = native::SystemCalls();
    calls.tryLock = [](native::Handle, bool*) { return native::CodeOf(FailureKind::kDeviceError); };
    native::CallsOverride failing(calls);
    native::PathLock lock;
    EXPECT_EQ(lock.Take(Path("st.xml"), 60000), native::PathLock::Outcome::kFailed);
    EXPECT_EQ(lock.Failure()->Call(), "lock");
}

TEST_F(Floor, RunFilesKnowATargetThatIsOrWillBeAnInput) {
    WriteFile(Path("y24.xml"), "last year");
    fs::create_directory(Path("sub"));
    native::RunFiles run;
    run.Add(Path("y24.xml"), "last year's export");
    run.Add(Path("st") + "/kcsakura.env", "the settings file");  // not there yet
#ifndef _WIN32
    fs::create_symlink(Path("y24.xml"), Path("link.xml"));
    EXPECT_EQ(run.Clash(Path("link.xml")), "last year's export");
#endif
    EXPECT_EQ(run.Clash(Path("sub/../y24.xml")), "last year's export");
    EXPECT_EQ(run.Clash(Path("st/kcsakura.env")), "the settings file");
    EXPECT_EQ(run.Clash(Path("y25.html")), std::nullopt);
    EXPECT_EQ(run.AddTarget(Path("j.csv"), "the journal"), std::nullopt);
    EXPECT_EQ(run.AddTarget(Path("sub/../j.csv"), "the openings"), "the journal");
}

TEST(Utf16, ConvertsBothWaysAndRefusesWhatHasNoForm) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case valid[] = {
        {"", u""},
        {"kessan.xml", u"kessan.xml"},
        {"\xE6\xB1\xBA\xE7\xAE\x97\xE6\x9B\xB8", u"\u6C7A\u7B97\u66F8"},  // 決算書
        {"\xF0\x9F\x93\x84", u"\U0001F4C4"},                              // a pair
        {"\xC2\xA9", u"\u00A9"},
    };
    for (const Case& c : valid) {
        EXPECT_EQ(native::Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(native::Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
    }
    const std::string badUtf8[] = {"\xC0\xAF", "\xED\xA0\x80", "\xE6\xB1", "\xFF",
                                   "\xF4\x90\x80\x80"};
    for (const std::string& text : badUtf8) EXPECT_EQ(native::Utf8ToUtf16(text), std::nullopt);
    const std::u16string badUtf16[] = {u"a\xD800", std::u16string(1, u'\xDC00'),
                                       std::u16string{u'\xD800', u'a'}};
    for (const std::u16string& text : badUtf16) EXPECT_EQ(native::Utf16ToUtf8(text), std::nullopt);
}

// A text only shown marks each byte that begins no character and each lone surrogate with U+FFFD
// and keeps the rest; a valid text is shown as the strict conversion gives it.
TEST(Utf16, ShownTextMarksWhatHasNoFormAndKeepsTheRest) {
    const std::string mark = "\xEF\xBF\xBD";
    struct Utf8Case {
        std::string utf8;
        std::u16string shown;
    };
    const Utf8Case utf8Cases[] = {
        {"\xE6\xB1\xBA.xml", u"\u6C7A.xml"},
        {"a\xFF"
         "b",
         u"a\uFFFD"
         "b"},
        {"\xE6\xB1"
         "a",
         u"\uFFFD\uFFFD"
         "a"},  // a character cut short: each of its bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x9F\x93\x84", u"\U0001F4C4"},
    };
    for (const Utf8Case& c : utf8Cases) EXPECT_EQ(native::Utf8ToUtf16Shown(c.utf8), c.shown);
    struct Utf16Case {
        std::u16string utf16;
        std::string shown;
    };
    const Utf16Case utf16Cases[] = {
        {u"\u6C7A.xml", "\xE6\xB1\xBA.xml"},
        {std::u16string{u'a', u'\xD800', u'b'}, "a" + mark + "b"},
        {std::u16string{u'\xDC00', u'\xD800'}, mark + mark},
        {u"\U0001F4C4", "\xF0\x9F\x93\x84"},
    };
    for (const Utf16Case& c : utf16Cases) EXPECT_EQ(native::Utf16ToUtf8Shown(c.utf16), c.shown);
}

// The host's own code page 932 tables answer alike on both hosts for what an export holds: the
// kanji, NEC's and IBM's characters, half-width katakana and the full-width tilde; what is no
// character of the code page, or no UTF-8, is refused.
TEST(CodePage932, ConvertsTheExportsCharactersAndRefusesWhatHasNoForm) {
    struct Case {
        std::string codePage932;
        std::string utf8;
    };
    const Case both[] = {
        {"", ""},
        {"kessan.xml", "kessan.xml"},
        {"\x8C\x88\x8E\x5A", "\xE6\xB1\xBA\xE7\xAE\x97"},  // 決算
        {"\x87\x40", "\xE2\x91\xA0"},                      // ① (NEC)
        {"\xFB\xFC", "\xE9\xAB\x99"},                      // 髙 (IBM)
        {"\xB1", "\xEF\xBD\xB1"},                          // ｱ
        {"\x81\x60", "\xEF\xBD\x9E"},                      // ～
        {"\x95\x5C", "\xE8\xA1\xA8"},                      // 表: its trail byte is a backslash
    };
    for (const Case& c : both) {
        std::string out;
        EXPECT_TRUE(native::CodePage932ToUtf8(c.codePage932, &out)) << c.utf8;
        EXPECT_EQ(out, c.utf8);
        EXPECT_TRUE(native::Utf8ToCodePage932(c.utf8, &out)) << c.utf8;
        EXPECT_EQ(out, c.codePage932);
    }
    for (const std::string text : {"\x85\x40", "a\x82", "\x81\x20"}) {
        std::string out = "left";
        EXPECT_FALSE(native::CodePage932ToUtf8(text, &out)) << text;
        EXPECT_EQ(out, "");
    }
    for (const std::string text : {"caf\xC3\xA9", "\xC0\xAF", "\xE6\xB1", "\xF0\x9F\x93\x84"}) {
        std::string out = "left";
        EXPECT_FALSE(native::Utf8ToCodePage932(text, &out)) << text;
        EXPECT_EQ(out, "");
    }
}

TEST_F(Floor, ReaderGoesOverAFileASecondTimeFromItsFirstByte) {
    WriteFile(Path("export.xml"), "<REPORT/>");
    native::Calls& calls = native::TheCalls();
    native::Handle file = native::kNoHandle;
    ASSERT_EQ(calls.openRead(Path("export.xml"), &file), 0);
    char bytes[16];
    std::size_t got = 0;
    ASSERT_EQ(calls.read(file, bytes, sizeof bytes, &got), 0);
    EXPECT_EQ(std::string(bytes, got), "<REPORT/>");
    ASSERT_EQ(calls.seek(file, 2), 0);
    ASSERT_EQ(calls.read(file, bytes, sizeof bytes, &got), 0);
    EXPECT_EQ(std::string(bytes, got), "EPORT/>");
    ASSERT_EQ(calls.seek(file, 0), 0);
    ASSERT_EQ(calls.read(file, bytes, 3, &got), 0);
    EXPECT_EQ(std::string(bytes, got), "<RE");
    EXPECT_EQ(calls.close(file), 0);
}

}  // namespace
