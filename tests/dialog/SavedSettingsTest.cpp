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
        SavedSettings settings(fake, edition);
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
    EXPECT_EQ(fake.files.count(file + ".kctmp"), 0u);
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

TEST_F(Settings, KeyIsFoundInsideALongerKey) {
    // "u1/D001:" ends "xu1/D001:": the first occurrence wins.
    fake.files[file] = "xu1/D001:7/8/1/1/C:\\x.xml\nu1/D001:4/3/1/1/C:\\u.xml\n";
    SavedConditions read;
    ASSERT_EQ(For("u1", "D001").Read(&read), 1);
    EXPECT_EQ(read.path, "C:\\x.xml");
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
