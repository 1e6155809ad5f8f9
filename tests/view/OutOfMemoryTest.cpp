// kcview run in this process with every allocation past the N-th failing, for each N in turn
// until the run has all it needs: each run that runs out ends in one message and status 2, never
// in an abort, with the previous page as it was and nothing left beside it. The program's
// operator new is tests/lib/FailingAllocator's.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "tests/lib/FailingAllocator.h"
#include "tests/view/Documents.h"
#include "tools/kcview/Kcview.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The error output into a file while it lives.
class ErrorsInto {
public:
    explicit ErrorsInto(const fs::path& file) : saved_(dup(2)) {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        close(fd);
    }
    ~ErrorsInto() {
        dup2(saved_, 2);
        close(saved_);
    }
    ErrorsInto(const ErrorsInto&) = delete;
    ErrorsInto& operator=(const ErrorsInto&) = delete;

private:
    int saved_;
};

TEST(KcviewOutOfMemory, EachAllocationFailingInTurnEndsInAMessageAndLeavesNothing) {
    const fs::path folder =
        fs::temp_directory_path() / ("kcview-memory-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "run");
    const fs::path exportPath = folder / "run" / "export.xml";
    const fs::path page = folder / "run" / "page.html";
    std::ofstream(exportPath, std::ios::binary) << kcview::testing::kTiedOut;
    std::ofstream(page, std::ios::binary) << "the previous page";
    const fs::path errors = folder / "stderr";

    std::string program = "kcview", input = exportPath.string(), output = "-o",
                target = page.string();
    std::vector<char*> argv = {program.data(), input.data(), output.data(), target.data(), nullptr};
    int failedRuns = 0;
    int status = 2;
    for (long allowed = 0; status != 0; ++allowed) {
        ASSERT_LT(allowed, 1000000) << "the run never had all it needs";
        {
            ErrorsInto into(errors);
            failing::Fail(allowed + 1, true);
            status = kcview::Run(4, argv.data());
            failing::Stop();
        }
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder / "run"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        ASSERT_EQ(names, (std::vector<std::string>{"export.xml", "page.html"})) << allowed;
        if (status == 0) break;
        ++failedRuns;
        ASSERT_EQ(status, 2) << allowed;
        ASSERT_EQ(Read(errors),
                  "kcview: not enough memory; close other programs and run kcview again\n")
            << allowed;
        ASSERT_EQ(Read(page), "the previous page") << allowed;
    }
    EXPECT_NE(Read(page).find("<!DOCTYPE html>"), std::string::npos);
    EXPECT_GT(failedRuns, 100);
    fs::remove_all(folder);
}

}  // namespace
