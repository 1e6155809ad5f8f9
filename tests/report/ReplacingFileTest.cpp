// A file that takes its target's place whole or not at all, and keeps the reason when it cannot.

#include <gtest/gtest.h>

#include "report/ReplacingFile.h"
#include "tests/doubles/FakePlatform.h"

namespace {

constexpr const char* kTarget = "C:\\out\\report.xml";
constexpr const char* kReason = "ファイルが別のプログラムで開かれています。";

// Files the double holds under a temporary name.
std::size_t Temporaries(const FakePlatform& fake) {
    std::size_t count = 0;
    for (const auto& [name, content] : fake.files) {
        if (name.find(".kctmp") != std::string::npos) ++count;
    }
    return count;
}

// Writes `text` through a new replacing file of `fake` and commits it; what Commit answered, and
// the reason it kept.
bool WriteAndCommit(FakePlatform& fake, const std::string& text, std::string* reason) {
    ReplacingFile file(fake, kTarget);
    if (!file.Create()) {
        *reason = file.FailureReason();
        return false;
    }
    file.Output()->Write(text.data(), text.size());
    bool committed = file.Commit();
    *reason = file.FailureReason();
    return committed;
}

class Replacing : public ::testing::Test {
protected:
    void SetUp() override { Prepare(fake); }
    static void Prepare(FakePlatform& fake) {
        fake.files[kTarget] = "the previous export";
        fake.failureReason = kReason;
    }

    FakePlatform fake;
};

TEST_F(Replacing, CommitPutsTheWholeFileInTheTargetsPlace) {
    std::string reason;
    ASSERT_TRUE(WriteAndCommit(fake, "<?xml", &reason));
    EXPECT_EQ(fake.files[kTarget], "<?xml");
    EXPECT_EQ(reason, "");
    EXPECT_EQ(Temporaries(fake), 0u);
    // Written under a name of its own in the target's folder.
    EXPECT_EQ(fake.CallsOf("CreateTemporaryFile"),
              (std::vector<std::string>{"CreateTemporaryFile C:\\out\\"}));
    EXPECT_EQ(fake.CallsOf("RenameFile"),
              (std::vector<std::string>{"RenameFile C:\\out\\~kc1.kctmp C:\\out\\report.xml"}));
}

TEST_F(Replacing, AFailureAnywhereLeavesTheTargetAndNoTemporaryAndKeepsTheReason) {
    struct Case {
        const char* what;
        void (*arrange)(FakePlatform&);
    };
    const Case cases[] = {
        {"create", [](FakePlatform& f) { f.failing.insert("CreateTemporaryFile"); }},
        {"close", [](FakePlatform& f) { f.failClose = true; }},
        {"rename", [](FakePlatform& f) { f.failing.insert("RenameFile"); }},
    };
    for (const Case& c : cases) {
        FakePlatform failing;
        Prepare(failing);
        c.arrange(failing);
        std::string reason;
        EXPECT_FALSE(WriteAndCommit(failing, "<?xml", &reason)) << c.what;
        EXPECT_EQ(reason, kReason) << c.what;
        EXPECT_EQ(failing.files[kTarget], "the previous export") << c.what;
        EXPECT_EQ(Temporaries(failing), 0u) << c.what;
        EXPECT_EQ(failing.openFiles, 0) << c.what;
    }
}

TEST_F(Replacing, AFileGivenUpOrDestroyedUncommittedIsRemoved) {
    for (bool destroyed : {false, true}) {
        {
            ReplacingFile file(fake, kTarget);
            ASSERT_TRUE(file.Create());
            file.Output()->Write("<?xml", 5);
            EXPECT_EQ(Temporaries(fake), 1u);
            if (!destroyed) {
                file.Abandon();
                EXPECT_EQ(file.Output(), nullptr);
                EXPECT_FALSE(file.Commit());
            }
        }
        EXPECT_EQ(Temporaries(fake), 0u) << destroyed;
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
