// Under Wine there is no xmllint to start: each document is left in the spool folder that the
// test run names (KC_XMLLINT_SPOOL), and the run's last test lints every one of them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/report/XmlLint.h"

bool PassesXmllint(const std::string& content, std::string* output) {
    static int counter = 0;
    const char* spool = std::getenv("KC_XMLLINT_SPOOL");
    if (!spool || !*spool) {
        *output = "KC_XMLLINT_SPOOL is not set: nowhere to leave the document for xmllint";
        return false;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "none";
    std::filesystem::path file =
        std::filesystem::path(spool) / (name + "-" + std::to_string(++counter) + ".xml");
    std::ofstream out(file, std::ios::binary);
    out << content;
    out.close();
    if (!out) {
        *output = "cannot write " + file.string();
        return false;
    }
    return true;
}
