// The settings file: one record per user and data set, the saved one moved to the end.

#include <gtest/gtest.h>

#include "books/Books.h"
#include "dialog/SavedSettings.h"
#include "tests/doubles/FakePlatform.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        books::BooksConfig config;
        config.settingsFolder = "C:\\set";
        books::ConfigureBooks(config);
        fake.folders.insert("C:\\set\\");
    }
    void TearDown() override { books::ConfigureBooks(books::BooksConfig{}); }

    SavedSettings For(const std::string& user, const std::string& dataId,
                      const Edition& edition = kEditionKcsakura, std::int32_t selection = 1) {
        SavedSettings settings(fake, edition.settingsFile);
        settings.SetOwner(user, dataId, selection);
        return settings;
    }

    FakePlatform fake;
    const std::string file = "C:\\set\\kcsakura.env";
};

TEST_F(Settings, SavingMovesTheRecordToTheEnd) {
    fake.files[file] = "u1/D001:4/3/1/1/C:\\a.xml\nu1/D002:1/12/2/0/C:\\b.xml\n";
    ASSERT_EQ(For("u1", "D001").Save({5, 3, 2, 0, "C:\\c.xml"}), 1);
    EXPECT_EQ(fake.files[file], "u1/D002:1/12/2/0/C:\\b.xml\nu1/D001:5/3/2/0/C:\\c.xml\n");
    EXPECT_EQ(fake.files.size(), 1u);  // no temporary left
}

// Two runs saving at once: the second reads the file only once the first has replaced it.
TEST_F(Settings, SavingHappensUnderTheFilesLockAndWaitsNoLongerThanItsBound) {
    fake.files[file] = "u2/D001:1/12/1/1/C:\\b.xml\n";
    ASSERT_EQ(For("u1", "D001").Save({5, 3, 2, 0, "C:\\c.xml"}), 1);
    EXPECT_TRUE(fake.Called("LockPath " + file + " 10000"));
    EXPECT_TRUE(fake.locksHeld.empty());

    fake.lockedElsewhere.insert(file);
    EXPECT_EQ(For("u1", "D001").Save({6, 3, 2, 0, "C:\\d.xml"}), 0);
    EXPECT_EQ(fake.files[file], "u2/D001:1/12/1/1/C:\\b.xml\nu1/D001:5/3/2/0/C:\\c.xml\n");
    // A lock that cannot be taken at all (its lock file a pipe, say) is never waited on: the
    // record is not saved, the export it follows stands.
    fake.lockedElsewhere.clear();
    fake.unlockable[file] = "the lock file is a pipe";
    EXPECT_EQ(For("u1", "D001").Save({7, 3, 2, 0, "C:\\e.xml"}), 0);
    EXPECT_EQ(fake.files[file], "u2/D001:1/12/1/1/C:\\b.xml\nu1/D001:5/3/2/0/C:\\c.xml\n");
    EXPECT_TRUE(fake.CallsOf("CreateReplacement " + file).size() == 1);
}

// Two exports saving at once both find the settings folder missing; the one whose folder the other
// made saves its record all the same.
TEST_F(Settings, AFolderAnotherRunMadeMeanwhileTakesTheRecord) {
    books::BooksConfig config;
    config.settingsFolder = "C:\\new\\set";
    books::ConfigureBooks(config);
    fake.folders.insert("C:\\");
    fake.createdElsewhere = {"C:\\new\\", "C:\\new\\set\\"};
    ASSERT_EQ(For("u1", "D001").Save({5, 3, 2, 0, "C:\\c.xml"}), 1);
    EXPECT_EQ(fake.files["C:\\new\\set\\kcsakura.env"], "u1/D001:5/3/2/0/C:\\c.xml\n");
    EXPECT_TRUE(fake.folders.count("C:\\new\\set\\"));
}

TEST_F(Settings, ReadsTheRecordOfItsKey) {
    fake.files[file] = "u1/D001:4/3/1/0/C:\\a b\\a.xml\nu1/D002:1/12/2/1/C:\\b.xml\n";
    SavedConditions read;
    ASSERT_EQ(For("u1", "D002").Read(&read), 1);
    EXPECT_EQ(read.startMonth, 1);
    EXPECT_EQ(read.endMonth, 12);
    EXPECT_EQ(read.equityKind, 2);
    EXPECT_EQ(read.outputLedger, 1);
    EXPECT_EQ(read.path, "C:\\b.xml");
    ASSERT_EQ(For("u1", "D001").Read(&read), 1);
    EXPECT_EQ(read.outputLedger, 0);
    EXPECT_EQ(read.path, "C:\\a b\\a.xml");
}

TEST_F(Settings, RecordWithoutALedgerFieldReadsAsLedgerOn) {
    fake.files[file] = "u1/D001:4/3/2/C:\\a.xml\n";
    SavedConditions read;
    read.outputLedger = 0;
    ASSERT_EQ(For("u1", "D001").Read(&read), 1);
    EXPECT_EQ(read.outputLedger, 1);
    EXPECT_EQ(read.equityKind, 2);
    EXPECT_EQ(read.path, "C:\\a.xml");
}

TEST_F(Settings, KeyMatchesOnlyAtTheStartOfARecord) {
    // "u1/D001:" ends "xu1/D001:" and stands inside a path: neither is the record of u1.
    fake.files[file] =
        "xu1/D001:7/8/1/1/C:\\x.xml\nu2/D001:1/2/1/1/C:\\u1/D001:\\y.xml\n"
        "u1/D001:4/3/1/1/C:\\u.xml\n";
    SavedConditions read;
    ASSERT_EQ(For("u1", "D001").Read(&read), 1);
    EXPECT_EQ(read.path, "C:\\u.xml");
    EXPECT_EQ(For("admin", "D0001").Read(&read), 0);
}

TEST_F(Settings, SavingLeavesRecordsWithALongerKeyAsTheyWere) {
    const std::string others =
        "xadmin/D0001:7/8/1/1/C:\\x.xml\r\nu2/D001:1/2/1/1/C:\\admin/D0001:\\y.xml\n";
    fake.files[file] = others;
    ASSERT_EQ(For("admin", "D0001").Save({4, 3, 1, 1, "C:\\a.xml"}), 1);
    EXPECT_EQ(fake.files[file], others + "admin/D0001:4/3/1/1/C:\\a.xml\n");
    ASSERT_EQ(For("admin", "D0001").Save({5, 3, 1, 1, "C:\\b.xml"}), 1);
    EXPECT_EQ(fake.files[file], others + "admin/D0001:5/3/1/1/C:\\b.xml\n");
}

TEST_F(Settings, ReplacedRecordNeverGluesTheLastRecordToTheNewOne) {
    // The last record has no LF: it keeps its line, and every record written ends with LF.
    fake.files[file] = "u1/D001:4/3/1/1/C:\\a.xml\nu2/D001:1/12/1/1/C:\\b.xml";
    ASSERT_EQ(For("u1", "D001").Save({5, 3, 1, 1, "C:\\c.xml"}), 1);
    EXPECT_EQ(fake.files[file], "u2/D001:1/12/1/1/C:\\b.xml\nu1/D001:5/3/1/1/C:\\c.xml\n");
    // The record replaced is the last one, without its LF.
    fake.files[file] = "u2/D001:1/12/1/1/C:\\b.xml\nu1/D001:4/3/1/1/C:\\a.xml";
    ASSERT_EQ(For("u1", "D001").Save({6, 3, 1, 1, "C:\\d.xml"}), 1);
    EXPECT_EQ(fake.files[file], "u2/D001:1/12/1/1/C:\\b.xml\nu1/D001:6/3/1/1/C:\\d.xml\n");
}

TEST_F(Settings, PathOfTheLimitComesBackWholeAndALongerOneInTheFileIsNotOffered) {
    std::string longest = "C:\\" + std::string(247, 'a') + ".xml";      // 254 bytes
    ASSERT_EQ(For("u1", "D001").Save({5, 3, 1, 1, longest + "b"}), 1);  // 255 bytes
    SavedConditions read;
    ASSERT_EQ(For("u1", "D001").Read(&read), 1);
    EXPECT_EQ(read.path, longest + "b");
    // A longer path in the file (written by hand; a double-byte character ends at byte 256) is
    // not offered again; the rest of the record is.
    fake.files[file] = "u1/D001:5/3/2/0/" + longest + "\x82\xA0\n";
    read = SavedConditions{};
    ASSERT_EQ(For("u1", "D001").Read(&read), 1);
    EXPECT_EQ(read.startMonth, 5);
    EXPECT_EQ(read.equityKind, 2);
    EXPECT_EQ(read.path, "");
}

TEST_F(Settings, TemporaryIsANewFileOfItsOwnAndAPlantedNameStays) {
    // What stands at the old fixed name is someone else's: never removed, never written.
    fake.files[file + ".kctmp"] = "planted";
    ASSERT_EQ(For("u1", "D001").Save({4, 3, 1, 1, "C:\\a.xml"}), 1);
    EXPECT_EQ(fake.files[file + ".kctmp"], "planted");
    EXPECT_FALSE(fake.Called("RemoveFile " + file + ".kctmp"));
    EXPECT_EQ(fake.CallsOf("CreateReplacement"),
              (std::vector<std::string>{"CreateReplacement " + file}));
    EXPECT_EQ(fake.files[file], "u1/D001:4/3/1/1/C:\\a.xml\n");
}

TEST_F(Settings, SelectionNumberIsPartOfTheKeyInTheNeoEdition) {
    auto first = For("u1", "D001", kEditionKcneo, 1);
    auto second = For("u1", "D001", kEditionKcneo, 2);
    EXPECT_EQ(first.Key(), "u1/1/D001:");
    ASSERT_EQ(first.Save({4, 3, 1, 1, "C:\\one.xml"}), 1);
    ASSERT_EQ(second.Save({4, 3, 1, 1, "C:\\two.xml"}), 1);
    EXPECT_EQ(fake.files["C:\\set\\kcneo.env"],
              "u1/1/D001:4/3/1/1/C:\\one.xml\nu1/2/D001:4/3/1/1/C:\\two.xml\n");
    SavedConditions read;
    ASSERT_EQ(first.Read(&read), 1);
    EXPECT_EQ(read.path, "C:\\one.xml");
}

TEST_F(Settings, MissingFolderIsCreatedWithEveryLevel) {
    books::BooksConfig config;
    config.settingsFolder = "C:\\deep\\er\\";
    books::ConfigureBooks(config);
    fake.folders.insert("C:\\");
    ASSERT_EQ(For("u1", "D001").Save({4, 3, 1, 1, "C:\\a.xml"}), 1);
    EXPECT_TRUE(fake.folders.count("C:\\deep\\"));
    EXPECT_EQ(fake.files["C:\\deep\\er\\kcsakura.env"], "u1/D001:4/3/1/1/C:\\a.xml\n");
}

TEST_F(Settings, NothingIsSavedWithoutAFolder) {
    books::ConfigureBooks(books::BooksConfig{});
    EXPECT_EQ(For("u1", "D001").Save({4, 3, 1, 1, "C:\\a.xml"}), 0);
    SavedConditions read;
    EXPECT_EQ(For("u1", "D001").Read(&read), 0);
}

TEST_F(Settings, FileThatCannotBeReadAndWrittenIsLeftAlone) {
    fake.files[file] = "u1/D001:4/3/1/1/C:\\a.xml\n";
    fake.failing.insert("Access");
    EXPECT_EQ(For("u1", "D001").Save({5, 3, 1, 1, "C:\\b.xml"}), 0);
    EXPECT_EQ(fake.files[file], "u1/D001:4/3/1/1/C:\\a.xml\n");
}

TEST_F(Settings, SettingsFileThatIsNotAPlainFileIsLeftAlone) {
    fake.specialFiles.insert(file);  // a pipe or a device at the settings file's name
    EXPECT_EQ(For("u1", "D001").Save({5, 3, 1, 1, "C:\\b.xml"}), 0);
    SavedConditions read;
    EXPECT_EQ(For("u1", "D001").Read(&read), 0);
    EXPECT_TRUE(fake.CallsOf("OpenFile").empty());
    EXPECT_TRUE(fake.CallsOf("CreateReplacement").empty());
}

TEST_F(Settings, AppendsANewKeyOnItsOwnLine) {
    fake.files[file] = "u2/D001:4/3/1/1/C:\\a.xml";  // the last record without its LF
    ASSERT_EQ(For("u1", "D001").Save({5, 3, 1, 1, "C:\\b.xml"}), 1);
    EXPECT_EQ(fake.files[file], "u2/D001:4/3/1/1/C:\\a.xml\nu1/D001:5/3/1/1/C:\\b.xml\n");
}

TEST_F(Settings, LargeFileIsKeptWhole) {
    std::string content;
    for (int i = 0; i < 2000; ++i)
        content += "user" + std::to_string(i) + "/D001:4/3/1/1/C:\\out\\report.xml\n";
    ASSERT_GT(content.size(), 32768u);
    fake.files[file] = content;
    ASSERT_EQ(For("user7", "D001").Save({5, 3, 1, 1, "C:\\b.xml"}), 1);
    EXPECT_EQ(fake.files[file].size(),
              content.size() - std::string("user7/D001:4/3/1/1/C:\\out\\report.xml\n").size() +
                  std::string("user7/D001:5/3/1/1/C:\\b.xml\n").size());
    SavedConditions read;
    ASSERT_EQ(For("user1999", "D001").Read(&read), 1);
    EXPECT_EQ(read.path, "C:\\out\\report.xml");
}

}  // namespace
