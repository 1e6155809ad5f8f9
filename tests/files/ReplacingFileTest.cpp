// A file that takes its target's place whole or not at all (its failures and their reasons are
// checked through the report writer).

#include <gtest/gtest.h>

#include "files/ReplacingFile.h"
#include "tests/doubles/FakePlatform.h"

namespace {

constexpr const char* kTarget = "C:\\out\\report.xml";

class Replacing : public ::testing::Test {
protected:
    void SetUp() override { fake.files[kTarget] = "the previous export"; }

    FakePlatform fake;
};

TEST_F(Replacing, CommitPutsTheWholeFileInTheTargetsPlace) {
    ReplacingFile file(fake, kTarget);
    ASSERT_TRUE(file.Create());
    file.Output()->Write("<?xml", 5);
    EXPECT_EQ(fake.files[kTarget], "the previous export");  // until the commit
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(fake.files[kTarget], "<?xml");
    EXPECT_EQ(file.FailureReason(), "");
    EXPECT_EQ(fake.TemporariesLeft(), 0u);
    // Written under a name of its own in the target's folder.
    EXPECT_EQ(fake.CallsOf("CreateTemporaryFile"),
              (std::vector<std::string>{"CreateTemporaryFile C:\\out\\"}));
    EXPECT_EQ(fake.CallsOf("RenameFile"),
              (std::vector<std::string>{"RenameFile C:\\out\\~kc1.kctmp C:\\out\\report.xml"}));
}

TEST_F(Replacing, AFileGivenUpOrDestroyedUncommittedIsRemoved) {
    for (bool destroyed : {false, true}) {
        {
            ReplacingFile file(fake, kTarget);
            ASSERT_TRUE(file.Create());
            file.Output()->Write("<?xml", 5);
            EXPECT_EQ(fake.TemporariesLeft(), 1u);
            if (!destroyed) {
                file.Abandon();
                EXPECT_EQ(file.Output(), nullptr);
                EXPECT_FALSE(file.Commit());
            }
        }
        EXPECT_EQ(fake.TemporariesLeft(), 0u) << destroyed;
        EXPECT_EQ(fake.openFiles, 0) << destroyed;
        EXPECT_EQ(fake.files[kTarget], "the previous export") << destroyed;
        EXPECT_TRUE(fake.CallsOf("RenameFile").empty()) << destroyed;
    }
}

TEST_F(Replacing, AFileInTheCurrentFolderOrADrivesOwnIsWrittenBesideItsTarget) {
    for (auto [target, folder] : {std::pair{"out.xml", ""}, std::pair{"D:out.xml", "D:"}}) {
        fake.calls.clear();
        ReplacingFile file(fake, target);
        ASSERT_TRUE(file.Create()) << target;
        EXPECT_EQ(fake.CallsOf("CreateTemporaryFile"),
                  (std::vector<std::string>{std::string("CreateTemporaryFile ") + folder}));
        ASSERT_TRUE(file.Commit()) << target;
        EXPECT_EQ(fake.files.count(target), 1u) << target;
    }
}

}  // namespace
