#include "tests/report/XmlLint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

bool PassesXmllint(const std::string& content, std::string* output) {
    static int counter = 0;
    namespace fs = std::filesystem;
    fs::path dir = fs::path(::testing::TempDir()) / "kc-xmllint";
    fs::create_directories(dir);
    fs::path file = dir / ("document" + std::to_string(++counter) + ".xml");
    fs::path errors = dir / ("errors" + std::to_string(counter) + ".txt");
    std::ofstream(file, std::ios::binary) << content;
    std::string command = "xmllint --noout '" + file.string() + "' 2>'" + errors.string() + "'";
    int rc = std::system(command.c_str());
    std::ifstream in(errors);
    std::ostringstream text;
    text << in.rdbuf();
    *output = text.str();
    fs::remove(file);
    fs::remove(errors);
    return rc == 0;
}
