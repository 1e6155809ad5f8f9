// kcbooks' commands run in this process as its main runs them: memory that runs out anywhere in
// a run fails it with one message and leaves nothing behind, neither a temporary nor a lock file
// nor a half-written target; and what the run's end says of its files.
//
// The program's operator new (tests/lib/FailingAllocator) counts the allocations of a run and
// fails the one a case chooses, once.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <streambuf>
#include <string>
#include <vector>

#include "native/Calls.h"
#include "native/Failure.h"
#include "native/TempFile.h"
#include "tests/lib/FailingAllocator.h"
#include "tools/kcbooks/Kcbooks.h"
#include "tools/kcbooks/RunEnd.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

// The run's error output, kept in place: writing it allocates nothing.
class Captured : public std::streambuf {
public:
    Captured() { Clear(); }
    void Clear() { setp(text_, text_ + sizeof(text_)); }
    std::string Text() const { return std::string(pbase(), pptr()); }

private:
    char text_[8192];
};

// The run's standard output, let go.
class Dropped : public std::streambuf {
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

class Kcbooks : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  (std::string("kc-kcbooks-") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        savedErr_ = std::cerr.rdbuf(&err_);
        savedOut_ = std::cout.rdbuf(&out_);
    }
    void TearDown() override {
        std::cerr.rdbuf(savedErr_);
        std::cout.rdbuf(savedOut_);
        fs::remove_all(folder_);
    }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    // Every name under the folder (on Windows but the hidden lock files, which stay by design).
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            const std::string name = entry.path().lexically_relative(folder_).string();
#ifdef _WIN32
            if (name.ends_with(".kclock")) continue;
#endif
            names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    int Run(const std::vector<std::string>& arguments) {
        err_.Clear();
        return kcbooks::RunKcbooks(arguments);
    }

    fs::path folder_;
    Captured err_;
    Dropped out_;
    std::streambuf* savedErr_ = nullptr;
    std::streambuf* savedOut_ = nullptr;
};

TEST_F(Kcbooks, MemoryRunningOutAnywhereFailsTheRunAndLeavesNothing) {
    const std::string journal = std::string(KC_CONVERT_FILES) + "/every-form.csv";
    const std::string openings = std::string(KC_CONVERT_FILES) + "/every-form-openings.csv";
    ASSERT_EQ(Run({"import", KC_SAMPLE_BOOKS, Path("sample.books")}), 0) << err_.Text();
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> written;  // what a whole run writes, to be removed after it
    };
    const Case cases[] = {
        {{"convert", journal, "--openings", openings, "--company", "c", "-o", Path("out")},
         {"out"}},
        {{"import", "--from", "interchange", journal, Path("one.books"), "--openings", openings,
          "--company", "c"},
         {"one.books"}},
        {{"export-journal", Path("sample.books"), "-o", Path("j.csv"), "--openings", Path("o.csv")},
         {"j.csv", "o.csv"}},
        {{"generate", Path("generated"), "--entries", "300"}, {"generated"}},
        {{"import", KC_SAMPLE_BOOKS, Path("again.books")}, {"again.books"}},
    };
    for (const Case& c : cases) {
        const std::string& command = c.arguments[0];
        SCOPED_TRACE(command + " " + c.arguments[1]);
        const std::vector<std::string> before = Names();
        failing::Fail(0);
        const int whole = Run(c.arguments);
        const long allocations = failing::Stop();
        ASSERT_EQ(whole, 0) << err_.Text();
        for (const std::string& name : c.written) fs::remove_all(Path(name));
        ASSERT_EQ(Names(), before);
        // The first allocation, and more spread over the whole run. A run may survive one (a
        // sort that gets no buffer sorts in place); most do not.
        int failed = 0;
        int shots = 0;
        for (long at = 1; at < allocations; at += std::max(1L, allocations / 512), ++shots) {
            SCOPED_TRACE("allocation " + std::to_string(at) + " of " + std::to_string(allocations));
            failing::Fail(at);
            const int status = Run(c.arguments);
            failing::Stop();
            const std::string said = err_.Text();
            if (status == 0) {
                EXPECT_EQ(said, "");
                for (const std::string& name : c.written) fs::remove_all(Path(name));
                EXPECT_EQ(Names(), before);
                continue;
            }
            ++failed;
            EXPECT_EQ(status, 1) << said;
            EXPECT_EQ(said.rfind("kcbooks: " + command + " ", 0), 0u) << said;
            EXPECT_NE(said.find("memory"), std::string::npos) << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
            // Memory that ran out once the files were in place (in the summary) leaves them,
            // and the message says so.
            if (said.ends_with(" written\n")) {
                for (const std::string& name : c.written) fs::remove_all(Path(name));
            }
            EXPECT_EQ(Names(), before) << said;
        }
        EXPECT_GT(failed, shots / 2);
    }
}

// Books of one opening balance and one sale, their amounts as given.
void WriteTinyBooks(const fs::path& folder, const std::string& opening, const std::string& sale) {
    fs::create_directories(folder);
    const std::pair<const char*, std::string> files[] = {
        {"company.csv", "data_id,data_no,name,period_from,period_to\nD1,1,c,20250401,20260331\n"},
        {"users.csv", "user_id,data_no\nu1,1\n"},
        {"accounts.csv",
         "data_id,code,name,nature,side\nD1,1000000,cash,0x80880001,D\n"
         "D1,3000000,capital,0x80288000,C\nD1,6000000,sales,0x40888001,C\n"},
        {"openings.csv",
         "data_id,code,debit,credit\nD1,1000000," + opening + ",\nD1,3000000,," + opening + "\n"},
        {"journal.csv",
         "data_id,entry,line,date,debit_code,debit_amount,credit_code,credit_amount\n"
         "D1,1,1,20250410,1000000," +
             sale + ",6000000," + sale + "\n"},
    };
    for (const auto& [name, text] : files) std::ofstream(folder / name, std::ios::binary) << text;
}

// An import says where the books went and, the statements cutting each figure to whole yen, how
// many amounts carry fractions of a yen; nothing of fractions when none does.
TEST_F(Kcbooks, ImportSaysHowManyAmountsCarryFractionsOfAYen) {
    struct Case {
        const char* opening;  // on both sides of the openings
        const char* sale;     // on both sides of the journal's line
        const char* said;     // after the line that names the books and the store
    };
    const Case cases[] = {
        {"500", "1000", ""},
        {"500", "1000.5",
         "2 amounts carry fractions of a yen; the statements cut each figure to "
         "whole yen\n"},
        {"500.25", "1000",
         "2 amounts carry fractions of a yen; the statements cut each figure to "
         "whole yen\n"},
        {"0.0001", "-1000.5",
         "4 amounts carry fractions of a yen; the statements cut each figure "
         "to whole yen\n"},
    };
    const std::string books = Path("books");
    const std::string store = Path("tiny.books");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.opening) + " " + c.sale);
        WriteTinyBooks(books, c.opening, c.sale);
        Captured out;
        std::cout.rdbuf(&out);
        const int status = Run({"import", books, store});
        std::cout.rdbuf(&out_);
        EXPECT_EQ(status, 0) << err_.Text();
        EXPECT_EQ(out.Text(), "imported " + books + " into " + store + "\n" + c.said);
    }
}

TEST_F(Kcbooks, TheEndOfARunSaysWhichOfItsFilesAreWritten) {
    const std::string journal = Path("j.csv");
    const std::string openings = Path("o.csv");
    kcbooks::RunEnd::Begin("export-journal", {journal, openings});
    EXPECT_EQ(kcbooks::RunEnd::InterruptedLine(), "kcbooks: export-journal interrupted; " +
                                                      journal + " stays as it was, " + openings +
                                                      " stays as it was\n");
    EXPECT_EQ(kcbooks::RunEnd::FailedAfter(), "");
    native::TempFile file(journal);
    file.Keep();
    EXPECT_EQ(kcbooks::RunEnd::InterruptedLine(), "kcbooks: export-journal interrupted; " +
                                                      journal + " is written, " + openings +
                                                      " stays as it was\n");
    EXPECT_EQ(kcbooks::RunEnd::FailedAfter(), "; " + journal + " is written");
    kcbooks::RunEnd::Begin("show", {});
    EXPECT_EQ(kcbooks::RunEnd::InterruptedLine(), "kcbooks: show interrupted\n");
}

#ifndef _WIN32
// On Windows SQLite holds the store's temporary without sharing its deletion: a Ctrl+C leaves it,
// and the run's line names it for the user to remove.
TEST_F(Kcbooks, TheEndOfARunNamesTheTemporaryItCouldNotRemove) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string store = Path("s.books");
        kcbooks::RunEnd::Begin("import", {store});
        native::TempFile held(store);
        native::Calls calls = native::SystemCalls();
        const std::string heldPath = held.Path();
        calls.remove = [heldPath](const std::string& path) {
            return path == heldPath ? native::CodeOf(native::FailureKind::kHeldOpen) : 0;
        };
        native::CallsOverride holding(calls);
        native::RemoveTemporaries();
        const std::string expected = "kcbooks: import interrupted; " + store +
                                     " stays as it was; " + heldPath +
                                     " is left (another program held it): remove it\n";
        _exit(kcbooks::RunEnd::InterruptedLine() == expected ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

}  // namespace
